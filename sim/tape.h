#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/signal_model.h"

namespace rf::sim {

enum class TapeKind { Master, Check, Blank };

// A stretch of tape with time code on it: pre-recorded on master and check
// tapes, made by the recorder on a blank tape. A recording keeps the format and
// the record settings of the four record heads it was made with (index
// channel * 2 + head), so playing it back shows what they were.
struct Segment {
    double start = 0, end = 0;  // seconds from the beginning of the tape
    std::int64_t tcStart = 0;   // time code at `start`, in frames
    bool reference = false;     // recorded by the tape maker (master and check tapes)
    int fmt = 7;
    std::array<RecSetting, 4> heads{};
};

struct Tape {
    std::string name;
    TapeKind kind = TapeKind::Blank;
    int format = 7;       // what the recorder reports with "$FR"
    bool mark = false;    // set on master and check tapes
    double length = 0;    // seconds of tape
    double position = 0;  // where the tape stands, kept while it is out
    std::vector<Segment> segments;

    bool writeProtected() const { return kind != TapeKind::Blank; }
    const Segment* segmentAt(double pos) const;
    // The time code read at a position, in frames.
    std::optional<std::int64_t> timecodeAt(double pos) const;
    // The time code of the last frame recorded before a position.
    std::optional<std::int64_t> timecodeBefore(double pos) const;
    // The position of time code `tc` nearest to `from`, going forward or back:
    // the middle of its frame, so that it reads back as `tc`.
    std::optional<double> find(std::int64_t tc, double from, bool forward) const;
    // Records a segment, replacing whatever lay under it.
    void record(const Segment& s);
};

// The tapes of the simulated tape library, in the order the automatic changer
// offers them.
std::vector<Tape> standardLibrary();

}  // namespace rf::sim

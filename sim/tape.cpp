#include "sim/tape.h"

#include <algorithm>
#include <cmath>

#include "sim/timecode.h"

namespace rf::sim {

const Segment* Tape::segmentAt(double pos) const {
    for (const Segment& s : segments)
        if (pos >= s.start && pos < s.end) return &s;
    return nullptr;
}

std::optional<std::int64_t> Tape::timecodeAt(double pos) const {
    const Segment* s = segmentAt(pos);
    if (!s) return std::nullopt;
    return wrapFrames(s->tcStart +
                      static_cast<std::int64_t>(std::floor((pos - s->start) * FramesPerSecond)));
}

std::optional<double> Tape::find(std::int64_t tc) const {
    for (const Segment& s : segments) {
        const double offset =
            static_cast<double>(wrapFrames(tc - s.tcStart)) / static_cast<double>(FramesPerSecond);
        if (s.start + offset < s.end) return s.start + offset;
    }
    return std::nullopt;
}

void Tape::record(const Segment& s) {
    std::vector<Segment> kept;
    for (Segment old : segments) {
        if (old.end <= s.start || old.start >= s.end) {
            kept.push_back(old);
            continue;
        }
        if (old.start < s.start) {
            Segment head = old;
            head.end = s.start;
            kept.push_back(head);
        }
        if (old.end > s.end) {
            Segment tail = old;
            tail.tcStart = wrapFrames(old.tcStart + static_cast<std::int64_t>(std::floor(
                                                        (s.end - old.start) * FramesPerSecond)));
            tail.start = s.end;
            kept.push_back(tail);
        }
    }
    if (s.end > s.start) kept.push_back(s);
    std::sort(kept.begin(), kept.end(),
              [](const Segment& a, const Segment& b) { return a.start < b.start; });
    segments = std::move(kept);
}

std::vector<Tape> standardLibrary() {
    auto prerecorded = [](std::string name, TapeKind kind, int format, double minutes) {
        Tape t;
        t.name = std::move(name);
        t.kind = kind;
        t.format = format;
        t.mark = true;
        t.length = minutes * 60;
        Segment s;
        s.start = 0;
        s.end = t.length;
        s.reference = true;
        s.fmt = format;
        t.segments.push_back(s);
        return t;
    };
    std::vector<Tape> out;
    out.push_back(prerecorded("HDLP MASTER", TapeKind::Master, 7, 30));
    out.push_back(prerecorded("DV MASTER", TapeKind::Master, 1, 30));
    out.push_back(prerecorded("25M MASTER", TapeKind::Master, 0, 30));
    out.push_back(prerecorded("50M CHECK", TapeKind::Check, 2, 30));
    out.push_back(prerecorded("HDSP CHECK", TapeKind::Check, 3, 30));
    Tape blank;
    blank.name = "BLANK";
    blank.kind = TapeKind::Blank;
    blank.format = 7;
    blank.mark = false;
    blank.length = 64 * 60;
    out.push_back(blank);
    return out;
}

}  // namespace rf::sim

#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/tape.h"

namespace rf::sim {

using Micros = std::chrono::microseconds;

enum class Mode { Empty, Loading, Stop, StandbyOff, Play, Rec, FF, Rew, Search };

// Tape speeds in tape seconds per second.
inline constexpr double PlaySpeed = 1.0;
inline constexpr double ShuttleSpeed = 30.0;
// Threading a tape after insertion, and the changer's time to offer the next.
inline constexpr double LoadSeconds = 2.0;
inline constexpr double ChangeSeconds = 3.0;
// The recorder knows the remaining tape once the tape has run this long.
inline constexpr double RemainLearnSeconds = 2.0;

// The tape transport: the tape library, the tape in the recorder, its mode and
// position, the time-code generator and the search. Time only moves forward;
// every call first brings the transport up to `now`.
class Transport {
  public:
    explicit Transport(std::vector<Tape> library);

    // Recording needs the settings the heads record with right now.
    using SettingsSource = std::function<Segment()>;
    void setSettingsSource(SettingsSource source) { settings_ = std::move(source); }

    void advance(Micros now);

    // Front panel.
    bool insert(const std::string& name, Micros now);
    void insertIndex(std::size_t index, Micros now);
    // With the changer on and no tape in, the next tape of the library follows.
    void setAutoChanger(bool on, Micros now);
    bool autoChanger() const { return autoChanger_; }
    // Puts the loaded tape this many seconds before its end.
    void windToEnd(double secondsLeft);

    // Commands; false when the recorder refuses (no tape, protected tape).
    bool play(Micros now);
    bool record(Micros now);
    bool stop(Micros now);
    bool fastForward(Micros now);
    bool rewind(Micros now);
    bool eject(Micros now);
    bool standby(bool on, Micros now);
    // Starts a search to a time code; false when the tape has none to go to.
    bool search(std::int64_t tc, Micros now);
    // A search reached its target (or gave up) at this time: reported once.
    std::optional<std::pair<Micros, bool>> takeSearchResult(Micros now);
    std::optional<Micros> nextSearchEnd() const;

    // A change of the record settings or the generator during a recording
    // starts a new recorded segment.
    void splitRecording(Micros now);

    Mode mode() const { return mode_; }
    const Tape* tape() const { return loaded_ ? &library_[*loaded_] : nullptr; }
    const std::vector<Tape>& library() const { return library_; }
    double position() const;
    std::string statusCode() const;

    // Time-code generator.
    void presetGenerator(std::int64_t frames, Micros now);
    std::int64_t generator(Micros now) const;
    void setGeneratorStuck(bool stuck) { generatorStuck_ = stuck; }
    // What the time-code reader shows: the generator while recording, the
    // tape's code while on recorded tape, else the last code read.
    std::int64_t readerTimecode(Micros now);

    // Remaining tape, once the recorder has learnt it.
    std::optional<double> remaining() const;
    void setRemainUnknown(bool stuck) { remainStuck_ = stuck; }

  private:
    Tape* current() { return loaded_ ? &library_[*loaded_] : nullptr; }
    double speed() const;
    void closeRecording();
    void openRecording(Micros now);
    void finishEject(Micros now);

    std::vector<Tape> library_;
    std::optional<std::size_t> loaded_;
    std::size_t nextOffer_ = 0;
    Mode mode_ = Mode::Empty;
    Micros last_{0};
    Micros modeSince_{0};
    bool standbyOn_ = true;
    bool autoChanger_ = false;
    std::optional<Micros> changeAt_;
    double moved_ = 0;  // seconds the tape has run since it was loaded
    bool remainStuck_ = false;

    std::optional<Segment> recording_;
    SettingsSource settings_;

    std::int64_t presetFrames_ = 0;
    Micros presetAt_{0};
    bool generatorStuck_ = false;
    std::int64_t lastRead_ = 0;

    double searchTarget_ = 0;
    std::optional<std::pair<Micros, bool>> searchDone_;
};

}  // namespace rf::sim

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
// The drum spins up from standby off in this time; PLAY and REC take the
// servos this long to lock, and STOP, FF and REW this long to take over.
inline constexpr double SpinUpSeconds = 3.0;
inline constexpr double LockSeconds = 0.8;
inline constexpr double ChangeOverSeconds = 0.3;
// The playback head reads the tape this many seconds of tape behind the
// record head: a new recording reaches it that much later.
inline constexpr double ConfidenceDelaySeconds = 1.5;

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
    // What lies on the tape `behind` seconds of tape before the head,
    // including the recording being made.
    const Segment* segmentBehind(double behind) const;

    // The mode the transport is in; a commanded change takes over later.
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

    // Seconds the tape has run past the turning drum (PLAY, REC, FF, REW and
    // searching), whatever tape was in: what the drum hours meter counts.
    double runningSeconds() const { return running_; }

    // Remaining tape, once the recorder has learnt it.
    std::optional<double> remaining() const;
    void setRemainUnknown(bool stuck) { remainStuck_ = stuck; }

  private:
    Tape* current() { return loaded_ ? &library_[*loaded_] : nullptr; }
    double speed() const;
    void closeRecording();
    void openRecording(Micros now);
    // Commands a mode, reached after the change-over (and the drum's spin-up).
    bool change(Mode target, Micros now);
    void enter(Mode target, Micros at);
    // Where the search for a time code goes: the nearest place with it in the
    // direction the time code under the head says.
    std::pair<double, bool> searchGoal(std::int64_t tc) const;

    std::vector<Tape> library_;
    std::optional<std::size_t> loaded_;
    std::size_t nextOffer_ = 0;
    Mode mode_ = Mode::Empty;
    Micros last_{0};
    Micros modeSince_{0};
    bool standbyOn_ = true;
    std::optional<Micros> drumReady_;  // nothing while the drum stands
    std::optional<std::pair<Mode, Micros>> pending_;
    bool autoChanger_ = false;
    std::optional<Micros> changeAt_;
    double moved_ = 0;    // seconds the tape has run since it was loaded
    double running_ = 0;  // seconds of running tape since the start
    bool remainStuck_ = false;

    std::optional<Segment> recording_;
    SettingsSource settings_;

    std::int64_t presetFrames_ = 0;
    Micros presetAt_{0};
    bool generatorStuck_ = false;
    std::int64_t lastRead_ = 0;

    double searchTarget_ = 0;
    bool searchFound_ = false;
    std::optional<std::pair<Micros, bool>> searchDone_;
};

}  // namespace rf::sim

#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "sim/faults.h"
#include "sim/rng.h"
#include "sim/signal_model.h"
#include "sim/transport.h"

namespace rf::sim {

struct RecorderConfig {
    std::string id = "QT7310";               // what "QID" answers
    std::string sysconVersion = "V2.10.00";  // "$SQ", nine characters (padded)
    std::string induce = "   ";              // "$DQ"; three blanks: no code set
    std::uint64_t seed = 1;                  // the hidden truth of the heads and the noise
    int baud = 9600;                         // line time of every character
    bool autoChanger = false;                // insert the next tape after an eject
    // The drum hours meter at the start ("QHR"), in whole hours. The heads'
    // wear counts from here: at these hours they are as the seed made them.
    int drumHours = 123400;
    std::vector<Tape> library = standardLibrary();
};

// The recorder built into the tool (the "SIM" port, the demo and the
// screenshots): it has its induce code, and the automatic tape changer is on.
inline RecorderConfig builtInRecorderConfig() {
    return {.induce = "DMO", .autoChanger = true};
}

// What the recorder puts on the line: bytes arriving at `at`, or (event != 0)
// a communication event of the port at `at`.
struct Output {
    Micros at;
    std::string bytes;
    int event = 0;
};

// The stored adjustment data of one block.
using LevelItems = std::array<std::int16_t, 29>;
using RecItems = std::array<std::int16_t, 4>;

// A model of the recorder: bytes in with the time they arrive, bytes out with
// the time they are sent. Pure and deterministic: no threads, no clocks, no
// sleeping; the front ends bring the time.
class Recorder {
  public:
    explicit Recorder(RecorderConfig config = {});

    // Bytes from the tool, complete at `now`. Returns what the recorder sends.
    std::vector<Output> input(std::string_view bytes, Micros now);
    // Unsolicited messages due by `now` (a finished search).
    std::vector<Output> poll(Micros now);
    // When poll() will next have something to say.
    std::optional<Micros> nextWake() const;

    // Front panel.
    bool insert(const std::string& tapeName, Micros now);
    void eject(Micros now);
    void setRemote(bool remote) { remote_ = remote; }
    bool remote() const { return remote_; }
    void setId(std::string id) { config_.id = std::move(id); }
    const std::string& id() const { return config_.id; }
    // The induce code, kept as "$DI" keeps it: three characters, blanks after a shorter one.
    void setInduce(const std::string& code) { induce_ = (code + "   ").substr(0, 3); }
    void setAutoChanger(bool on, Micros now);
    // Ages the recorder by `hours` of tape running, as between two visits.
    void ageBy(int hours) { agedHours_ += std::max(hours, 0); }
    // The drum hours meter: the starting hours, the hours of running tape
    // since and the hours it was aged by.
    double drumHours(Micros now);
    // The age of the heads (whole hours beyond the starting drum hours), the
    // age every measurement is made at.
    int wearAge(Micros now);
    // A communication event on the line at `now` (break, framing, overrun, parity).
    Output commEvent(int event, Micros now) const { return {now + Micros{1000}, {}, event}; }

    Faults& faults() { return faults_; }
    Transport& transport() { return transport_; }
    const SignalModel& signal() const { return signal_; }
    const std::string& induce() const { return induce_; }

    // The stored values of a block in an area (0 "User": the values the heads
    // work with; 1 "Default": the recorder's stored values).
    LevelItems& levelBlock(int area, int fmt, int rpm, int cate, int kind, int ch);
    RecItems& recValues(int area, int fmt, int rpm, int kind, int ch);
    // Settings the record heads of a channel work with now.
    RecSetting headSetting(int fmt, int rpm, int ch, int head);

    bool adjustMode() const { return adjMode_; }
    // The curve fault switched on, if any.
    CurveFault curveFault() const;
    // The damaged stretch of a tape ("damage"): its name, first and last second.
    struct Damage {
        std::string tape;
        double from = 0, to = 0;
    };
    const std::optional<Damage>& damage() const { return damage_; }
    // Time the given number of characters take on the line.
    Micros lineTime(std::size_t characters) const;
    std::string status(Micros now);

  private:
    using Key = std::tuple<int, int, int, int, int, int>;
    std::string dispatch(const std::string& code, const std::string& params, Micros now);
    std::string levelReply(const std::string& code, const std::string& params);
    std::string levelWrite(const std::string& code, const std::string& params, Micros now);
    std::string recReply(const std::string& params);
    std::string recWrite(const std::string& params, Micros now);
    std::string adjRun(const std::string& params, Micros now);
    std::string errorRates(const std::string& params, Micros now);
    std::string transportCommand(const std::string& code, Micros now);
    std::string search(const std::string& params, Micros now);
    int levelOf(int ch, int head, Micros now);
    double errExponent(int group, int ch, int head, int age);
    std::pair<int, int> modeHeads() const;  // head category and kind of the mode digit
    // The heads that play what is under them now: the record/playback heads
    // for the recorder's own recording, else those of the mode digit.
    std::pair<int, int> playingHeads();
    const Segment* underHeads();  // the recording under the playback heads
    void noteDamage();
    bool damaged();
    int runningFmt() const;
    int runningRpm() const;
    Segment recordingSettings();
    std::vector<Output> frame(std::string reply, Micros now, std::size_t inputLength);

    RecorderConfig config_;
    SignalModel signal_;
    Transport transport_;
    Faults faults_;
    Rng noise_;
    bool remote_ = true;
    std::string induce_;
    std::string partial_;
    bool adjMode_ = false;
    int selFmt_ = 7, selRpm_ = 2, area_ = 0;
    std::string rmParam_ = "000000000";
    std::optional<int> band_;
    int adjustRuns_ = 0;
    std::int64_t agedHours_ = 0;
    std::map<Key, LevelItems> levels_;
    std::map<Key, LevelItems> eqBlocks_;
    std::map<Key, RecItems> recs_;
    std::optional<Damage> damage_;
};

}  // namespace rf::sim

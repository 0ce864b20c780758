#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rf::history {

// A run as the records store keeps it: who the recorder is, where and by whom
// it was worked on, and what the run found, did and measured. Every run the
// tool ends is one of these; the History window and the predictions read them
// back in time order. Plain values only, filled from the run's result
// structures when it ends.

// The heads, by the names the tool gives them everywhere.
inline constexpr std::array<std::string_view, 4> Heads{"L1", "L2", "R1", "R2"};
// A row that belongs to a channel rather than to one of its heads names the
// channel; a row of the whole block names none ("").
inline constexpr std::array<std::string_view, 2> Channels{"L", "R"};

// The programmes a run can be of.
inline constexpr std::array<std::string_view, 7> Programmes{
    "Adjust",          "Error Rate", "Data DownLoad", "Data UpLoad",
    "Data Initialize", "File Save",  "File Load"};

// The recorder as the connection check read it. The store knows a recorder by
// its VtrName (model, induce code and serial number: "QT7310XYZ_SN1").
struct RecorderIdentity {
    std::string model;          // VtrId, "QT7310"
    std::string vtrName;        // VtrName
    std::string induce;         // VtrInduce
    std::string serialNo;       // VtrSerialNo
    std::string sysconVersion;  // SysconVer
    friend bool operator==(const RecorderIdentity&, const RecorderIdentity&) = default;
};

// A value of a block as found at the start and as left at the end; either is
// missing when it was not known (a block whose values could not be read).
struct ValueRow {
    std::string block;  // "MAGVEX HDLP,18000rpm,REC"
    std::string item;   // "record current head 1", "VCO", "item 12"
    std::string head;   // a head, a channel or ""
    std::optional<int> found, left;
    friend bool operator==(const ValueRow&, const ValueRow&) = default;
};

enum class RateVerdict {
    Pass,         // at or below its limit
    Fail,         // above it
    NotMeasured,  // no value
    NoLimit,      // a value whose limit is not known (an imported row of an unnamed block)
};

// An error rate (the exponent) against its limit.
struct RateRow {
    std::string block;
    std::string measurement;  // "Master VIDEO", "Self AUDIO1", "Conf VIDEO", ...
    std::string head;
    std::optional<float> value;  // none when not measured
    std::optional<float> limit;
    RateVerdict verdict = RateVerdict::NotMeasured;
    friend bool operator==(const RateRow&, const RateRow&) = default;
};

// A LevelRate ratio of a head (its own recording against the master) and the
// bounds it is held within.
struct LevelRateRow {
    std::string block;
    std::string head;
    float ratio = 0, low = 0, high = 0;
    friend bool operator==(const LevelRateRow&, const LevelRateRow&) = default;
};

enum class SweepQuantity { Current, Frequency };

// One head's record sweep: the offset and the level measured at each point,
// and the offset chosen when one was.
struct SweepRow {
    std::string block;
    std::string head;
    SweepQuantity quantity = SweepQuantity::Current;
    std::vector<int> offsets;
    std::vector<float> levels;
    std::optional<int> chosen;
    friend bool operator==(const SweepRow&, const SweepRow&) = default;
};

// How the run ended, as the report's "Run" row says it.
enum class Outcome { Completed, Stopped, Incomplete };

struct RunRecord {
    // Unique for every run (newRunId()); the store keeps a run once however
    // often it is sent.
    std::string runId;
    RecorderIdentity recorder;
    std::string bench;             // the host name of the PC the run was made on
    std::string operatorSerial;    // the operator's answer to the serial-number question
    std::string toolVersion;       // "2.1"
    std::string dateTime;          // when the run started, "2026-12-08T14:30:12"
    std::optional<int> drumHours;  // as read at the end
    std::string programme;         // one of Programmes
    std::vector<std::string> blocks;
    std::vector<ValueRow> values;
    std::vector<RateRow> rates;
    std::vector<LevelRateRow> levelRates;
    std::vector<SweepRow> sweeps;
    Outcome outcome = Outcome::Completed;
    std::string outcomeReason;  // why an incomplete run did not reach its end
    std::string verdictLine;    // Verdict::line()
    friend bool operator==(const RunRecord&, const RunRecord&) = default;
};

// The names of the items of a value row: a playback level block's items
// ("VCO" for item 9, "EQ high 1" to "EQ high 6" and "EQ low 1" to "EQ low 6"
// for the taps, "item 4" for the others), and a record block's ("record
// current" for items 0 and 1, "record frequency" for 2 and 3; the head tells
// head 1 from head 2).
std::string levelItemName(int item);
std::string recordItemName(int item);

// A fresh run id: a random (version 4) UUID, "1b4e28ba-2fa1-41d2-883f-0016d3cca427".
std::string newRunId();

// Why the run cannot be stored as it stands, "" when it can: an empty run id
// or VtrName, a date that is not "YYYY-MM-DDTHH:MM:SS", an unknown programme,
// a head that is none of the heads or channels, a sweep whose offsets and
// levels differ in number, a line break in a name.
std::string problemOf(const RunRecord& run);

// The words the store keeps for the enumerations, and back (none for a word
// that is not one of them).
std::string_view textOf(RateVerdict verdict);
std::string_view textOf(SweepQuantity quantity);
std::string_view textOf(Outcome outcome);
std::optional<RateVerdict> rateVerdictOf(std::string_view text);
std::optional<SweepQuantity> sweepQuantityOf(std::string_view text);
std::optional<Outcome> outcomeOf(std::string_view text);

}  // namespace rf::history

#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/block.h"
#include "core/table.h"

namespace rf {

// The kinds of error-rate measurement of an HDLP block: its check tape played
// back, and (record blocks) its own recording played back (self) and read
// while recording (conf).
namespace meas {
inline constexpr int Playback = 0;
inline constexpr int Self = 3;
inline constexpr int Conf = 6;
}  // namespace meas

// The value every error rate starts from (DataInit) and keeps until it is
// measured: no reading gives it (the worst panel step is -1.9). Files keep it
// as it is; the windows and the report show it as not measured.
inline constexpr float NotMeasured = -1.5f;
inline constexpr bool measured(float rate) {
    return rate != NotMeasured;
}

// The limits the error rates are held to: a four-channel format's channels;
// the HDLP record/playback heads on the master tape and while recording; the
// HDLP playback heads, and a recording played back.
inline constexpr float FourChannelLimit = -4.3f;
inline constexpr float RecPlayHeadLimit = -3.1f;
inline constexpr float PlaybackHeadLimit = -4.1f;

// The limit of a kept row of error rates (KeptRates).
inline constexpr float rateLimit(int fmt, int cate, int measurement) {
    if (fmt != fmt::HdLp) return FourChannelLimit;
    if (measurement == meas::Conf) return RecPlayHeadLimit;
    if (measurement == meas::Self) return PlaybackHeadLimit;
    return cate == cate::RecPlay ? RecPlayHeadLimit : PlaybackHeadLimit;
}

// The head a reading of a row comes from, by its place in the recorder's
// four fields. A four-channel format reads AL, AR, VL, VR: heads L1, R1, L2,
// R2. HDLP playback reads L1, L2, R1, R2; a recording is read L1, L2, R2, R1.
inline constexpr const char* headOfField(int fmt, int measurement, int field) {
    constexpr const char* fourChannel[] = {"L1", "R1", "L2", "R2"};
    constexpr const char* playback[] = {"L1", "L2", "R1", "R2"};
    constexpr const char* recording[] = {"L1", "L2", "R2", "R1"};
    if (field < 0 || field > 3) return "";
    if (fmt != fmt::HdLp) return fourChannel[field];
    return measurement == meas::Playback ? playback[field] : recording[field];
}

// The place among the recorder's four fields of head `head` (0 L1, 1 L2,
// 2 R1, 3 R2): the inverse of headOfField.
inline constexpr int fieldOfHead(int fmt, int measurement, int head) {
    constexpr const char* names[] = {"L1", "L2", "R1", "R2"};
    for (int field = 0; field < 4; ++field)
        if (std::string_view(headOfField(fmt, measurement, field)) == names[head]) return field;
    return head;
}

// A row of error rates a run measured and kept in the results: for a
// four-channel format ErrResOt(fmt, field, measurement) with category and kind
// 0, for HDLP ErrResLp(fmt, cate, kind, group, field, measurement). A
// recording's rows are kept as category 1, kind 0.
struct KeptRates {
    int fmt = 0, cate = 0, kind = 0, measurement = 0;
    friend bool operator==(const KeptRates&, const KeptRates&) = default;
};

// Error-rate exponents of HDLP blocks: (format, category, kind, group, head,
// measurement kind).
using ErrLpTable = Table<float, 9, 3, 5, 4, 5, 8>;
// Error-rate exponents of the four-channel formats: (format, channel, kind).
using ErrOtTable = Table<float, 9, 5, 8>;

// The error rates: the last reading and its panel steps, every measurement's
// exponents as read and as judged, and the panel's group.
struct ErrorRates {
    std::array<float, 12> SRealErr{};
    std::array<int, 4> ErrRateStep{};
    std::array<std::string, 4> ErrRateText;
    std::array<int, 13> ErrDspStep{};
    ErrLpTable RealErrLp, ErrResLp;
    ErrOtTable RealErrOt, ErrResOt;
    int ErrSelNo = 0;
    int ErrRateRetry = 0;
    bool ErrRateBad = false;
    // The rows the run in progress, or the last one, kept: emptied at START.
    std::vector<KeptRates> keptThisRun;
};

struct AdjustmentTables;
// The data a session starts from: the read and adjusted tables from the
// defaults, every error rate NotMeasured, nothing downloaded or loaded.
void DataInit(AdjustmentTables& tables, ErrorRates& rates);

}  // namespace rf

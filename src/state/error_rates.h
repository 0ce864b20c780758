#pragma once

#include <array>
#include <string>

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
};

struct AdjustmentTables;
// The data a session starts from: the read and adjusted tables from the
// defaults, every error rate unmeasured (-1.5), nothing downloaded or loaded.
void DataInit(AdjustmentTables& tables, ErrorRates& rates);

}  // namespace rf

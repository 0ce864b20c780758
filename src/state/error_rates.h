#pragma once

#include <array>
#include <string>

#include "core/table.h"

namespace rf {

// Error-rate exponents of HDLP blocks: (format, category, kind, group, head,
// measurement kind 0 playback / 3 self / 6 conf).
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

}  // namespace rf

#pragma once

#include "core/table.h"

namespace rf::measure {

// Error-rate exponents of repeated readings: (sample 0-10, channel 0-11).
// Samples 1 to the count are used; sample 0 is never used.
using Samples = Table<float, 11, 12>;

// The exponent of an error-rate step as the recorder reports it: step 0 is
// 10^-5.5, each step 0.2 more, step 18 is 10^-1.9.
float exponentOfStep(int step);

// One exponent for the samples 1 to `count` of `channel`: the largest and the
// smallest sample are left out and the rest averaged as error rates (powers
// of ten), not as exponents, so one bad burst weighs as much as it costs.
// Raises 11 for a count of 2, 5 when nothing positive is left to take the
// logarithm of, 9 for a count or channel past the table.
float CaluErrRate(const Samples& samples, int channel, int count);

}  // namespace rf::measure

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "error_of.h"
#include "measure/err_rate_calc.h"

namespace rf::measure {
namespace {

using rf::test::errorOf;

TEST(ExponentOfStep, EachStepIsTheSingleNearestItsDecimalExponent) {
    // Float literals are the singles nearest their decimal values; step 18
    // must compare equal to -1.9f, not one bit away from it.
    const float exponents[] = {-5.5f, -5.3f, -5.1f, -4.9f, -4.7f, -4.5f, -4.3f, -4.1f, -3.9f, -3.7f,
                               -3.5f, -3.3f, -3.1f, -2.9f, -2.7f, -2.5f, -2.3f, -2.1f, -1.9f};
    for (int step = 0; step <= 18; ++step)
        EXPECT_EQ(exponentOfStep(step), exponents[step]) << step;
}

// Samples of channel 5 from sample 1 on; the other channels and sample 0 hold
// values that would show if they were read.
Samples channel5(const std::vector<float>& values) {
    Samples s;
    s.fill(-0.5f);
    for (std::size_t i = 0; i < values.size(); ++i)
        s(static_cast<int>(i + 1), 5) = values[i];
    s(0, 5) = -0.5f;
    return s;
}

TEST(CaluErrRate, LeavesOutTheLargestAndSmallestAndAveragesTheRestAsRates) {
    struct Case {
        const char* what;
        std::vector<float> samples;
        int count;
        float expected;
        int error = 0;
        int channel = 5;
    };
    const std::vector<Case> cases = {
        {"all equal", {-3, -3, -3, -3, -3, -3, -3, -3}, 8, -3.0f},
        {"one burst is left out", {-4, -4, -4, -2, -4, -4, -4, -4}, 8, -4.0f},
        {"the extremes of the step range are left out",
         {-4, -1.9f, -4, -4, -5.5f, -4, -4, -4},
         8,
         -4.0f},
        // 2e-3 and 4e-5 over six: the rates are averaged, not the exponents
        // (whose mean would be -4.33).
        {"a power mean", {-3, -2, -5, -5, -3, -5, -5.5f, -5}, 8, std::log10(0.00204f / 6)},
        // Nine samples, as the four-channel measurement takes them; only the
        // samples up to the count are read.
        {"count 9 of 10", {-3, -3, -3, -3, -3, -3, -3, -3, -3, -1}, 9, -3.0f},
        {"count 10", {-3, -3, -3, -3, -3, -3, -3, -3, -3, -3}, 10, -3.0f},
        {"three samples keep the middle one", {-2.1f, -3.7f, -5.1f}, 3, -3.7f},
        {"two samples", {-3, -3}, 2, 0, err::DivisionByZero},
        // Below the step range the starting largest value (10^-5.5) is left out
        // although no sample had it, and nothing positive remains.
        {"samples below the step range", {-10, -10, -10}, 3, 0, err::InvalidCall},
        {"count past the table", std::vector<float>(10, -3), 11, 0, err::SubscriptOutOfRange},
        {"channel past the table", {-3, -3, -3}, 3, 0, err::SubscriptOutOfRange, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        float rate = 0;
        EXPECT_EQ(errorOf([&] { rate = CaluErrRate(channel5(c.samples), c.channel, c.count); }),
                  c.error);
        EXPECT_FLOAT_EQ(rate, c.expected);
    }
}

}  // namespace
}  // namespace rf::measure

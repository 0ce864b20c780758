#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "error_of.h"
#include "measure/err_rate_calc.h"

namespace rf::measure {
namespace {

using rf::test::errorOf;

TEST(ExponentOfStep, RunsFromMinus5Point5InStepsOfAFifth) {
    EXPECT_EQ(exponentOfStep(0), -5.5f);
    EXPECT_FLOAT_EQ(exponentOfStep(1), -5.3f);
    EXPECT_FLOAT_EQ(exponentOfStep(9), -3.7f);
    EXPECT_FLOAT_EQ(exponentOfStep(18), -1.9f);
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FLOAT_EQ(CaluErrRate(channel5(c.samples), 5, c.count), c.expected);
    }
}

TEST(CaluErrRate, RaisesWhenNothingIsLeftToAverage) {
    struct Case {
        const char* what;
        std::vector<float> samples;
        int channel;
        int count;
        int error;
    };
    const std::vector<Case> cases = {
        {"two samples", {-3, -3}, 5, 2, err::DivisionByZero},
        // Below the step range the starting largest value (10^-5.5) is left out
        // although no sample had it, and nothing positive remains.
        {"samples below the step range", {-10, -10, -10}, 5, 3, err::InvalidCall},
        {"count past the table", std::vector<float>(10, -3), 5, 11, err::SubscriptOutOfRange},
        {"channel past the table", {-3, -3, -3}, 12, 3, err::SubscriptOutOfRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(errorOf([&] { CaluErrRate(channel5(c.samples), c.channel, c.count); }), c.error);
    }
}

}  // namespace
}  // namespace rf::measure

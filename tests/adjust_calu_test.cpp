#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "adjust/calc/calu_prg.h"
#include "platform/virtual/virtual_platform.h"

namespace rf::adjust {

// gtest shows a result as what the caller sees of it.
void PrintTo(const PointResult& r, std::ostream* os) {
    if (r.value)
        *os << "value " << *r.value;
    else
        *os << (r.retry ? "retry" : "stopped");
}

namespace {

using platform::Answer;

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RfError& e) {
        return e.number();
    }
    return 0;
}

// One sweep of a setting: the levels of one series in a table whose other
// series hold a decoy curve, and the settings 100, 110, 120, ... (point i has
// setting 100 + 10 i).
struct Sweep {
    Levels levels;
    Settings settings{};
    int series = 4;
    int count = 0;

    Sweep() {
        for (std::size_t i = 0; i < settings.size(); ++i)
            settings[i] = static_cast<std::int16_t>(100 + 10 * i);
        for (int i = 0; i <= 30; ++i)
            levels(i, series - 1) = static_cast<float>(i % 2) * 1000;
    }

    // Levels of points 1, 2, ... as given.
    static Sweep ofLevels(const std::vector<float>& raw) {
        Sweep s;
        s.count = static_cast<int>(raw.size());
        for (int i = 1; i <= s.count; ++i)
            s.levels(i, s.series) = raw[static_cast<std::size_t>(i - 1)];
        return s;
    }

    // Levels whose three-point smoothing has the given values at points 2, 3,
    // ...; the count is two more than the values given. Whole numbers stay
    // exact through the smoothing, so against a reference of 10 or 100 the
    // normalised curve holds exactly the float nearest to value / reference.
    static Sweep smoothedAs(const std::vector<float>& smoothed) {
        Sweep s;
        s.count = static_cast<int>(smoothed.size()) + 2;
        // Points 1 and 2 both take the first value; each further level is then
        // fixed by the smoothed value of the point before it.
        s.levels(1, s.series) = s.levels(2, s.series) = smoothed.front();
        for (int i = 2; i <= s.count - 1; ++i)
            s.levels(i + 1, s.series) = 3 * smoothed[static_cast<std::size_t>(i - 2)] -
                                        s.levels(i - 1, s.series) - s.levels(i, s.series);
        return s;
    }
};

struct Rig {
    platform::virt::VirtualPlatform platform;
    Shared shared;
    platform::virt::ScriptedDialogs& dialogs() { return platform.dialogs(); }
    PointResult find5(const Sweep& s, float reference) {
        return Calu5dBPoint(s.levels, s.settings, s.series, s.count, reference, shared,
                            platform.dialogs());
    }
    PointResult find2p5(const Sweep& s, float reference) {
        return Calu2p5dBPoint(s.levels, s.settings, s.series, s.count, reference, shared,
                              platform.dialogs());
    }
};

struct PointCase {
    const char* what;
    std::vector<float> smoothed;                         // at points 2, 3, ...
    std::vector<std::pair<int, std::int16_t>> settings;  // changed from 100 + 10 i
    int expected;
};

TEST(Calu5dBPoint, InterpolatesTheSettingWhereTheCurveFirstRisesThroughFourTenths) {
    std::vector<float> longest(27, 0.0f);  // points 2 to 28 ...
    longest.push_back(8);                  // ... and 29: 30 points in all
    const std::vector<PointCase> cases = {
        {"N(4) 0.3, N(5) 0.5, settings 140 and 150: halfway is 145", {3, 3, 3, 5, 5}, {}, 17},
        {"halfway between 140 and 141 rounds to the even 140", {3, 3, 3, 5, 5}, {{5, 141}}, 12},
        // 141.5 exactly with the threshold as the float 0.4f; the double 0.4
        // would give 141.49999997 and round down.
        {"halfway between 141 and 142 rounds to the even 142",
         {3, 3, 3, 5, 5},
         {{4, 141}, {5, 142}},
         14},
        // From 0 to 0.8: exactly 106.5 in double, 106.500008 in float.
        {"the interpolation is done in double", {0, 0, 0, 8, 8}, {{4, 104}, {5, 109}}, -22},
        {"a point level with the threshold counts as below it (0.4f <= 0.4f)",
         {4, 6, 2, 2, 8},
         {},
         120 - 128},
        {"the first of two rises", {2, 6, 6, 2, 2, 6}, {}, 125 - 128},
        {"a fall is passed over for the rise after it", {8, 2, 2, 6}, {}, 145 - 128},
        {"the longest sweep (30 points) rising at the last pair searched", longest, {}, 385 - 128},
        {"a four-point sweep has one place to look", {2, 6}, {}, 125 - 128},
        {"negative settings", {3, 3, 3, 5, 5}, {{4, -140}, {5, -150}}, -145 - 128},
    };
    for (const PointCase& c : cases) {
        SCOPED_TRACE(c.what);
        Sweep s = Sweep::smoothedAs(c.smoothed);
        for (auto [point, setting] : c.settings)
            s.settings[static_cast<std::size_t>(point)] = setting;
        Rig rig;
        EXPECT_EQ(rig.find5(s, 10.0f), PointResult{static_cast<std::int16_t>(c.expected)});
        EXPECT_TRUE(rig.dialogs().shown().empty());
        EXPECT_FALSE(rig.shared.StopReq);
    }
}

TEST(Calu5dBPoint, SmoothsOverThreePointsAndScalesByTheReference) {
    // A one-point spike to 0.9 of the reference is a rise to 0.3 once smoothed;
    // the real rise comes at points 8 and 9 (0.3 to 0.6).
    const Sweep s = Sweep::ofLevels({0, 0, 0, 9, 0, 0, 0, 0, 9, 9, 9});
    Rig rig;
    // 180 * 2/3 + 190 * 1/3 = 183.3
    EXPECT_EQ(rig.find5(s, 10.0f), PointResult{183 - 128});
    // Against half the reference the smoothed spike (0.6) is already the crossing:
    // 120 at 0, 130 at 0.6 of the reference -> 120 + 10 * 0.4 / 0.6.
    EXPECT_EQ(rig.find5(s, 5.0f), PointResult{127 - 128});
}

TEST(Calu5dBPoint, WithoutACrossingTheOperatorChoosesBetweenSweepingAgainAndStopping) {
    struct Case {
        const char* what;
        std::vector<float> smoothed;
        Answer answer;
        PointResult expected;
        bool stopReq;
    };
    const std::vector<Case> cases = {
        {"falls only, Retry", {8, 6, 4, 2, 2}, Answer::Retry, {std::nullopt, true}, false},
        {"falls only, Abort", {8, 6, 4, 2, 2}, Answer::Abort, {}, true},
        {"falls only, Ignore", {8, 6, 4, 2, 2}, Answer::Ignore, {}, true},
        {"stays at the threshold", {4, 4, 4, 4}, Answer::Abort, {}, true},
        {"stays above it", {5, 8, 5, 8}, Answer::Ignore, {}, true},
        // Three points leave one smoothed point and no pair to compare.
        {"a three-point sweep", {9}, Answer::Retry, {std::nullopt, true}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.dialogs().expectMsgBox("-5dB Point not Found !!", c.answer);
        EXPECT_EQ(rig.find5(Sweep::smoothedAs(c.smoothed), 10.0f), c.expected);
        EXPECT_EQ(rig.shared.StopReq, c.stopReq);
        EXPECT_EQ(rig.shared.MsgAnswer, static_cast<int>(c.answer));
        ASSERT_EQ(rig.dialogs().shown().size(), 1u);
        const auto& box = rig.dialogs().shown().front();
        EXPECT_EQ(box.title, "ERROR Message");
        EXPECT_EQ(box.buttons, platform::Buttons::AbortRetryIgnore);
        EXPECT_EQ(box.icon, platform::Icon::Critical);
    }
}

TEST(Calu2p5dBPoint, TriesTheThresholdsInTurnAndInterpolatesAtTheOneThatFound) {
    // Reference 100, so the smoothed values read as percent of it.
    const std::vector<PointCase> cases = {
        // 0.53 is crossed first (50 -> 56) but 0.59 (56 -> 62) is tried first.
        {"0.59 before 0.53", {50, 56, 62, 62}, {}, 135 - 128},
        // Each threshold is searched over the whole curve: the rise through 0.655
        // at points 2-3 does not beat the later rise through 0.59 at 5-6.
        {"0.59 anywhere before 0.655", {60, 70, 50, 50, 65}, {}, 156 - 128},
        // Never at or below 0.59; rises through 0.655 (62 -> 69) and 0.728 (69 -> 75).
        {"0.655 before 0.728", {60, 62, 69, 75, 80}, {}, 135 - 128},
        {"0.728 when the curve starts above 0.655", {70, 72, 80}, {}, 131 - 128},
        // Peaks at 0.58: only 0.53 is crossed, and the point is taken at 0.53
        // (at 0.59 the same pair would give 145).
        {"0.53 as the last resort", {40, 50, 56, 58}, {}, 135 - 128},
    };
    for (const PointCase& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        EXPECT_EQ(rig.find2p5(Sweep::smoothedAs(c.smoothed), 100.0f),
                  PointResult{static_cast<std::int16_t>(c.expected)});
        EXPECT_TRUE(rig.dialogs().shown().empty());
    }
}

TEST(Calu2p5dBPoint, ACurveThatRisesThroughNoneOfTheThresholdsIsReported) {
    for (const std::vector<float>& smoothed :
         {std::vector<float>{90, 80, 70, 60, 50, 40}, std::vector<float>{10, 20, 30, 52, 52},
          std::vector<float>{75, 80, 90, 95}}) {
        Rig rig;
        rig.dialogs().expectMsgBox("-2.5dB Point not Found !!", Answer::Retry);
        EXPECT_EQ(rig.find2p5(Sweep::smoothedAs(smoothed), 100.0f),
                  (PointResult{std::nullopt, true}));
        EXPECT_EQ(rig.shared.MsgAnswer, static_cast<int>(Answer::Retry));
        EXPECT_FALSE(rig.shared.StopReq);
    }
}

TEST(PointFinders, RaiseOnBadCountsSeriesReferencesAndResults) {
    struct Case {
        const char* what;
        std::function<void(Sweep&, float&)> change;
        int error;
    };
    const std::vector<Case> cases = {
        // The curve reads its level at point `count`, and the tables end at 30.
        {"count 31", [](Sweep& s, float&) { s.count = 31; }, err::SubscriptOutOfRange},
        {"count 32", [](Sweep& s, float&) { s.count = 32; }, err::SubscriptOutOfRange},
        {"series 9", [](Sweep& s, float&) { s.series = 9; }, err::SubscriptOutOfRange},
        {"reference 0", [](Sweep&, float& r) { r = 0.0f; }, err::DivisionByZero},
        // -32767 less 128 does not fit 16 bits; -32640 less 128 just does.
        {"result below 16 bits", [](Sweep& s, float&) { s.settings[4] = s.settings[5] = -32767; },
         err::Overflow},
        {"result at the 16-bit limit",
         [](Sweep& s, float&) { s.settings[4] = s.settings[5] = -32640; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool fine : {false, true}) {
            Sweep s = Sweep::smoothedAs({3, 3, 3, 5, 5});
            float reference = 10.0f;
            c.change(s, reference);
            Rig rig;
            PointResult r;
            // Scaled so that the -2.5 dB search finds the same pair at 0.59.
            const int error = errorOf([&] {
                r = fine ? rig.find2p5(s, reference * 0.4f / 0.59f) : rig.find5(s, reference);
            });
            EXPECT_EQ(error, c.error) << (fine ? "-2.5 dB" : "-5 dB");
            if (c.error == 0) {
                EXPECT_EQ(r.value, std::optional<std::int16_t>{-32768});
            }
        }
    }
}

TEST(CaluTrimAve, AveragesWithoutTheTwoLargestAndTheTwoSmallest) {
    struct Case {
        const char* what;
        std::vector<std::int16_t> readings;
        float expected;
    };
    const std::vector<Case> cases = {
        // Maxima 9 and 9 (equal readings both go), minima 1 and 3: (32 - 22) / 2.
        {"example", {1, 5, 5, 9, 9, 3}, 5.0f},
        {"all equal", {7, 7, 7, 7, 7, 7, 7}, 7.0f},
        {"not a whole number", {1, 2, 3, 4, 6, 9, 10}, 13.0f / 3.0f},
        {"one spike in fourteen",
         {500, 500, 500, 500, 500, 500, 500, 500, 500, 500, 500, 500, 500, 4000},
         500.0f},
        {"two outliers on each side",
         {500, 900, 500, 10, 500, 500, 500, 950, 500, 500, 20, 500, 500, 500},
         500.0f},
        {"three high outliers are one too many",
         {500, 500, 500, 500, 500, 500, 500, 500, 500, 500, 500, 900, 950, 990},
         540.0f},
        // Nothing is at or below 1024, so 1024 is left out twice: (12000 - 6048) / 2.
        {"readings above the minimum search's start",
         {2000, 2000, 2000, 2000, 2000, 2000},
         2976.0f},
        // Nothing is at or above 0, so 0 is left out twice: (-60 + 20) / 2.
        {"negative readings", {-10, -10, -10, -10, -10, -10}, -20.0f},
        // The readings total 64000; only the four left out are a 16-bit sum
        // (8000 + 8000 + 1024 + 1024).
        {"a total past 16 bits", {8000, 8000, 8000, 8000, 8000, 8000, 8000, 8000}, 11488.0f},
        {"the four left out at the 16-bit limit", {16384, 0, 16383, 0, 1}, 1.0f},
        {"thirty readings", std::vector<std::int16_t>(30, 3), 3.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Readings that must not be used: the neighbouring series, point 0 and
        // the points after the count.
        Readings r;
        for (int i = 0; i <= 30; ++i)
            r(i, 1) = r(i, 2) = r(i, 3) = 30000;
        for (std::size_t i = 0; i < c.readings.size(); ++i)
            r(static_cast<int>(i + 1), 2) = c.readings[i];
        EXPECT_FLOAT_EQ(CaluTrimAve(r, 2, static_cast<int>(c.readings.size())), c.expected);
    }
}

TEST(CaluTrimAve, RaisesWhenTooFewAreLeftOrTheFourLeftOutOverflow) {
    struct Case {
        const char* what;
        std::vector<std::int16_t> readings;
        int count;
        int series;
        int error;
    };
    const std::vector<Case> cases = {
        {"four readings", {1, 2, 3, 4}, 4, 0, err::DivisionByZero},
        {"no readings", {}, 0, 0, err::DivisionByZero},
        {"the four left out sum to 32768", {16384, 0, 16384, 0, 1}, 5, 0, err::Overflow},
        {"large and small", {-20000, -20000, 5, -20000, 6}, 5, 0, err::Overflow},
        // Each partial sum must fit: 20000 + 20000 overflows before the minima
        // (-10000 twice) would bring the total back to 20000.
        {"a partial sum", {20000, 20000, -10000, -10000, 0}, 5, 0, err::Overflow},
        {"count past the table", std::vector<std::int16_t>(30, 5), 31, 0, err::SubscriptOutOfRange},
        {"series past the table", {1, 2, 3, 4, 5}, 5, 5, err::SubscriptOutOfRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Readings r;
        for (std::size_t i = 0; i < c.readings.size(); ++i)
            r(static_cast<int>(i + 1), 0) = c.readings[i];
        EXPECT_EQ(errorOf([&] { CaluTrimAve(r, c.series, c.count); }), c.error);
    }
}

TEST(CaluTimeSec, ReadsEachFieldsLeadingNumberAndCountsPastNineHours) {
    struct Case {
        std::vector<std::string> fields;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {{"01", "02", "03"}, 3723},
        {{"23", "59", "59"}, 86399},
        {{"09", "06", "07"}, 32767},
        {{"09", "06", "08"}, 32768},  // past 16 bits
        {{"FF", "00", "05"}, 5},
        {{"", " ", "."}, 0},
        {{"-", "+", "-."}, 0},
        {{" 1", " +2", "-3"}, 3717},
        {{"12abc", "3:", "4.0"}, 43384},
        {{"\t2", "1 5", "0"}, 7260},  // a blank ends the number
        {{"0", "0", "2.5"}, 2},       // halves to even
        {{"0", "0", "3.5"}, 4},
        {{"0", "0", "1.2.3"}, 1},
        {{"0", "0", ".6"}, 1},
        {{"0", "1.5", "0"}, 90},
        {{"1", "2", "3", "99"}, 3723},  // further fields ignored
        {{"596523", "14", "7"}, 2147483647},
        {{"-596523", "-14", "-8"}, -2147483647 - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields[0] + "|" + c.fields[1] + "|" + c.fields[2]);
        EXPECT_EQ(CaluTimeSec(c.fields), c.expected);
    }
}

TEST(CaluTimeSec, RaisesPast32BitsAndWithoutThreeFields) {
    struct Case {
        std::vector<std::string> fields;
        int error;
    };
    const std::vector<Case> cases = {
        {{"596523", "14", "8"}, err::Overflow},
        {{"-596523", "-14", "-9"}, err::Overflow},
        {{std::string(400, '9'), "0", "0"}, err::Overflow},
        {{"1", "2"}, err::SubscriptOutOfRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields[0].substr(0, 10));
        EXPECT_EQ(errorOf([&] { CaluTimeSec(c.fields); }), c.error);
    }
}

}  // namespace
}  // namespace rf::adjust

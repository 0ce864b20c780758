#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "adjust/calc/calu_prg.h"
#include "link_fixture.h"
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

using linktest::errorOf;
using platform::Answer;

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
    // 141.5 exactly with the threshold as the float 0.4f; the double 0.4 would
    // give 141.49999997 and round down. From 0 to 0.8 at 104 and 109 is exactly
    // 106.5 in double, 106.500008 in float.
    const std::vector<PointCase> cases = {
        {"N(4) 0.3, N(5) 0.5 at 140 and 150: 145", {3, 3, 3, 5, 5}, {}, 17},
        {"halfway 140-141 rounds to even 140", {3, 3, 3, 5, 5}, {{5, 141}}, 12},
        {"halfway 141-142 rounds to even 142", {3, 3, 3, 5, 5}, {{4, 141}, {5, 142}}, 14},
        {"the interpolation is done in double", {0, 0, 0, 8, 8}, {{4, 104}, {5, 109}}, -22},
        {"a point at the threshold is below it", {4, 6, 2, 2, 8}, {}, 120 - 128},
        {"the first of two rises", {2, 6, 6, 2, 2, 6}, {}, 125 - 128},
        {"a fall is passed over for the rise after it", {8, 2, 2, 6}, {}, 145 - 128},
        {"30 points rising at the last pair searched", longest, {}, 385 - 128},
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
    // The curve reads its level at point `count`, and the tables end at 30.
    // -32767 less 128 does not fit 16 bits; -32640 less 128 just does.
    const std::vector<Case> cases = {
        {"count 31", [](Sweep& s, float&) { s.count = 31; }, err::SubscriptOutOfRange},
        {"count 32", [](Sweep& s, float&) { s.count = 32; }, err::SubscriptOutOfRange},
        {"series 9", [](Sweep& s, float&) { s.series = 9; }, err::SubscriptOutOfRange},
        {"reference 0", [](Sweep&, float& r) { r = 0.0f; }, err::DivisionByZero},
        {"past 16 bits", [](Sweep& s, float&) { s.settings[4] = s.settings[5] = -32767; },
         err::Overflow},
        {"at 16 bits", [](Sweep& s, float&) { s.settings[4] = s.settings[5] = -32640; }, 0},
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

// Readings written as "v v*n ...": v, then v n times.
std::vector<std::int16_t> readings(const std::string& text) {
    std::vector<std::int16_t> out;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        const auto star = word.find('*');
        const int n = star == std::string::npos ? 1 : std::stoi(word.substr(star + 1));
        out.insert(out.end(), static_cast<std::size_t>(n),
                   static_cast<std::int16_t>(std::stoi(word.substr(0, star))));
    }
    return out;
}

TEST(CaluTrimAve, AveragesWithoutTheTwoLargestAndTheTwoSmallest) {
    const std::vector<std::pair<std::string, float>> cases = {
        // Maxima 9 and 9 (equal readings both go), minima 1 and 3: (32 - 22) / 2.
        {"1 5 5 9 9 3", 5.0f},
        {"7*7", 7.0f},
        {"1 2 3 4 6 9 10", 13.0f / 3.0f},
        {"500*13 4000", 500.0f},                                // one spike
        {"500 900 500 10 500*3 950 500 500 20 500*3", 500.0f},  // two outliers each side
        {"500*11 900 950 990", 540.0f},                         // three high: one too many
        // Nothing is at or below 1024, the minimum search's start, so 1024 is
        // left out twice: (12000 - 6048) / 2. Likewise 0 for the maxima.
        {"2000*6", 2976.0f},
        {"-10*6", -20.0f},
        // The readings total 64000; only the four left out are a 16-bit sum
        // (8000 + 8000 + 1024 + 1024).
        {"8000*8", 11488.0f},
        {"16384 0 16383 0 1", 1.0f},  // the four left out at the 16-bit limit
        {"3*30", 3.0f},
    };
    for (const auto& [text, expected] : cases) {
        // Readings that must not be used: the neighbouring series, point 0 and
        // the points after the count.
        Readings r;
        for (int i = 0; i <= 30; ++i)
            r(i, 1) = r(i, 2) = r(i, 3) = 30000;
        const auto values = readings(text);
        for (std::size_t i = 0; i < values.size(); ++i)
            r(static_cast<int>(i + 1), 2) = values[i];
        EXPECT_FLOAT_EQ(CaluTrimAve(r, 2, static_cast<int>(values.size())), expected) << text;
    }
}

TEST(CaluTrimAve, RaisesWhenTooFewAreLeftOrTheFourLeftOutOverflow) {
    struct Case {
        std::string readings;
        int count, series, error;
    };
    const std::vector<Case> cases = {
        {"1 2 3 4", 4, 0, err::DivisionByZero},
        {"", 0, 0, err::DivisionByZero},
        {"16384 0 16384 0 1", 5, 0, err::Overflow},  // the four left out sum to 32768
        {"-20000 -20000 5 -20000 6", 5, 0, err::Overflow},
        // Each partial sum must fit: 20000 + 20000 overflows before the minima
        // (-10000 twice) would bring the total back to 20000.
        {"20000 20000 -10000 -10000 0", 5, 0, err::Overflow},
        {"5*30", 31, 0, err::SubscriptOutOfRange},
        {"1 2 3 4 5", 5, 5, err::SubscriptOutOfRange},
    };
    for (const Case& c : cases) {
        Readings r;
        const auto values = readings(c.readings);
        for (std::size_t i = 0; i < values.size(); ++i)
            r(static_cast<int>(i + 1), 0) = values[i];
        EXPECT_EQ(errorOf([&] { CaluTrimAve(r, c.series, c.count); }), c.error) << c.readings;
    }
}

// Fields "hours|minutes|seconds[|more]".
std::vector<std::string> fields(const std::string& text) {
    std::vector<std::string> out(1);
    for (char c : text)
        c == '|' ? out.push_back("") : out.back().push_back(c);
    return out;
}

TEST(CaluTimeSec, ReadsEachFieldsLeadingNumberAndCountsPastNineHours) {
    // A blank ends a number ("1 5"); a fraction rounds with halves to even.
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"01|02|03", 3723},
        {"23|59|59", 86399},
        {"09|06|07", 32767},
        {"09|06|08", 32768},
        {"FF|00|05", 5},
        {"| |.", 0},
        {"-|+|-.", 0},
        {" 1| +2|-3", 3717},
        {"12abc|3:|4.0", 43384},
        {"\t2|1 5|0", 7260},
        {"0|0|2.5", 2},
        {"0|0|3.5", 4},
        {"0|0|1.2.3", 1},
        {"0|0|.6", 1},
        {"0|1.5|0", 90},
        {"1|2|3|99", 3723},
        {"596523|14|7", 2147483647},
        {"-596523|-14|-8", -2147483647 - 1},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(CaluTimeSec(fields(text)), expected) << text;
}

TEST(CaluTimeSec, RaisesPast32BitsAndWithoutThreeFields) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"596523|14|8", err::Overflow},
        {"-596523|-14|-9", err::Overflow},
        {std::string(400, '9') + "|0|0", err::Overflow},
        {"1|2", err::SubscriptOutOfRange},
    };
    for (const auto& [text, error] : cases)
        EXPECT_EQ(errorOf([&] { CaluTimeSec(fields(text)); }), error) << text.substr(0, 12);
}

}  // namespace
}  // namespace rf::adjust

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "calc/calu_prg.h"
#include "error_of.h"

namespace rf::calc {

// gtest shows a crossing as its value and threshold.
void PrintTo(const Crossing& c, std::ostream* os) {
    *os << "value " << c.value << " at " << c.threshold;
}

namespace {

using test::errorOf;

// A sweep of one setting, point i at setting 100 + 10 i, whose levels smoothed
// over three points have the given values at points 2, 3, ...; the count is two
// more than the values given. Whole numbers stay exact through the smoothing, so
// against a reference of 10 or 100 the normalised curve holds exactly the float
// nearest to value / reference. The series next to it holds a decoy curve.
struct Sweep {
    Levels levels;
    Settings settings{};
    int series = 4;
    int count;

    explicit Sweep(const std::vector<float>& smoothed)
        : count(static_cast<int>(smoothed.size()) + 2) {
        for (std::size_t i = 0; i < settings.size(); ++i)
            settings[i] = static_cast<std::int16_t>(100 + 10 * i);
        for (int i = 0; i <= 30; ++i)
            levels(i, series - 1) = static_cast<float>(i % 2) * 1000;
        // Points 1 and 2 both take the first value; each further level is then
        // fixed by the smoothed value of the point before it.
        levels(1, series) = levels(2, series) = smoothed.front();
        for (int i = 2; i <= count - 1; ++i)
            levels(i + 1, series) = 3 * smoothed[static_cast<std::size_t>(i - 2)] -
                                    levels(i - 1, series) - levels(i, series);
    }
};

// The -5 dB point of a sweep, or with `fine` the -2.5 dB point.
std::optional<Crossing> find(bool fine, const Sweep& s, float reference) {
    return (fine ? Calu2p5dBPoint : Calu5dBPoint)(s.levels, s.settings, s.series, s.count,
                                                  reference);
}

TEST(PointFinders, InterpolateTheSettingWhereTheCurveFirstRisesThroughAThreshold) {
    struct Case {
        bool fine;  // -2.5 dB against a reference of 100, else -5 dB against 10
        const char* what;
        std::vector<float> smoothed;                         // at points 2, 3, ...
        std::vector<std::pair<int, std::int16_t>> settings;  // changed from 100 + 10 i
        int expected;
        float threshold = 0.4f;  // the fraction of the reference the point was found at
    };
    std::vector<float> longest(27, 0.0f);  // points 2 to 28 ...
    longest.push_back(8);                  // ... and 29: 30 points in all
    // 141.5 exactly with the threshold as the float 0.4f; the double 0.4 would
    // give 141.49999997 and round down. From 0 to 0.8 at 104 and 109 is exactly
    // 106.5 in double, 106.500008 in float.
    const std::vector<Case> cases = {
        {false, "N(4) 0.3, N(5) 0.5 at 140 and 150: 145", {3, 3, 3, 5, 5}, {}, 17},
        {false, "halfway 140-141 rounds to even 140", {3, 3, 3, 5, 5}, {{5, 141}}, 12},
        {false, "halfway 141-142 rounds to even 142", {3, 3, 3, 5, 5}, {{4, 141}, {5, 142}}, 14},
        {false, "the interpolation is done in double", {0, 0, 0, 8, 8}, {{4, 104}, {5, 109}}, -22},
        {false, "a point at the threshold is below it", {4, 6, 2, 2, 8}, {}, 120 - 128},
        {false, "the first of two rises", {2, 6, 6, 2, 2, 6}, {}, 125 - 128},
        {false, "a fall is passed over for the rise after it", {8, 2, 2, 6}, {}, 145 - 128},
        {false, "30 points rising at the last pair searched", longest, {}, 385 - 128},
        {false, "a four-point sweep has one place to look", {2, 6}, {}, 125 - 128},
        {false, "negative settings", {3, 3, 3, 5, 5}, {{4, -140}, {5, -150}}, -145 - 128},
        // 0.53 is crossed first (50 -> 56) but 0.59 (56 -> 62) is tried first.
        {true, "0.59 before 0.53", {50, 56, 62, 62}, {}, 135 - 128, 0.59f},
        // Each threshold is searched over the whole curve: the rise through 0.655
        // at points 2-3 does not beat the later rise through 0.59 at 5-6.
        {true, "0.59 anywhere before 0.655", {60, 70, 50, 50, 65}, {}, 156 - 128, 0.59f},
        // Never at or below 0.59; rises through 0.655 (62 -> 69) and 0.728 (69 -> 75).
        {true, "0.655 before 0.728", {60, 62, 69, 75, 80}, {}, 135 - 128, 0.655f},
        {true, "0.728 when the curve starts above 0.655", {70, 72, 80}, {}, 131 - 128, 0.728f},
        // Peaks at 0.58: only 0.53 is crossed, and the point is taken at 0.53
        // (at 0.59 the same pair would give 145).
        {true, "0.53 as the last resort", {40, 50, 56, 58}, {}, 135 - 128, 0.53f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Sweep s(c.smoothed);
        for (auto [point, setting] : c.settings)
            s.settings[static_cast<std::size_t>(point)] = setting;
        EXPECT_EQ(find(c.fine, s, c.fine ? 100.0f : 10.0f),
                  (Crossing{static_cast<std::int16_t>(c.expected), c.threshold}));
    }
}

TEST(PointFinders, FindNoPointWhereTheCurveNeverRisesThroughAThreshold) {
    struct Case {
        bool fine;
        const char* what;
        std::vector<float> smoothed;
    };
    const std::vector<Case> cases = {
        {false, "falls only", {8, 6, 4, 2, 2}},
        {false, "stays at the threshold", {4, 4, 4, 4}},
        {false, "stays above it", {5, 8, 5, 8}},
        // Three points leave one smoothed point and no pair to compare.
        {false, "a three-point sweep", {9}},
        {true, "falls only", {90, 80, 70, 60, 50, 40}},
        {true, "rises to 0.52 only", {10, 20, 30, 52, 52}},
        {true, "above all thresholds", {75, 80, 90, 95}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(find(c.fine, Sweep(c.smoothed), c.fine ? 100.0f : 10.0f), std::nullopt) << c.what;
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
        {"series 9", [](Sweep& s, float&) { s.series = 9; }, err::SubscriptOutOfRange},
        {"reference 0", [](Sweep&, float& r) { r = 0.0f; }, err::DivisionByZero},
        {"past 16 bits", [](Sweep& s, float&) { s.settings[4] = s.settings[5] = -32767; },
         err::Overflow},
        {"at 16 bits", [](Sweep& s, float&) { s.settings[4] = s.settings[5] = -32640; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool fine : {false, true}) {
            Sweep s({3, 3, 3, 5, 5});
            float reference = 10.0f;
            c.change(s, reference);
            std::optional<Crossing> r;
            // Scaled so that the -2.5 dB search finds the same pair at 0.59.
            EXPECT_EQ(
                errorOf([&] { r = find(fine, s, fine ? reference * 0.4f / 0.59f : reference); }),
                c.error)
                << (fine ? "-2.5 dB" : "-5 dB");
            if (c.error == 0) {
                ASSERT_TRUE(r.has_value());
                EXPECT_EQ(r->value, -32768);
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
    struct Case {
        std::string readings;
        float expected;
        int error = 0;
        int count = -1;  // -1: as many as the readings
        int series = 2;
    };
    const std::vector<Case> cases = {
        // Maxima 9 and 9 (equal readings both go), minima 1 and 3: (32 - 22) / 2.
        {"1 5 5 9 9 3", 5.0f},
        {"1 2 3 4 6 9 10", 13.0f / 3.0f},
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
        {"1 2 3 4", 0, err::DivisionByZero},
        {"", 0, err::DivisionByZero},
        {"16384 0 16384 0 1", 0, err::Overflow},  // the four left out sum to 32768
        {"-20000 -20000 5 -20000 6", 0, err::Overflow},
        // Each partial sum must fit: 20000 + 20000 overflows before the minima
        // (-10000 twice) would bring the total back to 20000.
        {"20000 20000 -10000 -10000 0", 0, err::Overflow},
        {"5*30", 0, err::SubscriptOutOfRange, 31},
        {"1 2 3 4 5", 0, err::SubscriptOutOfRange, 5, 5},
    };
    for (const Case& c : cases) {
        // Readings that must not be used: the neighbouring series, point 0 and
        // the points after the count.
        Readings r;
        for (int i = 0; i <= 30; ++i)
            r(i, 1) = r(i, 2) = r(i, 3) = 30000;
        const auto values = readings(c.readings);
        for (std::size_t i = 0; i < values.size(); ++i)
            r(static_cast<int>(i + 1), 2) = values[i];
        const int count = c.count < 0 ? static_cast<int>(values.size()) : c.count;
        float average = 0;
        EXPECT_EQ(errorOf([&] { average = CaluTrimAve(r, c.series, count); }), c.error)
            << c.readings;
        EXPECT_FLOAT_EQ(average, c.expected) << c.readings;
    }
}

TEST(CaluTimeSec, ReadsEachFieldsLeadingNumberAndCountsPastNineHours) {
    // Fields "hours|minutes|seconds[|more]". A blank ends a number ("1 5"); a
    // fraction rounds with halves to even.
    const std::vector<std::tuple<std::string, std::int32_t, int>> cases = {
        {"01|02|03", 3723, 0},
        {"09|06|08", 32768, 0},
        {"FF|00|05", 5, 0},
        {"| |.", 0, 0},
        {"-|+|-.", 0, 0},
        {" 1| +2|-3", 3717, 0},
        {"12abc|3:|4.0", 43384, 0},
        {"\t2|1 5|0", 7260, 0},
        {"0|0|2.5", 2, 0},
        {"0|0|3.5", 4, 0},
        {"0|0|1.2.3", 1, 0},
        {"0|0|.6", 1, 0},
        {"0|1.5|0", 90, 0},
        {"1|2|3|99", 3723, 0},
        {"596523|14|7", 2147483647, 0},
        {"-596523|-14|-8", -2147483647 - 1, 0},
        {"596523|14|8", 0, err::Overflow},
        {"-596523|-14|-9", 0, err::Overflow},
        {std::string(400, '9') + "|0|0", 0, err::Overflow},
        {"1|2", 0, err::SubscriptOutOfRange},
    };
    for (const auto& [text, expected, error] : cases) {
        std::vector<std::string> fields(1);
        for (char c : text)
            c == '|' ? fields.push_back("") : fields.back().push_back(c);
        std::int32_t seconds = 0;
        EXPECT_EQ(errorOf([&] { seconds = CaluTimeSec(fields); }), error) << text.substr(0, 12);
        EXPECT_EQ(seconds, expected) << text.substr(0, 12);
    }
}

}  // namespace
}  // namespace rf::calc

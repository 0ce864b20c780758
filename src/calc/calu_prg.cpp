#include "calc/calu_prg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <limits>
#include <string_view>

#include "core/delimited.h"
#include "core/errors.h"

namespace rf::calc {

namespace {

// The working curves of a point search, indexed by point like the levels.
using Curve = Table<float, 31>;

std::int16_t settingOf(const Settings& settings, int point) {
    if (point < 0 || static_cast<std::size_t>(point) >= settings.size())
        Raise(err::SubscriptOutOfRange);
    return settings[static_cast<std::size_t>(point)];
}

// The levels of points 2 to count-1 smoothed over three neighbours and divided
// by the reference. Points 1 and `count` have only one neighbour and stay 0.
Curve normalisedCurve(const Levels& levels, int series, int count, float reference) {
    Curve smoothed;
    for (int i = 2; i <= count - 1; ++i)
        smoothed(i) = (levels(i - 1, series) + levels(i, series) + levels(i + 1, series)) / 3.0f;
    Curve normalised;
    for (int i = 2; i <= count - 1; ++i) {
        // A zero reference would turn every point into infinity or NaN.
        if (reference == 0.0f) Raise(err::DivisionByZero);
        normalised(i) = smoothed(i) / reference;
    }
    return normalised;
}

// The first point j (from 2 to count-2) where the curve rises through the
// threshold: N(j) <= T < N(j+1). A fall through the threshold is passed over.
std::optional<int> risingCrossing(const Curve& n, int count, float threshold) {
    for (int i = 2; i <= count - 2; ++i)
        if (n(i) <= threshold && n(i + 1) > threshold) return i;
    return std::nullopt;
}

// The setting where the straight line between points j and j+1 meets the
// threshold, to the nearest whole step (halves to even), less 128.
std::int16_t interpolate(const Curve& n, const Settings& settings, int j, float threshold) {
    const double lo = n(j), hi = n(j + 1), t = threshold;
    const double span = hi - lo;
    const double at =
        settingOf(settings, j) * (hi - t) / span + settingOf(settings, j + 1) * (t - lo) / span;
    const double result = std::nearbyint(at) - 128.0;
    if (!(result >= std::numeric_limits<std::int16_t>::min() &&
          result <= std::numeric_limits<std::int16_t>::max()))
        Raise(err::Overflow);
    return static_cast<std::int16_t>(result);
}

std::optional<Crossing> findPoint(const Levels& levels, const Settings& settings, int series,
                                  int count, float reference, std::span<const float> thresholds) {
    const Curve n = normalisedCurve(levels, series, count, reference);
    for (float threshold : thresholds)
        if (auto j = risingCrossing(n, count, threshold))
            return Crossing{interpolate(n, settings, *j, threshold), threshold};
    return std::nullopt;
}

const std::string& fieldOf(std::span<const std::string> fields, std::size_t index) {
    if (index >= fields.size()) Raise(err::SubscriptOutOfRange);
    return fields[index];
}

}  // namespace

std::optional<Crossing> Calu5dBPoint(const Levels& levels, const Settings& settings, int series,
                                     int count, float reference) {
    static constexpr std::array<float, 1> thresholds{0.4f};
    return findPoint(levels, settings, series, count, reference, thresholds);
}

std::optional<Crossing> Calu2p5dBPoint(const Levels& levels, const Settings& settings, int series,
                                       int count, float reference) {
    // Tried in this order, each over the whole curve: 0.59 first, 0.53 only
    // when the curve rises through none of the others.
    static constexpr std::array<float, 4> thresholds{0.59f, 0.655f, 0.728f, 0.53f};
    return findPoint(levels, settings, series, count, reference, thresholds);
}

float CaluTrimAve(const Readings& readings, int series, int count) {
    // Each search takes the last of equal readings; positions already taken
    // are skipped, so two equal readings can both be left out. A search that
    // finds nothing still leaves out its starting value.
    struct Pick {
        std::int16_t value;
        int at = 0;
    };
    const auto largest = [&](std::initializer_list<int> skip) {
        Pick p{0};
        for (int i = 1; i <= count; ++i) {
            if (std::find(skip.begin(), skip.end(), i) != skip.end()) continue;
            if (readings(i, series) >= p.value) p = {readings(i, series), i};
        }
        return p;
    };
    const auto smallest = [&](std::initializer_list<int> skip) {
        Pick p{1024};
        for (int i = 1; i <= count; ++i) {
            if (std::find(skip.begin(), skip.end(), i) != skip.end()) continue;
            if (readings(i, series) <= p.value) p = {readings(i, series), i};
        }
        return p;
    };
    const Pick max1 = largest({});
    const Pick max2 = largest({max1.at});
    const Pick min1 = smallest({max1.at, max2.at});
    const Pick min2 = smallest({max1.at, max2.at, min1.at});

    float sum = 0.0f;
    for (int i = 1; i <= count; ++i)
        sum += readings(i, series);

    // The four left out are added up as a 16-bit number, each step checked.
    int leftOut = 0;
    for (std::int16_t v : {max1.value, max2.value, min1.value, min2.value}) {
        leftOut += v;
        if (leftOut < std::numeric_limits<std::int16_t>::min() ||
            leftOut > std::numeric_limits<std::int16_t>::max())
            Raise(err::Overflow);
    }
    if (count <= 4) Raise(err::DivisionByZero);
    return (sum - static_cast<float>(leftOut)) / static_cast<float>(count - 4);
}

std::int32_t CaluTimeSec(std::span<const std::string> fields) {
    const double hours = leadingNumber(fieldOf(fields, 0));
    const double minutes = leadingNumber(fieldOf(fields, 1));
    const double seconds = leadingNumber(fieldOf(fields, 2));
    const double total = std::nearbyint(hours * 3600.0 + minutes * 60.0 + seconds);
    if (!(total >= std::numeric_limits<std::int32_t>::min() &&
          total <= std::numeric_limits<std::int32_t>::max()))
        Raise(err::Overflow);
    return static_cast<std::int32_t>(total);
}

}  // namespace rf::calc

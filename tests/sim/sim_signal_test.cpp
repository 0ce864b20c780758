#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "sim/signal_model.h"

namespace rf::sim {
namespace {

// The way the adjustment reads a level curve, written out here on its own:
// three-point smoothing, levels relative to a reference, the first rising
// crossing of a threshold, linear interpolation between the two settings.
std::optional<double> risingCrossing(const std::vector<double>& levels,
                                     const std::vector<int>& settings, double reference,
                                     double threshold) {
    const std::size_t n = levels.size();
    std::vector<double> norm(n, 0.0);
    for (std::size_t i = 1; i + 1 < n; ++i)
        norm[i] = (levels[i - 1] + levels[i] + levels[i + 1]) / 3.0 / reference;
    for (std::size_t i = 1; i + 2 < n; ++i)
        if (norm[i] <= threshold && norm[i + 1] > threshold) {
            const double f = (threshold - norm[i]) / (norm[i + 1] - norm[i]);
            return settings[i] + f * (settings[i + 1] - settings[i]);
        }
    return std::nullopt;
}

TEST(SignalModel, LevelCurvesCrossTheirThresholdsInsideTheSweepsNearEachHeadsOptimum) {
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        SignalModel model(seed);
        for (int ch = 0; ch < 2; ++ch)
            for (int head = 0; head < 2; ++head) {
                SCOPED_TRACE("seed " + std::to_string(seed) + " ch " + std::to_string(ch) +
                             " head " + std::to_string(head));
                const RecHeadTruth truth = model.recHead(7, ch, head);
                // Current sweep: -80 to 40 by 10 at the default frequency, low band.
                std::vector<double> levels;
                std::vector<int> settings;
                for (int c = -80; c <= 40; c += 10) {
                    levels.push_back(model.recordLevel(7, ch, head, Band::Low, {c, -90}));
                    settings.push_back(c);
                }
                const double lowRef = model.recordLevel(7, ch, head, Band::Low, DefaultLpSetting);
                auto current = risingCrossing(levels, settings, lowRef, 0.4);
                ASSERT_TRUE(current.has_value());
                EXPECT_NEAR(*current, truth.currentOpt, 4.0);

                // Frequency sweep: -120 to 40 by 20 at the chosen current, high band.
                levels.clear();
                settings.clear();
                const int chosen = static_cast<int>(std::lround(*current));
                for (int f = -120; f <= 40; f += 20) {
                    levels.push_back(model.recordLevel(7, ch, head, Band::High, {chosen, f}));
                    settings.push_back(f);
                }
                const double highRef = model.recordLevel(7, ch, head, Band::High, DefaultLpSetting);
                auto frequency = risingCrossing(levels, settings, highRef, 0.59);
                ASSERT_TRUE(frequency.has_value());
                EXPECT_NEAR(*frequency, truth.frequencyOpt, 8.0);

                // Adjusted heads record clearly better than heads left at the defaults,
                // and their playback level matches the master tape's.
                const RecSetting adjusted{chosen, static_cast<int>(std::lround(*frequency))};
                EXPECT_LT(model.recordErr(7, ch, head, adjusted),
                          model.recordErr(7, ch, head, DefaultLpSetting) - 1.0);
                const double ratio = model.recordLevel(7, ch, head, Band::Low, adjusted) /
                                     model.masterLevel(7, ch, head, Band::Low);
                EXPECT_GT(ratio, 0.68);
                EXPECT_LT(ratio, 1.47);
                // Readings fit the two hex digits of the envelope reply.
                EXPECT_LT(lowRef, 230.0);
                EXPECT_LT(highRef, 230.0);
            }
    }
}

TEST(SignalModel, TheRecordersOwnAdjustmentsPlayBetterThanTheDefaults) {
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        SignalModel model(seed);
        std::array<std::int16_t, 29> defaults{};
        defaults[9] = 400;
        const std::int16_t taps[] = {0, 0, -32, -32, 0, 0};
        for (std::size_t i = 0; i < 12; ++i)
            defaults[17 + i] = taps[i % 6];
        auto adjusted = defaults;
        adjusted[9] = static_cast<std::int16_t>(model.adjustedVco(7, 1, 0, 0, 0));
        const auto t = model.adjustedTaps(7, 1, 0, 0, 1);
        for (std::size_t i = 0; i < 12; ++i)
            adjusted[17 + i] = static_cast<std::int16_t>(t[i]);
        for (int head = 0; head < 2; ++head)
            EXPECT_LE(model.playbackErr(7, 1, 0, 0, head, adjusted),
                      model.playbackErr(7, 1, 0, 0, head, defaults) + 0.01);
    }
    // The same seed is the same recorder.
    EXPECT_EQ(SignalModel(7).recHead(7, 1, 0).currentOpt,
              SignalModel(7).recHead(7, 1, 0).currentOpt);
    EXPECT_NE(SignalModel(7).recHead(7, 1, 0).currentOpt,
              SignalModel(8).recHead(7, 1, 0).currentOpt);
}

}  // namespace
}  // namespace rf::sim

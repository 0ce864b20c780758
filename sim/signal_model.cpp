#include "sim/signal_model.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "sim/rng.h"

namespace rf::sim {

namespace {

constexpr std::uint64_t RecTag = 0x5245;
constexpr std::uint64_t PbTag = 0x5042;
constexpr std::uint64_t VcoTag = 0x5643;
constexpr std::uint64_t TapTag = 0x5441;

// Finds x in [low, high] where f(x) = target for a monotonic f.
template <typename F>
double solve(F f, double target, double low, double high) {
    const bool rising = f(high) > f(low);
    for (int i = 0; i < 200; ++i) {
        double mid = 0.5 * (low + high);
        if ((f(mid) < target) == rising)
            low = mid;
        else
            high = mid;
    }
    return 0.5 * (low + high);
}

double currentResponse(const RecHeadTruth& t, double current) {
    return logistic((current - t.currentMid) / t.currentSlope);
}
double frequencyResponse(const RecHeadTruth& t, double frequency) {
    return logistic((frequency - t.frequencyMid) / t.frequencySlope);
}
// The low band hardly depends on the record frequency.
double lowBandFrequencyResponse(const RecHeadTruth& t, double frequency) {
    return 0.92 + 0.08 * logistic((frequency - t.frequencyOpt) / 40.0);
}

// Reads a swept level curve the way the adjustment does: points from `first` to
// `last` by `step`, three-point smoothing, levels relative to `reference`, the
// first rising crossing of `threshold`, interpolated between its two settings.
template <typename Level>
std::optional<double> sweepCrossing(Level level, int first, int last, int step, double reference,
                                    double threshold) {
    std::vector<double> raw, norm;
    for (int x = first; x <= last; x += step)
        raw.push_back(level(x));
    const std::size_t n = raw.size();
    norm.assign(n, 0.0);
    for (std::size_t i = 1; i + 1 < n; ++i)
        norm[i] = (raw[i - 1] + raw[i] + raw[i + 1]) / 3.0 / reference;
    for (std::size_t i = 1; i + 2 < n; ++i)
        if (norm[i] <= threshold && norm[i + 1] > threshold) {
            const double x0 = first + step * static_cast<double>(i);
            return x0 + step * (threshold - norm[i]) / (norm[i + 1] - norm[i]);
        }
    return std::nullopt;
}

}  // namespace

double logistic(double x) {
    return 1.0 / (1.0 + std::exp(-x));
}

double addErrRates(double a, double b) {
    return std::log10(std::pow(10.0, a) + std::pow(10.0, b));
}

RecHeadTruth SignalModel::recHead(int fmt, int ch, int head) const {
    const int key = fmt * 16 + ch * 4 + head;
    auto it = recHeads_.find(key);
    if (it == recHeads_.end()) it = recHeads_.emplace(key, drawRecHead(fmt, ch, head)).first;
    return it->second;
}

RecHeadTruth SignalModel::drawRecHead(int fmt, int ch, int head) const {
    Rng r(mixSeed(seed_, RecTag, static_cast<std::uint64_t>(fmt * 16 + ch * 4 + head)));
    RecHeadTruth t;
    t.currentOpt = r.uniform(-45, 5);
    t.frequencyOpt = r.uniform(-70, -10);
    t.lowMax = r.uniform(150, 190);
    t.highMax = r.uniform(120, 160);
    t.currentSlope = r.uniform(16, 22);
    t.frequencySlope = r.uniform(25, 35);
    t.baseErr = r.uniform(-5.2, -4.8);
    t.masterFactor = r.uniform(0.92, 1.08);
    const double defCur = DefaultLpSetting.current;
    const double defFreq = DefaultLpSetting.frequency;
    // The current curve: the level at the drawn current is 0.4 of the level at
    // the default current.
    t.currentMid = solve(
        [&](double mid) {
            RecHeadTruth u = t;
            u.currentMid = mid;
            return currentResponse(u, t.currentOpt) / currentResponse(u, defCur);
        },
        0.4, -200, 300);
    // The optimum is where the adjustment's reading of the swept curve lands
    // (it smooths and interpolates between sweep points), so a well-made
    // adjustment finds it exactly when there is no noise.
    auto lowAt = [&](const RecHeadTruth& u, double c) {
        return currentResponse(u, c) * lowBandFrequencyResponse(u, defFreq);
    };
    if (auto landed = sweepCrossing([&](double c) { return lowAt(t, c); }, -80, 40, 10,
                                    lowAt(t, defCur), 0.4))
        t.currentOpt = std::round(*landed);
    // The frequency curve, recorded at the optimum current and measured in the
    // high band against the defaults, is placed so that its reading at the
    // first threshold (0.59) lands on the drawn frequency.
    const double target = t.frequencyOpt;
    auto landing = [&](double mid) {
        RecHeadTruth u = t;
        u.frequencyMid = mid;
        const double reference = currentResponse(u, defCur) * frequencyResponse(u, defFreq);
        auto high = [&](double f) {
            return currentResponse(u, u.currentOpt) * frequencyResponse(u, f);
        };
        // A curve too flat to reach the first threshold lies left of any target.
        auto f = sweepCrossing(high, -120, 40, 20, reference, 0.59);
        return f ? *f : -1000.0;
    };
    t.frequencyMid = solve(landing, target, -300, 300);
    t.frequencyOpt = std::round(landing(t.frequencyMid));
    return t;
}

PbChannelTruth SignalModel::pbChannel(int fmt, int cate, int kind, int ch) const {
    Rng r(mixSeed(seed_, PbTag, static_cast<std::uint64_t>(fmt * 64 + cate * 16 + kind * 4 + ch)));
    PbChannelTruth t;
    t.vcoOpt = 400 + static_cast<int>(std::lround(r.uniform(-30, 30)));
    // Tap pattern per head: the outer taps near 0, the two middle ones deep.
    for (int head = 0; head < 2; ++head)
        for (int i = 0; i < 6; ++i) {
            const bool middle = i == 2 || i == 3;
            const double centre = middle ? -32 : 0;
            t.tapOpt[static_cast<std::size_t>(head * 6 + i)] =
                static_cast<int>(std::lround(centre + r.uniform(-10, 10)));
        }
    t.baseErr = cate == 0 ? r.uniform(-4.9, -4.5) : r.uniform(-5.3, -4.9);
    return t;
}

double SignalModel::recordLevel(int fmt, int ch, int head, Band band, RecSetting s) const {
    const RecHeadTruth t = recHead(fmt, ch, head);
    const double cur = currentResponse(t, s.current);
    if (band == Band::Low) return t.lowMax * cur * lowBandFrequencyResponse(t, s.frequency);
    return t.highMax * cur * frequencyResponse(t, s.frequency);
}

double SignalModel::masterLevel(int fmt, int ch, int head, Band band) const {
    const RecHeadTruth t = recHead(fmt, ch, head);
    RecSetting optimum{static_cast<int>(std::lround(t.currentOpt)),
                       static_cast<int>(std::lround(t.frequencyOpt))};
    return t.masterFactor * recordLevel(fmt, ch, head, band, optimum);
}

double SignalModel::recordErr(int fmt, int ch, int head, RecSetting s) const {
    const RecHeadTruth t = recHead(fmt, ch, head);
    const double dc = (s.current - t.currentOpt) / 40.0;
    const double df = (s.frequency - t.frequencyOpt) / 50.0;
    return t.baseErr + 0.9 * dc * dc + 0.7 * df * df;
}

double SignalModel::playbackErr(int fmt, int cate, int kind, int ch, int head,
                                const std::array<std::int16_t, 29>& block) const {
    const PbChannelTruth t = pbChannel(fmt, cate, kind, ch);
    const double dv = (block[9] - t.vcoOpt) / 40.0;
    double taps = 0;
    for (std::size_t i = 0; i < 6; ++i) {
        const std::size_t k = static_cast<std::size_t>(head) * 6 + i;
        const double d = (block[17 + k] - t.tapOpt[k]) / 14.0;
        taps += d * d;
    }
    return t.baseErr + 0.6 * dv * dv + 0.25 * taps;
}

int SignalModel::adjustedVco(int fmt, int cate, int kind, int ch, int run) const {
    Rng r(mixSeed(seed_, VcoTag, static_cast<std::uint64_t>(fmt * 64 + cate * 16 + kind * 4 + ch),
                  static_cast<std::uint64_t>(run)));
    return pbChannel(fmt, cate, kind, ch).vcoOpt + static_cast<int>(std::lround(r.uniform(-2, 2)));
}

std::array<int, 12> SignalModel::adjustedTaps(int fmt, int cate, int kind, int ch, int run) const {
    Rng r(mixSeed(seed_, TapTag, static_cast<std::uint64_t>(fmt * 64 + cate * 16 + kind * 4 + ch),
                  static_cast<std::uint64_t>(run)));
    std::array<int, 12> taps = pbChannel(fmt, cate, kind, ch).tapOpt;
    for (int& tap : taps)
        tap += static_cast<int>(std::lround(r.uniform(-1, 1)));
    return taps;
}

}  // namespace rf::sim

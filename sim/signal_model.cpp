#include "sim/signal_model.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/rng.h"

namespace rf::sim {

namespace {

constexpr std::uint64_t RecTag = 0x5245;
constexpr std::uint64_t PbTag = 0x5042;
constexpr std::uint64_t VcoTag = 0x5643;
constexpr std::uint64_t TapTag = 0x5441;
// Wear draws on streams of its own: the draws above stay as they were.
constexpr std::uint64_t RecWearTag = 0x5752;
constexpr std::uint64_t PbWearTag = 0x5750;
constexpr double Pi = 3.14159265358979323846;

// A rise at `rise` and the over-recording fall at `fall`: a peak between.
double currentResponse(double c, double rise, double riseWidth, double fall, double fallWidth) {
    return logistic((c - rise) / riseWidth) * logistic((fall - c) / fallWidth);
}

double lowBand(const RecHeadTruth& t, RecSetting s) {
    // The low band loses a little as the frequency rises out of it.
    const double frequency = 0.92 + 0.08 * logistic((-60.0 - s.frequency) / 40.0);
    return t.lowMax * frequency *
           currentResponse(s.current, t.lowRise, t.lowRiseWidth, t.lowFall, t.lowFallWidth);
}

double highBand(const RecHeadTruth& t, RecSetting s) {
    const double d = (s.frequency - t.notchAt) / t.notchWidth;
    const double frequency =
        (1.0 - t.notchDepth * std::exp(-d * d)) * (1.0 + t.tilt * (s.frequency + 90) / 100.0);
    return t.highMax * frequency *
           currentResponse(s.current, t.highRise, t.highRiseWidth, t.highFall, t.highFallWidth);
}

// The first rising crossing of `threshold` by a sweep read the way the
// adjustment reads it: three-point smoothing, levels relative to the
// reference, linear interpolation between the two settings.
template <typename Level>
std::optional<double> rising(Level level, Sweep sweep, double reference, double threshold) {
    std::vector<double> raw;
    for (int x = sweep.first; x <= sweep.last; x += sweep.step)
        raw.push_back(level(x));
    std::vector<double> n(raw.size(), 0.0);
    for (std::size_t i = 1; i + 1 < raw.size(); ++i)
        n[i] = (raw[i - 1] + raw[i] + raw[i + 1]) / 3.0 / reference;
    for (std::size_t i = 1; i + 2 < raw.size(); ++i)
        if (n[i] <= threshold && n[i + 1] > threshold)
            return sweep.first +
                   sweep.step * (static_cast<double>(i) + (threshold - n[i]) / (n[i + 1] - n[i]));
    return std::nullopt;
}

}  // namespace

double logistic(double x) {
    return 1.0 / (1.0 + std::exp(-x));
}

double addErrRates(double a, double b) {
    return std::log10(std::pow(10.0, a) + std::pow(10.0, b));
}

double wornErr(const HeadWear& wear, int age) {
    return age <= 0 ? 0.0 : std::pow(age / wear.life, 1.5);
}

double wornOutput(const HeadWear& wear, int age) {
    return age <= 0 ? 1.0 : std::pow(10.0, -0.15 * wornErr(wear, age));
}

double wander(double swing, const HeadWear& wear, int age) {
    return age <= 0 ? 0.0 : swing * (1.0 - std::cos(2 * Pi * age / wear.period));
}

double faultCurve(CurveFault fault, double u) {
    u = std::clamp(u, 0.0, 1.0);
    switch (fault) {
        case CurveFault::Flat:
            return 1.0;
        case CurveFault::Falls:
            return 1.3 - 1.2 * u;
        case CurveFault::Twice: {
            // Up through the thresholds, down again, and up once more.
            const double bump = (u - 0.3) / 0.14;
            return 0.1 + 0.95 * std::exp(-bump * bump) + 0.9 * logistic((u - 0.78) / 0.04);
        }
        case CurveFault::Low:
            // Levels off at 0.56 of the reference: above 0.53, below 0.59.
            return 0.1 + 0.46 * logistic((u - 0.45) / 0.08);
        case CurveFault::None:
        case CurveFault::ZeroReference:
            break;
    }
    return 1.0;
}

HeadWear SignalModel::recWear(int fmt, int ch, int head) const {
    Rng r(mixSeed(seed_, RecWearTag, static_cast<std::uint64_t>(fmt * 16 + ch * 4 + head)));
    HeadWear w;
    w.life = std::exp(r.uniform(std::log(3500.0), std::log(14000.0)));
    w.period = r.uniform(2000, 5000);
    w.currentSwing = r.uniform(9, 16);
    w.frequencySwing = r.uniform(6, 11);
    return w;
}

HeadWear SignalModel::pbWear(int fmt, int cate, int kind, int ch, int head) const {
    Rng r(mixSeed(seed_, PbWearTag,
                  static_cast<std::uint64_t>(fmt * 128 + cate * 32 + kind * 8 + ch * 2 + head)));
    HeadWear w;
    w.life = std::exp(r.uniform(std::log(3500.0), std::log(14000.0)));
    w.period = r.uniform(2000, 5000);
    w.tapSwing = r.uniform(5, 10);
    return w;
}

RecHeadTruth SignalModel::recHead(int fmt, int ch, int head, int age) const {
    Rng r(mixSeed(seed_, RecTag, static_cast<std::uint64_t>(fmt * 16 + ch * 4 + head)));
    RecHeadTruth t;
    t.lowMax = r.uniform(110, 150);
    t.highMax = r.uniform(70, 105);
    t.lowRise = r.uniform(-35, -5);
    t.lowRiseWidth = r.uniform(9, 13);
    t.lowFall = r.uniform(60, 85);
    t.lowFallWidth = r.uniform(14, 20);
    t.highRise = t.lowRise - r.uniform(28, 36);
    t.highRiseWidth = r.uniform(8, 11);
    t.highFall = t.lowFall + r.uniform(5, 15);
    t.highFallWidth = r.uniform(16, 22);
    t.notchAt = r.uniform(-55, -35);
    t.notchWidth = r.uniform(28, 36);
    t.notchDepth = r.uniform(0.92, 0.98);
    t.tilt = r.uniform(0, 0.2);
    t.baseErr = r.uniform(-5.2, -4.8);
    t.masterFactor = r.uniform(0.92, 1.08);
    if (age <= 0) return t;
    // Wear: the current response moves up, the notch moves, the output and
    // the error floor follow the head's age.
    const HeadWear w = recWear(fmt, ch, head);
    const double current = wander(w.currentSwing, w, age);
    t.lowRise += current;
    t.lowFall += current;
    t.highRise += current;
    t.highFall += current;
    t.notchAt += wander(w.frequencySwing, w, age);
    t.lowMax *= wornOutput(w, age);
    t.highMax *= wornOutput(w, age);
    t.baseErr += wornErr(w, age);
    return t;
}

RecBest SignalModel::best(int fmt, int ch, int head, int age) const {
    const std::pair<int, int> key{fmt * 16 + ch * 4 + head, std::max(age, 0)};
    if (auto it = best_.find(key); it != best_.end()) return it->second;
    // The truth functions go through many ages: the cache keeps a few.
    if (best_.size() > 1024) best_.clear();
    const RecHeadTruth t = recHead(fmt, ch, head, age);
    const RecSetting def = DefaultLpSetting;
    RecBest b;
    // The -5 dB current: 0.4 of the low band at the defaults.
    b.currentExact = rising(
                         [&](int c) {
                             return lowBand(t, {c, def.frequency});
                         },
                         CurrentSweep, lowBand(t, def), 0.4)
                         .value_or(def.current);
    b.current = static_cast<int>(std::nearbyint(b.currentExact));
    // The fixed frequency: the first of the thresholds the high band crosses.
    const int current = ch == 0 ? def.current : b.current;
    for (double threshold : {0.59, 0.655, 0.728, 0.53}) {
        auto f = rising(
            [&](int x) {
                return highBand(t, {current, x});
            },
            FrequencySweep, highBand(t, def), threshold);
        if (!f) continue;
        b.frequencyExact = *f;
        b.frequencyThreshold = threshold;
        break;
    }
    b.frequency = static_cast<int>(std::nearbyint(b.frequencyExact));
    return best_.emplace(key, b).first->second;
}

PbChannelTruth SignalModel::pbChannel(int fmt, int cate, int kind, int ch, int age) const {
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
    if (age <= 0) return t;
    for (int head = 0; head < 2; ++head) {
        const HeadWear w = pbWear(fmt, cate, kind, ch, head);
        const int deeper = static_cast<int>(std::lround(wander(w.tapSwing, w, age)));
        t.tapOpt[static_cast<std::size_t>(head * 6 + 2)] -= deeper;
        t.tapOpt[static_cast<std::size_t>(head * 6 + 3)] -= deeper;
        t.wornErr[static_cast<std::size_t>(head)] = wornErr(w, age);
    }
    return t;
}

double SignalModel::recordLevel(int fmt, int ch, int head, Band band, RecSetting s,
                                CurveFault fault, int age) const {
    const RecHeadTruth t = recHead(fmt, ch, head, age);
    auto level = [&](RecSetting at) {
        return band == Band::Low ? lowBand(t, at) : highBand(t, at);
    };
    if (fault == CurveFault::None) return level(s);
    const RecSetting def = DefaultLpSetting;
    if (s == def) return fault == CurveFault::ZeroReference ? 0.0 : level(def);
    if (fault == CurveFault::ZeroReference) return level(s);
    // The faults bend the curve of the setting the band is swept with.
    const Sweep sweep = band == Band::Low ? CurrentSweep : FrequencySweep;
    const int swept = band == Band::Low ? s.current : s.frequency;
    const int swept0 = band == Band::Low ? def.current : def.frequency;
    if (swept == swept0) return level(def);
    const double u = static_cast<double>(swept - sweep.first) / (sweep.last - sweep.first);
    return level(def) * faultCurve(fault, u);
}

double SignalModel::masterLevel(int fmt, int ch, int head, Band band, int age) const {
    const RecBest b = best(fmt, ch, head);
    const double level = recHead(fmt, ch, head).masterFactor *
                         recordLevel(fmt, ch, head, band, {b.current, b.frequency});
    return age <= 0 ? level : level * wornOutput(recWear(fmt, ch, head), age);
}

double SignalModel::recordErr(int fmt, int ch, int head, RecSetting s, int age) const {
    const RecHeadTruth t = recHead(fmt, ch, head, age);
    const RecBest b = best(fmt, ch, head, age);
    const double dc = (s.current - b.currentExact) / 40.0;
    const double df = (s.frequency - b.frequencyExact) / 50.0;
    return t.baseErr + 0.9 * dc * dc + 0.7 * df * df;
}

double SignalModel::playbackErr(int fmt, int cate, int kind, int ch, int head,
                                const std::array<std::int16_t, 29>& block, int age) const {
    const PbChannelTruth t = pbChannel(fmt, cate, kind, ch, age);
    const double dv = (block[9] - t.vcoOpt) / 40.0;
    double taps = 0;
    for (std::size_t i = 0; i < 6; ++i) {
        const std::size_t k = static_cast<std::size_t>(head) * 6 + i;
        const double d = (block[17 + k] - t.tapOpt[k]) / 14.0;
        taps += d * d;
    }
    return t.baseErr + t.wornErr[static_cast<std::size_t>(head)] + 0.6 * dv * dv + 0.25 * taps;
}

int SignalModel::adjustedVco(int fmt, int cate, int kind, int ch, int run) const {
    Rng r(mixSeed(seed_, VcoTag, static_cast<std::uint64_t>(fmt * 64 + cate * 16 + kind * 4 + ch),
                  static_cast<std::uint64_t>(run)));
    return pbChannel(fmt, cate, kind, ch).vcoOpt + static_cast<int>(std::lround(r.uniform(-2, 2)));
}

std::array<int, 12> SignalModel::adjustedTaps(int fmt, int cate, int kind, int ch, int run,
                                              int age) const {
    Rng r(mixSeed(seed_, TapTag, static_cast<std::uint64_t>(fmt * 64 + cate * 16 + kind * 4 + ch),
                  static_cast<std::uint64_t>(run)));
    std::array<int, 12> taps = pbChannel(fmt, cate, kind, ch, age).tapOpt;
    for (int& tap : taps)
        tap += static_cast<int>(std::lround(r.uniform(-1, 1)));
    return taps;
}

namespace {
// The first whole age in [from, horizon] at which err(age) is above the limit.
template <typename Err>
std::optional<int> firstAbove(Err err, int from, int horizon, double limit) {
    for (int age = std::max(from, 0); age <= horizon; ++age)
        if (err(age) > limit) return age;
    return std::nullopt;
}

std::array<std::int16_t, 29> optimumBlock(const PbChannelTruth& t) {
    std::array<std::int16_t, 29> block{};
    block[9] = static_cast<std::int16_t>(t.vcoOpt);
    for (std::size_t i = 0; i < 12; ++i)
        block[17 + i] = static_cast<std::int16_t>(t.tapOpt[i]);
    return block;
}
}  // namespace

double SignalModel::recAsLeftErr(int fmt, int ch, int head, int age) const {
    const RecBest b = best(fmt, ch, head, age);
    return recordErr(fmt, ch, head, {b.current, b.frequency}, age);
}

double SignalModel::pbAsLeftErr(int fmt, int cate, int kind, int ch, int head, int age) const {
    return playbackErr(fmt, cate, kind, ch, head, optimumBlock(pbChannel(fmt, cate, kind, ch, age)),
                       age);
}

std::optional<int> SignalModel::recReplacementAge(int fmt, int ch, int head, double limit,
                                                  int horizon) const {
    return firstAbove([&](int age) { return recAsLeftErr(fmt, ch, head, age); }, 0, horizon, limit);
}

std::optional<int> SignalModel::pbReplacementAge(int fmt, int cate, int kind, int ch, int head,
                                                 double limit, int horizon) const {
    return firstAbove([&](int age) { return pbAsLeftErr(fmt, cate, kind, ch, head, age); }, 0,
                      horizon, limit);
}

std::optional<int> SignalModel::recReadjustAge(int fmt, int ch, int head, RecSetting left,
                                               int adjustedAt, double limit, int horizon) const {
    return firstAbove([&](int age) { return recordErr(fmt, ch, head, left, age); }, adjustedAt,
                      horizon, limit);
}

double SignalModel::selfErr(int fmt, int ch, int head, RecSetting rec,
                            const std::array<std::int16_t, 29>& rp, int age) const {
    return addErrRates(recordErr(fmt, ch, head, rec, age),
                       playbackErr(fmt, 0, 0, ch, head, rp, age));
}

double SignalModel::selfAsLeftErr(int fmt, int ch, int head, int age) const {
    return addErrRates(recAsLeftErr(fmt, ch, head, age), pbAsLeftErr(fmt, 0, 0, ch, head, age));
}

std::optional<int> SignalModel::selfReplacementAge(int fmt, int ch, int head, double limit,
                                                   int horizon) const {
    return firstAbove([&](int age) { return selfAsLeftErr(fmt, ch, head, age); }, 0, horizon,
                      limit);
}

std::optional<int> SignalModel::selfReadjustAge(int fmt, int ch, int head, RecSetting rec,
                                                const std::array<std::int16_t, 29>& rp,
                                                int adjustedAt, double limit, int horizon) const {
    return firstAbove([&](int age) { return selfErr(fmt, ch, head, rec, rp, age); }, adjustedAt,
                      horizon, limit);
}

std::optional<int> SignalModel::pbReadjustAge(int fmt, int cate, int kind, int ch, int head,
                                              const std::array<std::int16_t, 29>& left,
                                              int adjustedAt, double limit, int horizon) const {
    return firstAbove([&](int age) { return playbackErr(fmt, cate, kind, ch, head, left, age); },
                      adjustedAt, horizon, limit);
}

}  // namespace rf::sim

#pragma once

#include <array>
#include <cstdint>
#include <map>

namespace rf::sim {

// Level bands of the envelope detector.
enum class Band { High = 0, Low = 1 };

// The record settings one head records with: current and frequency offsets.
struct RecSetting {
    int current = 0;
    int frequency = 0;
    friend bool operator==(const RecSetting&, const RecSetting&) = default;
};

// The hidden truth of one record head. Its optimum is where the level curves
// the adjustment measures cross their thresholds: the current at which the
// low-band level (at the default frequency) is 0.4 of the level at the default
// current, and the frequency at which the high-band level (at the optimum
// current) is 0.59 of the high-band level at the defaults.
struct RecHeadTruth {
    double currentOpt = 0;                         // optimum record current offset
    double frequencyOpt = 0;                       // optimum record frequency offset
    double lowMax = 0;                             // low-band level of a saturated recording
    double highMax = 0;                            // high-band level of a saturated recording
    double currentMid = 0, currentSlope = 18;      // low-band response to the current
    double frequencyMid = 0, frequencySlope = 25;  // high-band response to the frequency
    double baseErr = -5.0;                         // error exponent of a recording at the optimum
    double masterFactor = 1;  // master tape level against an optimum self recording
};

// The hidden truth of one playback channel: the VCO centre frequency and the
// twelve equaliser taps (items 17 to 28 of its level block) it plays best with.
struct PbChannelTruth {
    int vcoOpt = 400;
    std::array<int, 12> tapOpt{};
    double baseErr = -5.0;  // error exponent with every value at its optimum
};

// The record-current and frequency defaults the adjustment measures against.
inline constexpr RecSetting DefaultLpSetting{50, -90};

// What a recorder's heads make of the tape: envelope levels and error rates as
// functions of the values stored in the recorder, around per-head optimum
// values drawn from a seed, so a given seed is always the same recorder.
class SignalModel {
  public:
    explicit SignalModel(std::uint64_t seed) : seed_(seed) {}

    // Head 0 is the channel's first head (record value items 0 and 2), head 1
    // its second (items 1 and 3).
    RecHeadTruth recHead(int fmt, int ch, int head) const;
    PbChannelTruth pbChannel(int fmt, int cate, int kind, int ch) const;

    // Envelope level while recording (read back by the confidence heads) or
    // while playing a recording made with the setting.
    double recordLevel(int fmt, int ch, int head, Band band, RecSetting s) const;
    // Envelope level of the master tape.
    double masterLevel(int fmt, int ch, int head, Band band) const;
    // Error exponent of a recording made with the setting.
    double recordErr(int fmt, int ch, int head, RecSetting s) const;
    // Error exponent of playback with a level block (items 0 to 28); `head` 0
    // uses the first head's taps (items 17 to 22), 1 the second's (23 to 28).
    double playbackErr(int fmt, int cate, int kind, int ch, int head,
                       const std::array<std::int16_t, 29>& block) const;

    // The recorder's own adjustments: where its VCO centre frequency and its
    // equaliser taps settle (close to, not exactly at, the optimum).
    int adjustedVco(int fmt, int cate, int kind, int ch, int run) const;
    std::array<int, 12> adjustedTaps(int fmt, int cate, int kind, int ch, int run) const;

    std::uint64_t seed() const { return seed_; }

  private:
    RecHeadTruth drawRecHead(int fmt, int ch, int head) const;

    std::uint64_t seed_;
    // Drawing a head's truth means solving for its curves: done once per head.
    mutable std::map<int, RecHeadTruth> recHeads_;
};

// Combines two error exponents as rates: log10(10^a + 10^b).
double addErrRates(double a, double b);

// The logistic response used by the level curves.
double logistic(double x);

}  // namespace rf::sim

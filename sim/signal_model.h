#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>

namespace rf::sim {

// Level bands of the envelope detector.
enum class Band { High = 0, Low = 1 };

// The record settings one head records with: current and frequency offsets.
struct RecSetting {
    int current = 0;
    int frequency = 0;
    friend bool operator==(const RecSetting&, const RecSetting&) = default;
};

// The record-current and frequency defaults of HDLP, at which the reference
// levels of the record adjustment are taken.
inline constexpr RecSetting DefaultLpSetting{50, -90};

// The steps the record adjustment takes: the current (low band) and the
// frequency (high band) of a channel's two heads.
struct Sweep {
    int first, last, step;
};
inline constexpr Sweep CurrentSweep{-80, 40, 10};
inline constexpr Sweep FrequencySweep{-120, 40, 20};

// The hidden physics of one record head.
//
// Against the record current each band rises (the tape magnetises) to a peak
// and falls again with over-recording: a rising and a falling logistic. The
// high band rises at a lower current than the low band, since short
// wavelengths are recorded with less current.
//
// Against the record frequency the low band hardly changes. The high band
// follows the channel: as the frequency moves the null of the recorded
// spectrum through the high-band filter the level dips into a notch and comes
// back, rising gently with frequency as a differentiating playback does.
struct RecHeadTruth {
    double lowMax = 0, highMax = 0;           // levels of the bands at their best
    double lowRise = 0, lowRiseWidth = 10;    // low band against the current: the rise,
    double lowFall = 0, lowFallWidth = 16;    // and the over-recording fall
    double highRise = 0, highRiseWidth = 10;  // high band against the current
    double highFall = 0, highFallWidth = 16;  //
    double notchAt = 0, notchWidth = 30;      // high band against the frequency: the notch,
    double notchDepth = 0.95, tilt = 0.1;     // its depth, and the rise per 100 steps
    double baseErr = -5.0;                    // error exponent of a recording at the best values
    double masterFactor = 1;  // master tape level against a recording at the best values
};

// What a right record adjustment chooses for a head: the settings where the
// noise-free sweeps of the adjustment cross their thresholds (rounded as the
// adjustment rounds), and the exact crossings.
struct RecBest {
    int current = 0;
    int frequency = 0;
    double currentExact = 0;
    double frequencyExact = 0;
    double frequencyThreshold = 0;  // the threshold whose crossing gave the frequency
};

// The hidden truth of one playback channel: the VCO centre frequency and the
// twelve equaliser taps (items 17 to 28 of its level block) it plays best with.
struct PbChannelTruth {
    int vcoOpt = 400;
    std::array<int, 12> tapOpt{};
    double baseErr = -5.0;  // error exponent with every value at its optimum
    // How far each head's error floor has risen with wear (decades; 0 at age 0).
    std::array<double, 2> wornErr{};
};

// How one head wears. Its age is the drum hours it has run with tape beyond
// the recorder's starting hours, counted in whole hours: at age 0 the head is
// exactly the head without wear, and nothing moves until the tape has run a
// full hour. Each head draws its wear from the seed on a stream of its own.
//
// - Its error floor rises by (age / life)^1.5 decades: slowly at first, then
//   faster, until even a right adjustment cannot keep it within a limit.
// - Its output falls with the floor: by 3 dB for each decade it has risen.
// - The values it works best with wander as the head tip wears and its
//   contact with the tape changes: by swing * (1 - cos(2 pi age / period)),
//   away from the values of age 0 and back again. A record head's level
//   curves move up in current and its notch up in frequency (so the sweeps
//   still cross every threshold once, within their range), taking its best
//   values with them; a playback head's two middle equaliser taps deepen.
//   Values left by an adjustment so drift off the best ones, and the error of
//   what the head records or plays rises until the next adjustment.
struct HeadWear {
    double life = 10000;        // age at which the error floor has risen one decade
    double period = 4000;       // hours the best values take to wander out and back
    double currentSwing = 0;    // record heads: half the wander of the best current
    double frequencySwing = 0;  // and of its notch frequency
    double tapSwing = 0;        // playback heads: half the wander of the middle taps
};

// The rise of a head's error floor at an age (decades), its output against
// the output at age 0, and how far a value with the given swing has wandered.
double wornErr(const HeadWear& wear, int age);
double wornOutput(const HeadWear& wear, int age);
double wander(double swing, const HeadWear& wear, int age);

// Faults that bend the level curves of every record head while recording, so
// each way of reading a curve can be met (see faults.h for the names).
enum class CurveFault { None, Flat, Falls, Twice, Low, ZeroReference };

// What a recorder's heads make of the tape: envelope levels and error rates as
// functions of the values stored in the recorder, around per-head values drawn
// from a seed, so a given seed is always the same recorder.
class SignalModel {
  public:
    explicit SignalModel(std::uint64_t seed) : seed_(seed) {}

    // Head 0 is the channel's first head (record value items 0 and 2), head 1
    // its second (items 1 and 3). Every function of a head takes its age
    // (whole hours, above); the master tape and the recordings on tape are
    // read through the heads as they are at that age.
    RecHeadTruth recHead(int fmt, int ch, int head, int age = 0) const;
    PbChannelTruth pbChannel(int fmt, int cate, int kind, int ch, int age = 0) const;
    // How a record head (fmt, ch, head) and a playback head wear.
    HeadWear recWear(int fmt, int ch, int head) const;
    HeadWear pbWear(int fmt, int cate, int kind, int ch, int head) const;

    // Envelope level of a recording made with the setting, read while
    // recording or played back later; a curve fault bends it.
    double recordLevel(int fmt, int ch, int head, Band band, RecSetting s,
                       CurveFault fault = CurveFault::None, int age = 0) const;
    // Envelope level of the master tape: a recording at the best values of
    // age 0, read with the head's output at `age`.
    double masterLevel(int fmt, int ch, int head, Band band, int age = 0) const;
    // Error exponent of a recording made with the setting.
    double recordErr(int fmt, int ch, int head, RecSetting s, int age = 0) const;
    // Error exponent of playback with a level block (items 0 to 28); `head` 0
    // uses the first head's taps (items 17 to 22), 1 the second's (23 to 28).
    double playbackErr(int fmt, int cate, int kind, int ch, int head,
                       const std::array<std::int16_t, 29>& block, int age = 0) const;

    // The values a right record adjustment chooses for a head, read here from
    // the levels themselves. The current sweep runs at the default frequency;
    // the frequency sweep of channel L at the default current (channel R's
    // pass wrote the defaults again after L's current was set) and that of
    // channel R at its own chosen current.
    RecBest best(int fmt, int ch, int head, int age = 0) const;

    // The recorder's own adjustments: where its VCO centre frequency and its
    // equaliser taps settle (close to, not exactly at, the optimum).
    int adjustedVco(int fmt, int cate, int kind, int ch, int run) const;
    std::array<int, 12> adjustedTaps(int fmt, int cate, int kind, int ch, int run,
                                     int age = 0) const;

    // The truth of wear, for judging predictions made from measurements.
    //
    // As left: the error exponent a right adjustment at `age` leaves a head
    // with: a record head recording at best(), a playback head playing with
    // its VCO and taps at their optimum. It rises with the floor alone.
    double recAsLeftErr(int fmt, int ch, int head, int age) const;
    double pbAsLeftErr(int fmt, int cate, int kind, int ch, int head, int age) const;
    // The first age, up to `horizon`, at which the as-left error is above
    // `limit`: where no adjustment keeps the head within it, and it has to be
    // replaced. Nothing when that is not within the horizon.
    std::optional<int> recReplacementAge(int fmt, int ch, int head, double limit,
                                         int horizon = 100000) const;
    std::optional<int> pbReplacementAge(int fmt, int cate, int kind, int ch, int head, double limit,
                                        int horizon = 100000) const;
    // The first age after `adjustedAt`, up to `horizon`, at which the head
    // working with the values left at `adjustedAt` (the record setting; the
    // level block) errs above `limit`: when it needs adjusting again.
    std::optional<int> recReadjustAge(int fmt, int ch, int head, RecSetting left, int adjustedAt,
                                      double limit, int horizon = 100000) const;
    std::optional<int> pbReadjustAge(int fmt, int cate, int kind, int ch, int head,
                                     const std::array<std::int16_t, 29>& left, int adjustedAt,
                                     double limit, int horizon = 100000) const;

    // A head's own recording played back by the record/playback head of its
    // channel (category 0, kind 0): what the recorder reads as the error rate
    // of its own recording, the two heads' errors added. With the values
    // given, at an age; after a right adjustment of both at that age; and
    // the ages where each first errs above `limit`, as above.
    double selfErr(int fmt, int ch, int head, RecSetting rec,
                   const std::array<std::int16_t, 29>& rp, int age) const;
    double selfAsLeftErr(int fmt, int ch, int head, int age) const;
    std::optional<int> selfReplacementAge(int fmt, int ch, int head, double limit,
                                          int horizon = 100000) const;
    std::optional<int> selfReadjustAge(int fmt, int ch, int head, RecSetting rec,
                                       const std::array<std::int16_t, 29>& rp, int adjustedAt,
                                       double limit, int horizon = 100000) const;

    std::uint64_t seed() const { return seed_; }

  private:
    std::uint64_t seed_;
    mutable std::map<std::pair<int, int>, RecBest> best_;  // by head and age
};

// Combines two error exponents as rates: log10(10^a + 10^b).
double addErrRates(double a, double b);

// The logistic response used by the level curves.
double logistic(double x);

// The level, relative to the level at the default values, that a curve fault
// gives at a setting `u` of the way through the sweep of its band (0 first
// point, 1 last point).
double faultCurve(CurveFault fault, double u);

}  // namespace rf::sim

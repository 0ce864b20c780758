#pragma once

#include <string>

#include "link/rs_commands.h"
#include "measure/err_rate_meas.h"
#include "measure/tape_handling.h"
#include "run/context.h"

namespace rf::measure {

// Text pieces every programme logs.
std::string timeOfDay(const platform::DateTime& t);
// "Video:-4.35,-4.40,-4.21,-4.33": a label and four exponents as "0.00".
std::string valueLine(const std::string& label, const std::array<float, 12>& values,
                      std::size_t first);

// Logs four exponents of SRealErr from `first`: the logger line `label`
// followed by the values (also into DspText), and a record of five fields in
// the operation log whose first is `recordLabel` (the label itself: "Video:"
// for the HDLP groups, "A/V" for the four-channel formats).
void logValues(run::RunContext& ctx, const std::string& label, const std::string& recordLabel,
               std::size_t first);

// The error-rate panel of a four-channel block: its bars AL, AR, VL and VR
// (the order of the readings), every head kind at once, the first group.
void showFourChannelPanel(run::RunContext& ctx);
// The panel of an HDLP block: the bars LH, LL, RH and RL, the head kind of
// category `cate` and kind `kind`, and the group the operator chose.
void showHdlpPanel(run::RunContext& ctx, int cate, int kind);
// What a four-channel format's check plays: DV its master tape, the others
// their check tape ("Master Error Rate", "Check Tape Error Rate").
std::string fourChannelTapeTitle(int fmt);
// Keeps the readings of a block: into the error rates measured and the
// results (RealErrOt and ErrResOt of `fmt`, RealErrLp and ErrResLp of the
// HDLP heads of `cate` and `kind`).
void keepFourChannelRates(ErrorRates& rates, int fmt);
void keepHdlpRates(ErrorRates& rates, int cate, int kind);
// Keeps a record block's readings while recording (conf) and played back
// (self): RealErrLp into ErrResLp, as category 1, kind 0 of `fmt`.
void keepRecordingRates(ErrorRates& rates, int fmt);

// Before a block is measured: a drum that changed speed since the last block
// (`lastRpm`, then `rpm`) settles for `settleMs`, and the tape left is checked.
// False when a stop was requested.
[[nodiscard]] bool settleForBlock(run::RunContext& ctx, TapeHandling& tape, int& lastRpm, int rpm,
                                  int settleMs);

// The recorder plays back with the normal heads of the block being recorded
// ("$RM" with playback mode "0", error rates off).
void normalHeadsMode(run::RunContext& ctx);

// The playback error-rate programme: the check or master tape of every
// selected format is played and the error rates of all heads are stored.
class PbMeasure {
  public:
    explicit PbMeasure(run::RunContext& ctx) : ctx_(ctx), rs_(ctx.rs), tape_(ctx), sampling_(ctx) {}

    void PbMeasureMain();

  private:
    void fourChannelBlock(int fmt, int rpm);
    void hdlpBlock(int cate, int kind);

    // The drum settles for 3 s whenever a block plays at another speed.
    static constexpr int DrumSettleMs = 3000;
    run::RunContext& ctx_;
    link::Rs& rs_;
    TapeHandling tape_;
    ErrRateSampling sampling_;
    int lastRpm_ = 0;
};

}  // namespace rf::measure

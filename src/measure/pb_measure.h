#pragma once

#include <string>

#include "link/rs_commands.h"
#include "measure/err_rate_meas.h"
#include "measure/tape_handling.h"
#include "run/context.h"

namespace rf::measure {

// The name of a four-channel format's block (DV, MAGVEX50M, MAGVEX HDSP).
const char* fourChannelName(int fmt);

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

    run::RunContext& ctx_;
    link::Rs& rs_;
    TapeHandling tape_;
    ErrRateSampling sampling_;
    int lastRpm_ = 0;
};

}  // namespace rf::measure

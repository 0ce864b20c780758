#pragma once

#include <array>

#include "link/rs_commands.h"
#include "run/context.h"

namespace rf::measure {

// The error-rate sampling every sequence uses: repeated "$ER" readings shown
// live on the error-rate panel and reduced to one exponent per channel.
class ErrRateSampling {
  public:
    ErrRateSampling(run::RunContext& ctx) : ctx_(ctx), rs_(ctx.rs) {}

    // Four channels (DV, SDSP, HDSP): nine samples, the largest dropped, the
    // power mean of the rest; fills SRealErr 0 to 3.
    void ErrRateMeasOt(std::array<float, 12>& SRealErr);
    // Twelve channels (HDLP Video, Audio1, Audio2): eight samples; fills
    // SRealErr 0 to 11.
    void ErrRateMeasLp2(std::array<float, 12>& SRealErr);

  private:
    // One "$ER" reading of a group into ErrRateStep/ErrRateText and the time display.
    void read(int group);

    run::RunContext& ctx_;
    link::Rs& rs_;
};

}  // namespace rf::measure

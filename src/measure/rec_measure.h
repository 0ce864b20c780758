#pragma once

#include "link/rs_commands.h"
#include "measure/err_rate_meas.h"
#include "measure/tape_handling.h"
#include "run/context.h"

namespace rf::measure {

// The record error-rate programme: every selected record block records on a
// blank tape and measures its error rates while recording ("Conf") and on
// playing the recording back ("Self").
class RecMeasure {
  public:
    explicit RecMeasure(run::RunContext& ctx)
        : ctx_(ctx), rs_(ctx.rs), tape_(ctx), sampling_(ctx) {}

    void RecMeasureMain();

  private:
    void block(int fmt, int rpm, int cate, int kind);
    void recordAndMeasure(int fmt, int rpm);
    // Reads the recorder's time code, shows it and returns it in seconds.
    std::int32_t timecodeSeconds();
    void writeHeader();

    run::RunContext& ctx_;
    link::Rs& rs_;
    TapeHandling tape_;
    ErrRateSampling sampling_;
    int lastRpm_ = 7;
};

}  // namespace rf::measure

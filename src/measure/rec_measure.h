#pragma once

#include "link/rs_commands.h"
#include "measure/err_rate_meas.h"
#include "measure/tape_handling.h"
#include "shell/main_form.h"

namespace rf::measure {

// The record error-rate programme: every selected record block records on a
// blank tape and measures its error rates while recording ("Conf") and on
// playing the recording back ("Self").
class RecMeasure {
  public:
    RecMeasure(shell::MainForm& form, link::Rs& rs)
        : form_(form), rs_(rs), tape_(form, rs), sampling_(form, rs) {}

    void RecMeasureMain();

  private:
    void block(int fmt, int rpm, int cate, int kind);
    void recordAndMeasure(int fmt, int rpm);
    // Reads the recorder's time code, shows it and returns it in seconds.
    std::int32_t timecodeSeconds();
    void writeHeader();

    shell::MainForm& form_;
    link::Rs& rs_;
    TapeHandling tape_;
    ErrRateSampling sampling_;
    int lastRpm_ = 7;
};

}  // namespace rf::measure

#pragma once

#include <string_view>

#include "run/display.h"
#include "state/error_rates.h"
#include "state/run_flags.h"

namespace rf::measure {

// The colour of a lit error-rate bar of `step` segments under the status
// ("PLAY" or "REC"), format and playback mode.
Color stepColor(int step, std::string_view status, int fmt, std::string_view pbModeCode);

// Redraws the four bars for group `selNo` from ErrDspStep; any status other
// than "PLAY" or "REC" blanks the panel.
void EnhErrorDisp(run::Display& display, const ErrorRates& rates, const RunFlags& flags,
                  std::string_view status, int selNo);

// The group button: Video (A/V outside HDLP) -> Audio1 -> Audio2 -> back.
void ErrSelect_Click(run::Display& display, ErrorRates& rates, const RunFlags& flags);

}  // namespace rf::measure

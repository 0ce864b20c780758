#pragma once

#include <string>

#include "run/context.h"
#include "state/shared.h"

namespace rf::adjust {

// The playback envelope levels of both channels in both bands, as the
// adjustments measure them on the master tape and on the self-recorded one:
// `title` ("Master PB Level", "Self PB Level") is logged with the column
// heads, then for each channel and band the recorder's band filter is chosen,
// the two heads' envelopes are measured and logged and kept in `levels`
// (channel, head, band 0 high / 1 low). Ends early when a stop is requested;
// the band filter is left on for the caller to switch off.
void PbLevelMeas(run::RunContext& ctx, const std::string& title, LevelTable& levels);

// "00.0": a level as the adjustments log it.
std::string levelText(float level);

}  // namespace rf::adjust

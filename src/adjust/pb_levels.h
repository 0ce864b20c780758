#pragma once

#include <string>

#include "run/context.h"
#include "state/adjustment_tables.h"

namespace rf::adjust {

// The playback envelope levels of both channels in both bands, as the
// adjustments measure them on the master tape and on the self-recorded one:
// `title` ("Master PB Level", "Self PB Level") is logged with the column
// heads, then for each channel and band the recorder's band filter is chosen,
// the two heads' envelopes are measured and logged and kept in `levels`
// (channel, head, band 0 high / 1 low). Ends early when a stop is requested;
// the band filter is left on for the caller to switch off.
[[nodiscard]] bool PbLevelMeas(run::RunContext& ctx, const std::string& title, LevelTable& levels);

// "00.0": a level as the adjustments log it.
std::string levelText(float level);

// "Lch;High Frequency Level": a channel (0 L, 1 R) and a band (0 high, 1 low).
std::string levelName(int ch, int band);

// The two heads' levels under `name`: a logger line "name:00.0,00.0" (also in
// DspText) and a record of the name and the two values in the operation log.
void logLevels(run::RunContext& ctx, const std::string& name, const std::array<float, 2>& levels);

}  // namespace rf::adjust

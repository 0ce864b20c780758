#pragma once

#include <array>

#include "link/rs_commands.h"
#include "run/context.h"

namespace rf::measure {

// The envelope levels of the two heads of channel `SHeadCh` (0 L, 1 R) while
// the recorder plays or records: one reading thrown away, then the trimmed mean
// of fourteen readings 50 ms apart for each head.
std::array<float, 2> EqEnvMeas1(run::RunContext& ctx, int SHeadCh);

}  // namespace rf::measure

#pragma once

#include <array>

#include "link/rs_commands.h"
#include "run/context.h"

namespace rf::measure {

// What the recorder does while its envelope is read.
enum class EnvelopeWhile {
    // Playing a tape: the reader's time code is shown, and the first reading
    // after the band is switched is thrown away and the level given two
    // seconds to settle.
    Playing,
    // Recording: the generator's time code is shown; the record sweep has
    // already recorded two seconds with the value it measures.
    Recording,
};

// The envelope levels of the two heads of channel `SHeadCh` (0 L, 1 R): the
// trimmed mean of fourteen readings 50 ms apart for each head.
std::array<float, 2> EqEnvMeas1(run::RunContext& ctx, int SHeadCh, EnvelopeWhile during);

}  // namespace rf::measure

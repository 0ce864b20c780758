#include "measure/env_meas.h"

#include "calc/calu_prg.h"

namespace rf::measure {

std::array<float, 2> EqEnvMeas1(run::RunContext& ctx, int SHeadCh, EnvelopeWhile during) {
    link::Rs& rs = ctx.rs;
    const bool playing = during == EnvelopeWhile::Playing;
    if (playing) {
        rs.AdjRun(SHeadCh, link::AdjRunKind::Env);
        ctx.Stby(2000);
    }
    calc::Readings readings;
    for (int k = 1; k <= 14; ++k) {
        ctx.display.timeCode(
            rs.TimeCodeRead(playing ? link::TimeCodeMode::Tcr : link::TimeCodeMode::Tcg));
        const auto env = rs.AdjRun(SHeadCh, link::AdjRunKind::Env);
        readings(k, 0) = static_cast<std::int16_t>(env[0]);
        readings(k, 1) = static_cast<std::int16_t>(env[1]);
        ctx.Stby(50);
    }
    return {calc::CaluTrimAve(readings, 0, 14), calc::CaluTrimAve(readings, 1, 14)};
}

}  // namespace rf::measure

#include "measure/env_meas.h"

#include "calc/calu_prg.h"

namespace rf::measure {

std::array<float, 2> EqEnvMeas1(run::RunContext& ctx, int SHeadCh) {
    link::Rs& rs = ctx.rs;
    rs.AdjRun(SHeadCh, link::AdjRunKind::Env);  // the first reading never counts
    ctx.Stby(2000);
    calc::Readings readings;
    for (int k = 1; k <= 14; ++k) {
        const auto tc = rs.TimeCodeRead(link::TimeCodeMode::Tcr);
        ctx.display.timeCode(tc);
        const auto env = rs.AdjRun(SHeadCh, link::AdjRunKind::Env);
        readings(k, 0) = static_cast<std::int16_t>(env[0]);
        readings(k, 1) = static_cast<std::int16_t>(env[1]);
        ctx.Stby(50);
    }
    return {calc::CaluTrimAve(readings, 0, 14), calc::CaluTrimAve(readings, 1, 14)};
}

}  // namespace rf::measure

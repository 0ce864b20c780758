#include "measure/env_meas.h"

#include "adjust/calc/calu_prg.h"

namespace rf::measure {

std::array<float, 2> EqEnvMeas1(shell::MainForm& form, link::Rs& rs, int SHeadCh) {
    rs.AdjRun(SHeadCh, link::AdjRunKind::Env);  // the first reading never counts
    form.Stby(2000);
    adjust::Readings readings;
    for (int k = 1; k <= 14; ++k) {
        const auto tc = rs.TimeCodeRead(link::TimeCodeMode::Tcr);
        for (std::size_t i = 0; i < 4; ++i)
            form.model().TimeDsp[i] = tc[i];
        const auto env = rs.AdjRun(SHeadCh, link::AdjRunKind::Env);
        readings(k, 0) = static_cast<std::int16_t>(env[0]);
        readings(k, 1) = static_cast<std::int16_t>(env[1]);
        form.Stby(50);
    }
    return {adjust::CaluTrimAve(readings, 0, 14), adjust::CaluTrimAve(readings, 1, 14)};
}

}  // namespace rf::measure

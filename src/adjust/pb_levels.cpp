#include "adjust/pb_levels.h"

#include <cmath>
#include <cstdio>

#include "core/delimited.h"
#include "measure/env_meas.h"

namespace rf::adjust {

std::string levelText(float level) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04.1f", std::abs(static_cast<double>(level)));
    const std::string digits = buf;
    return level < 0 && digits != "00.0" ? "-" + digits : digits;
}

void PbLevelMeas(run::RunContext& ctx, const std::string& title, LevelTable& levels) {
    Shared& s = ctx.shared;
    s.DspText = title;
    ctx.logLine(s.DspText);
    ctx.log.writeRecord(DelimitedRecord().text("BPF Kind").text("Env-*1").text("Env-*2").line());
    static constexpr const char* channels[] = {"Lch", "Rch"};
    static constexpr const char* bands[] = {"High Frequency Level", "Low Frequency Level"};
    for (int ch = 0; ch <= 1 && !s.StopReq; ++ch)
        for (int band = 0; band <= 1 && !s.StopReq; ++band) {
            const std::string name = std::string(channels[ch]) + ";" + bands[band];
            ctx.display.message(name);
            ctx.rs.KsSet(true, band, 0);
            const auto env = measure::EqEnvMeas1(ctx, ch);
            s.DspText = name + ":" + levelText(env[0]) + "," + levelText(env[1]);
            ctx.LogDsp(s.DspText);
            ctx.log.writeRecord(DelimitedRecord().text(name).number(env[0]).number(env[1]).line());
            for (int head = 0; head <= 1; ++head)
                levels(ch, head, band) = env[static_cast<std::size_t>(head)];
        }
}

}  // namespace rf::adjust

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

std::string levelName(int ch, int band) {
    static constexpr const char* channels[] = {"Lch", "Rch"};
    static constexpr const char* bands[] = {"High Frequency Level", "Low Frequency Level"};
    return std::string(channels[ch]) + ";" + bands[band];
}

void logLevels(run::RunContext& ctx, const std::string& name, const std::array<float, 2>& levels) {
    ctx.logAndShow(name + ":" + levelText(levels[0]) + "," + levelText(levels[1]));
    ctx.log.writeRecord(DelimitedRecord().text(name).number(levels[0]).number(levels[1]).line());
}

bool PbLevelMeas(run::RunContext& ctx, const std::string& title, LevelTable& levels) {
    ctx.logAndShow(title);
    ctx.log.writeRecord(DelimitedRecord().text("BPF Kind").text("Env-*1").text("Env-*2").line());
    for (int ch = 0; ch <= 1 && !ctx.stopRequested(); ++ch)
        for (int band = 0; band <= 1 && !ctx.stopRequested(); ++band) {
            const std::string name = levelName(ch, band);
            ctx.display.message(name);
            ctx.rs.KsSet(true, band, 0);
            const auto env = measure::EqEnvMeas1(ctx, ch, measure::EnvelopeWhile::Playing);
            logLevels(ctx, name, env);
            for (int head = 0; head <= 1; ++head)
                levels(ch, head, band) = env[static_cast<std::size_t>(head)];
        }
    return !ctx.stopRequested();
}

}  // namespace rf::adjust

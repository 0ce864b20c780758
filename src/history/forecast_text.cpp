#include "history/forecast_text.h"

#include <cstdio>

namespace rf::history {

namespace {

std::string hours(int h) {
    return std::to_string(h) + " h";
}

}  // namespace

std::string forecastLine(const HeadForecast& f) {
    std::string line = f.key.measurement + ": ";
    if (f.state == ForecastState::NotEnoughVisits)
        return line + "not enough visits (" + std::to_string(f.visits) + " of " +
               std::to_string(MinVisits) + ")";
    if (f.driftPer1000) {
        char drift[48];
        std::snprintf(drift, sizeof drift, "drift %+.2f per 1000 h; ", *f.driftPer1000);
        line += drift;
    }
    if (!f.intervalHours)
        line += "no adjustment due in sight; ";
    else if (*f.intervalHours == 0)
        line += "adjustment due now; ";
    else
        line += "adjust again within " + hours(*f.intervalHours) + " (by " +
                hours(f.lastHours + *f.intervalHours) + "); ";
    if (!f.replacementHours) return line + "no replacement in sight";
    line += "replace at " + hours(*f.replacementHours);
    if (f.replacementEarliest)
        line += " (" + std::to_string(*f.replacementEarliest) + " to " +
                (f.replacementLatest ? hours(*f.replacementLatest) : std::string("beyond")) + ")";
    return line;
}

Forecast forecastByHead(const std::vector<RunRecord>& runs) {
    Forecast byHead;
    for (const HeadForecast& f : forecastAll(groupVisits(runs)))
        if (f.state != ForecastState::NoLimit)
            byHead[f.key.head].push_back({f.key.block, forecastLine(f)});
    return byHead;
}

}  // namespace rf::history

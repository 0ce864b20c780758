#pragma once

#include <string>
#include <vector>

#include "history/history_model.h"
#include "history/trends.h"

namespace rf::history {

// One forecast as the History window says it beside its head, under the
// block chosen: "Self VIDEO: drift +0.21 per 1000 h; adjust again within
// 800 h (by 3400 h); replace at 9100 h (7800 to 10500 h)", or "Self VIDEO:
// not enough visits (2 of 3)".
std::string forecastLine(const HeadForecast& forecast);

// The History window's forecasts of a recorder's runs: its visits, and every
// series with a limit, by head.
Forecast forecastByHead(const std::vector<RunRecord>& runs);

}  // namespace rf::history

#pragma once

#include <string>

#include "history/history_model.h"

namespace rf::history {

// A recorder's history as CSV text, the History window's Export CSV and
// "rfadjust history VTRNAME --csv" alike: a header line, then one row per
// point: recorder, block, head, quantity, kind (found or left), drum hours,
// date, value, limit. A field with a comma or a quote is quoted; drum hours
// and limit are empty when not known; a value in the fewest digits that read
// back to it. Lines end in "\n".
std::string historyCsv(const RecorderHistory& history);

}  // namespace rf::history

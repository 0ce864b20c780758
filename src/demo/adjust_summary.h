#pragma once

#include <ostream>

#include "adjust/adjust_record.h"
#include "sim/signal_model.h"
#include "state/adjustment_tables.h"
#include "state/error_rates.h"

namespace rf::demo {

// What an unattended Adjust run did, block by block: the values as found and
// as left, the error rates against their limits, the LevelRate ratios and,
// since the recorder is simulated, its heads' own best values beside the
// values chosen.
// The error rates kept in the tables, by head, each against its limit.
void errorRateSummary(const ErrorRates& rates, std::ostream& out);

void adjustSummary(const AdjustmentTables& tables, const ErrorRates& rates,
                   const adjust::AdjustRecord& record, const sim::SignalModel& truth,
                   std::ostream& out);

}  // namespace rf::demo

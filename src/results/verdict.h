#pragma once

#include <functional>
#include <string>
#include <vector>

#include "adjust/adjust_record.h"
#include "core/window_changes.h"
#include "run/outcome.h"
#include "state/error_rates.h"
#include "state/selection.h"

namespace rf::results {

// What an operator needs to know when a run ends: PASS when every value the
// run measured is within its limit, FAIL naming each that is not (the block,
// the head, the measurement, the value and its limit; a LevelRate out of its
// bounds; a sweep that found no point), INCOMPLETE when the run did not reach
// its end, naming why and what was left undone, or when a value it kept was
// never measured.
struct Verdict {
    enum class Kind { Pass, Fail, Incomplete };
    Kind kind = Kind::Pass;
    std::vector<std::string> items;

    // "PASS", "FAIL" or "INCOMPLETE".
    std::string word() const;
    // One line: the word, then the items separated by "; ".
    std::string line() const;
    friend bool operator==(const Verdict&, const Verdict&) = default;
};

// One error rate of a kept row: the row, its group (0 Video, 1 Audio1, 2
// Audio2; 0 for a four-channel format), the head (0 L1, 1 L2, 2 R1, 3 R2) and
// its name, the value (NotMeasured when never measured) and its limit.
struct KeptRate {
    const KeptRates& row;
    int group = 0;
    int head = 0;
    const char* headName = "";
    float value = NotMeasured;
    float limit = 0;
};
// Calls fn for every error rate of the rows the run kept, row by row, group
// by group, head by head: the walk the verdict, the summaries and the records
// of runs share.
void forEachKeptRate(const ErrorRates& rates, const std::function<void(const KeptRate&)>& fn);
// The block a kept row belongs to, as the logs name blocks; a recording's
// rows belong to the record block of its format.
std::string keptRowBlock(const KeptRates& row);

// Judges a run of the Adjust programme (with `record`, what it found and did)
// or of the Error Rate programme (without): the rows of error rates it kept,
// and the blocks the operator selected that it left undone.
Verdict judgeRun(const run::Outcome& outcome, const ErrorRates& rates, const Selection& selection,
                 const adjust::AdjustRecord* record);

// The verdict window: shown when a run ends. Its buttons open the run's
// report (an Adjust run that wrote one) and the ErrorRate Result window.
struct VerdictWindowModel {
    std::string caption = "Run Verdict";
    bool visible = false;
    int asked = 0;          // each time a run ends it comes to the front
    std::string programme;  // "Adjust" or "Error Rate"
    Verdict verdict;
    std::string report;  // the report of the run, "" when none was written
    WindowChanges changes;
};

}  // namespace rf::results

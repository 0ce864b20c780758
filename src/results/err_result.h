#pragma once

#include <array>
#include <string>

#include "results/result_grid.h"
#include "run/outcome.h"
#include "state/error_rates.h"

namespace rf::results {

// The window "ErrorRate Result": the stored error-rate results of the HDLP
// blocks (ErrChartLp) and of the four-channel formats (ErrChartOt), every
// result that misses its limit in dark red, one never measured as "---" in
// grey. Every change is marked as Area::Window.
struct ErrResultModel {
    // Form_Load: both grids' fixed layout, headings and sizes.
    ErrResultModel();

    std::string caption = "ErrorRate Result";
    std::array<std::string, 2> FormLabel{"MAGVEX HDLP", "MAGVEX HDSP / SDSP / DV"};
    ResultGrid ErrChartLp{9, 14, 2, 2};
    ResultGrid ErrChartOt{4, 5, 1, 1};
    Button PrintGo{"PRINT"};
    Button ErrChartHide{"CLOSE"};
    std::string PrintLabel;  // VtrName, on the printout only
    // Above the tables, in dark red, after a run that did not reach its end:
    // how it ended. Empty (and not shown) otherwise.
    std::string RunLabel;
    Color background = ButtonFace;
    bool visible = false;
    WindowChanges changes;

    // What printing changes: both buttons leave the printout.
    PrintParts printParts() {
        return {PrintGo, ErrChartHide, true, PrintLabel, background, {&ErrChartLp, &ErrChartOt},
                changes};
    }
    friend bool operator==(const ErrResultModel&, const ErrResultModel&) = default;
};

// Fills every value cell from ErrResLp (format 7) and ErrResOt: the value
// with two decimals, black when it is at or below its limit, dark red above;
// a value never measured (NotMeasured) as "---" in grey.
void ErrResultFill(ErrResultModel& window, const ErrorRates& rates);

// Says how the last run ended, in the caption ("ErrorRate Result - STOPPED",
// "... - INCOMPLETE") and in RunLabel, so that values of a run cut short are
// not taken for a finished run's. A completed run adds nothing.
void ErrResultOutcome(ErrResultModel& window, const run::Outcome& lastRun);

}  // namespace rf::results

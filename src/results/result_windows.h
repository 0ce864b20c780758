#pragma once

#include <stdexcept>
#include <string>

#include "platform/platform.h"
#include "results/err_result.h"
#include "results/evr_result.h"
#include "state/adjustment_tables.h"
#include "state/error_rates.h"
#include "state/recorder.h"

namespace rf::results {

enum class ResultWindowId { ErrResult, EvrResult };

// What printing a window needs from the screen: the printer dialog and the
// printing of the window as it stands.
class WindowPrint {
  public:
    virtual ~WindowPrint() = default;
    // Opens the printer dialog in landscape; false when the operator cancels it.
    virtual bool choosePrinter() = 0;
    // Prints the window as its model stands now on the chosen printer. Throws
    // PrintFailed with the reason when the printer cannot take the page.
    virtual void printWindow() = 0;
};

struct PrintFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The operator's actions on the result windows, as their views report them.
class ResultWindowEvents {
  public:
    virtual ~ResultWindowEvents() = default;
    virtual void resultActivated(ResultWindowId window) = 0;
    // CLOSE, or the title-bar close.
    virtual void resultClosed(ResultWindowId window) = 0;
    // An item of EvrResult's format choice.
    virtual void formatSelected(int index) = 0;
    // PRINT; `print` is the window's way to the printer.
    virtual void printClicked(ResultWindowId window, WindowPrint& print) = 0;
};

// The two result windows: their models and what the operator's actions do.
class ResultWindows {
  public:
    ResultWindows(const Recorder& recorder, const AdjustmentTables& tables, const ErrorRates& rates,
                  platform::Dialogs& dialogs)
        : recorder_(recorder), tables_(tables), rates_(rates), dialogs_(dialogs) {}

    ErrResultModel& errResult() { return err_; }
    EvrResultModel& evrResult() { return evr_; }

    // Shows the window (the Indicate menu, and the end of a run for
    // ErrResult) and refreshes it; EvrResult starts on "HDLP".
    void show(ResultWindowId window);
    // Form_Activate: the window redraws its values. EvrResult keeps the
    // format chosen: Qt activates a window again after its own printer dialog
    // and message box, which must not throw the operator's choice away.
    void activated(ResultWindowId window);
    // CLOSE: the window is hidden and keeps its state.
    void hide(ResultWindowId window);
    // A run has ended: ErrResult says how, and a window already open shows
    // the run's values at once.
    void runEnded(const run::Outcome& outcome);
    // FormatSel_Click: EvrDsp for the chosen item.
    void FormatSel_Click(int index);
    // PrintGo_Click: the printer dialog, then the window printed with VtrName
    // on it and without its PRINT button (and without CLOSE in ErrResult),
    // then the window put back. A cancelled dialog prints nothing; a printer
    // that fails is reported with its reason, and the window is put back all
    // the same with PRINT enabled.
    void PrintGo_Click(ResultWindowId window, WindowPrint& print);

  private:
    void printWith(PrintParts parts, WindowPrint& print);

    const Recorder& recorder_;
    const AdjustmentTables& tables_;
    const ErrorRates& rates_;
    platform::Dialogs& dialogs_;
    ErrResultModel err_;
    EvrResultModel evr_;
};

}  // namespace rf::results

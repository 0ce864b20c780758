#include "results/result_windows.h"

#include <optional>

namespace rf::results {

void ResultWindows::show(ResultWindowId window) {
    if (window == ResultWindowId::ErrResult) {
        err_.visible = true;
        err_.changes.mark(Area::Window);
    } else {
        evr_.visible = true;
        evr_.FormatSel.selected = 0;
        evr_.changes.mark(Area::Window);
    }
    activated(window);
}

void ResultWindows::activated(ResultWindowId window) {
    if (window == ResultWindowId::ErrResult)
        ErrResultFill(err_, rates_);
    else
        EvrDsp(evr_, tables_);
}

void ResultWindows::hide(ResultWindowId window) {
    if (window == ResultWindowId::ErrResult) {
        err_.visible = false;
        err_.changes.mark(Area::Window);
    } else {
        evr_.visible = false;
        evr_.changes.mark(Area::Window);
    }
}

void ResultWindows::runEnded(const run::Outcome& outcome) {
    ErrResultOutcome(err_, outcome);
    if (err_.visible) ErrResultFill(err_, rates_);
}

void ResultWindows::FormatSel_Click(int index) {
    if (index < 0 || index >= static_cast<int>(evr_.FormatSel.items.size())) return;
    evr_.FormatSel.selected = index;
    EvrDsp(evr_, tables_);
}

void ResultWindows::PrintGo_Click(ResultWindowId window, WindowPrint& print) {
    printWith(window == ResultWindowId::ErrResult ? err_.printParts() : evr_.printParts(), print);
}

void ResultWindows::printWith(PrintParts parts, WindowPrint& print) {
    parts.PrintGo.enabled = false;
    parts.changes.mark(Area::Window);
    if (print.choosePrinter()) {
        const auto dress = [&](bool forPaper) {
            parts.PrintLabel = forPaper ? recorder_.VtrName : "";
            parts.PrintGo.visible = !forPaper;
            if (parts.hideClose) parts.closeButton.visible = !forPaper;
            parts.background = forPaper ? HighlightText : ButtonFace;
            for (ResultGrid* grid : parts.grids)
                grid->fixedBack = parts.background;
            parts.changes.mark(Area::Window);
        };
        dress(true);
        std::optional<std::string> failure;
        try {
            print.printWindow();
        } catch (const PrintFailed& e) {
            failure = e.what();
        }
        dress(false);
        if (failure)
            dialogs_.msgBox("Print Error !!\n" + *failure, platform::Buttons::Ok,
                            platform::Icon::Critical, "ERROR Message");
    }
    parts.PrintGo.enabled = true;
    parts.changes.mark(Area::Window);
}

}  // namespace rf::results

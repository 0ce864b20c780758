#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/steps.h"
#include "run/context.h"
#include "run/display.h"

namespace rf::data {

// The data-area window `DataAreaSel`: its caption, label and buttons, in the
// order of `AreaNo` (0 "User", 1 "Default").
inline constexpr const char* AreaCaption = "EVR Data Area Selector";
inline constexpr const char* AreaLabel = "Please select Access Area !";

// "Data DownLoad", "Data UpLoad" and "Data Initialize": the recorder's
// adjustment data of every block of `AdjTarget`, record blocks first, each in
// its own period of adjustment mode in the data area the operator picks.
class DataTransfer {
  public:
    // `FormInit` returns the window to idle.
    DataTransfer(run::RunContext& ctx, std::function<void()> FormInit)
        : ctx_(ctx), FormInit_(std::move(FormInit)) {}

    // A transfer that went through to its end: the commands the operator
    // ignored on the way.
    struct Ended {
        int ignored = 0;
    };
    // Runs the item. Each command is a step of its own under `onError` (run
    // control's trap), so Retry repeats the failed command. None when nothing
    // was transferred (refused, cancelled) or the transfer did not reach its end.
    std::optional<Ended> run(run::ProgramItem item, const ErrorHandler& onError);

  private:
    // The blocks' steps: adjustment mode on, the item's commands, progress,
    // adjustment mode off.
    void addBlockSteps(std::vector<Step>& steps, run::ProgramItem item, int d, const BlockSel& b);

    run::RunContext& ctx_;
    std::function<void()> FormInit_;
};

}  // namespace rf::data

#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/steps.h"
#include "run/context.h"
#include "state/startup_settings.h"

namespace rf::data {

// What the File menu needs from the main window and the running tool.
struct FileMenuHooks {
    std::function<void()> FormInit;
    std::function<void(const std::string& caption)> setCaption;
    // Writes the error text and a date line to the log, closes the log and
    // the port, and ends the program.
    std::function<void(const std::string& errorText)> endProgram;
    // A save ("File Save") or load ("File Load") that went through to its
    // end, no step of it given up; `at` is when the data was taken: the
    // moment the save's history headers carry, or the load read its file.
    std::function<void(const std::string& programme, const platform::DateTime& at)> done;
};

// The File menu: "Save" (0) writes the data file and appends to the two
// history files, "Load" (1) reads a data file back.
class FileMenu {
  public:
    FileMenu(run::RunContext& ctx, const StartupSettings& settings, FileMenuHooks hooks)
        : ctx_(ctx), settings_(settings), hooks_(std::move(hooks)) {}

    void MenuFileSelect_Click(int index);

  private:
    void save();
    void load();
    // The handler's error trap: "File Not Write !" for a file that may not be
    // written, "Other Error No = " for the rest, each with the file and the
    // reason on a second line. Retry runs the failing step
    // again; Abort ends the program; Ignore gives the command up, leaving the
    // window idle and every table as it was.
    ErrorChoice onError(const RfError& error);
    // Runs the steps of `programme` under the trap; `done` when all of them
    // went through, with the moment a step set in `at`.
    void runCommand(const std::string& programme, std::vector<Step> steps,
                    const platform::DateTime& at);

    run::RunContext& ctx_;
    const StartupSettings& settings_;  // the tool's own file names
    FileMenuHooks hooks_;
};

}  // namespace rf::data

#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/steps.h"
#include "run/context.h"
#include "run/outcome.h"
#include "shell/main_form.h"

namespace rf::shell {

// What run control needs from the running tool beyond the main window.
class ToolHost {
  public:
    virtual ~ToolHost() = default;
    // Writes the error text (if any) and a date line to the log, closes the log
    // and the port, and ends the program.
    virtual void endProgram(const std::optional<std::string>& errorText) = 0;
    // Before an end the operator chose at an error box: the recorder out of
    // adjustment mode and its transport stopped, as far as it still answers.
    virtual void makeRecorderSafe() = 0;
    virtual void closePort() = 0;
    virtual void openPort() = 0;
    // The main window's activation: the connection check.
    virtual void formActivate() = 0;
};

// The programmes and windows run control starts. Those not set are not there
// yet and are skipped.
struct Programmes {
    std::function<void()> PbAdjustMain, RecAdjustMain, PbMeasureMain, RecMeasureMain;
    // "Data DownLoad", "Data UpLoad", "Data Initialize" (items 7, 8, 9).
    std::function<void(run::ProgramItem item)> DataTransfer;
    // The error-rate result window after a run.
    std::function<void()> ShowErrorResult;
    // A fresh record of the run before the Adjust mains: what the report and
    // the level curves show is this run's only.
    std::function<void()> AdjustBegins;
    // The run's first step is next: the selection, the programme and the
    // recorder's serial number are known.
    std::function<void()> RunBegins;
    // The adjustment report after the Adjust mains, also when the run stopped.
    std::function<void(bool stopped)> AdjustReport;
    // Every run that was not aborted ends here, with its outcome, before the
    // results come up.
    std::function<void(const run::Outcome& outcome)> RunEnds;
};

// The Program menu: programme choice, START, IRQ, STOP, the data items,
// Program Reset and END, all under one Abort/Retry/Ignore error trap.
class RunControl {
  public:
    RunControl(MainForm& form, run::RunContext& ctx, ToolHost& host, Programmes& programmes)
        : form_(form), ctx_(ctx), host_(host), programmes_(programmes) {}

    void MenuPrgSelect_Click(run::ProgramItem PrgItem);
    // True when the connection check identified a supported recorder;
    // otherwise the operator is told why nothing will be sent.
    bool recorderSupported();

    // Where an error struck: in a programme main, which Retry runs anew and
    // Ignore leaves for the next one, so the recorder is first put back as the
    // run found it; or at one command of a sequence, which Retry repeats and
    // Ignore skips, the recorder staying as it is.
    enum class ErrorScope { Main, Command };
    // The error trap's decision for an error: shows the message and acts on the
    // operator's answer (Abort puts the recorder back and ends the program).
    // After a failed line it is Abort without a box, and the end is left to
    // the top of the work.
    ErrorChoice onError(const RfError& error, ErrorScope scope = ErrorScope::Command);
    // Why the last run did not reach its end although nobody stopped it: an
    // error answered Ignore left a programme (the error and the programme), or
    // a put-back failed.
    const std::optional<std::string>& incomplete() const { return incomplete_; }
    // How the last run that went through to the end of run control ended;
    // none before the first (a run that Abort ended has no outcome: the
    // program ends with it).
    const std::optional<run::Outcome>& lastRun() const { return lastRun_; }

  private:
    // The run's journal begins, naming the programme and the recorder.
    void beginJournal(const std::string& programme);
    // True (and the operator told) while an unfinished run's values found
    // wait to be put back: nothing else may be sent to the recorder.
    bool putBackOwed();
    void start();
    void restart();
    // The run did not reach its end: the first reason is kept, and a
    // programme's run says so in the operation log with its cause.
    void markIncomplete(const std::string& reason, const std::string& cause, ErrorScope scope);
    void trap(const std::vector<Step>& steps, ErrorScope scope = ErrorScope::Command);

    MainForm& form_;
    run::RunContext& ctx_;
    ToolHost& host_;
    Programmes& programmes_;
    std::string running_;  // the programme main at work: "Play Adjust", ...
    std::optional<std::string> incomplete_;
    std::optional<run::Outcome> lastRun_;
};

}  // namespace rf::shell

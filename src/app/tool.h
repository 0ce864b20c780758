#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "adjust/adjust_record.h"
#include "adjust/pb_adjust.h"
#include "adjust/rec_adjust.h"
#include "app/connection.h"
#include "core/steps.h"
#include "data/data_transfer.h"
#include "data/file_menu.h"
#include "history/history_model.h"
#include "link/rs_commands.h"
#include "link/rs_link.h"
#include "measure/pb_measure.h"
#include "measure/rec_measure.h"
#include "platform/platform.h"
#include "report/report_content.h"
#include "results/level_curve_model.h"
#include "results/result_windows.h"
#include "results/verdict.h"
#include "run/context.h"
#include "run/operation_log.h"
#include "run/time_left.h"
#include "shell/main_form.h"
#include "shell/main_window_events.h"
#include "shell/run_control.h"
#include "state/adjustment_tables.h"
#include "state/error_rates.h"
#include "state/recorder.h"
#include "state/run_flags.h"
#include "state/selection.h"
#include "state/startup_settings.h"

namespace rf::app {

inline constexpr const char* DvtrRfFile = "DVTRRF.DAT";
inline constexpr const char* RsSetFile = "RSSET.DAT";

// What a rehearsal of the run about to begin repeats: the programme, the part
// chosen (the option button's place), the selection, the recorder as
// identified, the adjustment tables as they stand and the settings read.
struct RunRehearsal {
    bool adjust = true;  // Adjust, else Error Rate
    int part = 0;
    Selection selection;
    Recorder recorder;
    AdjustmentTables tables;
    StartupSettings settings;
};
// How the run would go, rehearsed; none when it cannot be told.
using RunEstimator = std::function<std::optional<run::RunPlan>(const RunRehearsal&)>;

// A run that has just ended, to be kept: its programme ("Adjust", "Error
// Rate", "Data DownLoad", "Data UpLoad", "Data Initialize", "File Save",
// "File Load"), when it began (a save or a load: when its data was taken)
// and how it ended.
struct EndedRun {
    std::string programme;
    platform::DateTime started;
    run::Outcome outcome;
};
// What the operator must be told about where a run went, "" when it was kept
// as it should be; called on the tool's thread.
using RunTold = std::function<void(const std::string& said)>;
// Keeps an ended run (the records store) and tells, at once or once the
// keeping is done.
using RunKeeper = std::function<void(const EndedRun&, RunTold)>;

// The running tool: its state, the link to the recorder, the operation
// log and the main window, on one platform. It reads and writes its files in
// `workDir` (the process's working directory when empty). It receives the
// operator's actions from the window.
class Tool final : public shell::ToolHost,
                   public shell::MainWindowEvents,
                   public results::ResultWindowEvents {
  public:
    explicit Tool(platform::Platform& platform, std::filesystem::path workDir = {});
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    ~Tool() override;

    // The start-up routine: refuses a second copy, presets the state,
    // reads the settings files, loads and shows the main window and runs its
    // first activation (the connection check). False when the program ended
    // instead (another copy, Abort or Ignore, or the end chosen in the check).
    bool Main();

    // Ends the program: writes the error text (if any) and a date line to the
    // operation log, closes the log and the port, and requests the end. After
    // a failed line the end is the failed line's (endAfterLineFailure).
    void endProgram(const std::optional<std::string>& errorText = std::nullopt) override;
    bool ended() const { return ended_; }

    Recorder& recorder() { return recorder_; }
    StartupSettings& settings() { return settings_; }
    Selection& selection() { return selection_; }
    AdjustmentTables& tables() { return tables_; }
    ErrorRates& rates() { return rates_; }
    RunFlags& flags() { return flags_; }
    link::RsLink& link() { return link_; }
    link::Rs& rs() { return rs_; }
    run::OperationLog& log() { return log_; }
    shell::MainForm& form() { return form_; }
    const shell::MainWindowModel& window() const { return form_.model(); }
    run::RunContext& context() { return ctx_; }
    // What the last Adjust run found and did.
    const adjust::AdjustRecord& adjustRecord() const { return adjustRecord_; }
    shell::VersionWindowModel& versionWindow() { return version_; }
    // The level-curve window, which follows the adjustment record.
    const results::LevelCurveWindowModel& levelCurveWindow() const { return levelCurves_; }
    results::ResultWindows& resultWindows() { return results_; }
    // The verdict of the last run, shown when it ends.
    const results::VerdictWindowModel& verdictWindow() const { return verdict_; }
    void verdictClosed() {
        verdict_.visible = false;
        verdict_.changes.mark(shell::Area::Window);
    }
    // The adjustment report is written with `writer` after every Adjust run
    // (the program hands it the PDF writer); without one there is no report.
    void setReportWriter(report::Writer writer) { reportWriter_ = std::move(writer); }
    // Each Adjust and Error Rate run is rehearsed with `estimator` as it
    // begins, and the window shows the time left as it goes; without one it
    // shows none.
    void setRunEstimator(RunEstimator estimator) { estimator_ = std::move(estimator); }
    // Every run, as it ends, goes to `keeper`. What it says is told once, in
    // the status bar and the log, and stands in the status bar until the
    // keeper takes runs again.
    void setRunKeeper(RunKeeper keeper) { keeper_ = std::move(keeper); }
    // The path of the last report written, or "" when none was.
    const std::string& lastReport() const { return lastReport_; }
    shell::Programmes& programmes() { return programmes_; }
    shell::RunControl& runControl() { return run_; }
    Connection& connection() { return connection_; }
    platform::SerialPort* port() { return port_.get(); }
    platform::Platform& platform() { return platform_; }

    // The main window's load step: configures the serial port, initialises the
    // data, opens the port and the operation log with its date line.
    void FormLoad();

    // Called each time the serial port has been opened (a front panel for a
    // simulated recorder hooks in here).
    void onPortOpened(std::function<void(platform::SerialPort&)> callback) {
        portOpened_ = std::move(callback);
    }

    // ToolHost
    void closePort() override;
    void openPort() override;
    void makeRecorderSafe() override;
    void formActivate() override { connection_.Form_Activate(); }

    // MainWindowEvents: the operator's actions. Disabled items do nothing.
    void menuPrg(int index) override;
    // The operator chooses a Program menu item.
    void choose(run::ProgramItem item) { menuPrg(run::menuIndex(item)); }
    void menuFile(int index) override;
    void menuIndicate(int index) override;
    void menuHelp(int index) override;
    void partAdjCheck(int index) override;
    void checkBox(shell::CheckBoxId box) override;
    void tabSelected(int index) override;
    void errSelect() override;
    void closeRequested() override;
    void versionClosed() override {
        version_.visible = false;
        version_.changes.mark(shell::Area::Window);
    }
    // The title-bar close of the level-curve window.
    void levelCurvesClosed() {
        levelCurves_.visible = false;
        levelCurves_.changes.mark(shell::Area::Window);
    }
    // The History window: opened like the level-curve window, at any time.
    const history::HistoryWindowModel& historyWindow() const { return history_; }
    void historyClosed() {
        history_.visible = false;
        history_.changes.mark(shell::Area::Window);
    }
    // The History window's Print and Export CSV (modal dialogs): not started
    // while a programme works.
    void historyAction(const std::function<void()>& action);
    // ResultWindowEvents. Looking at a window, choosing a format and closing
    // only read the tables: taken at any time. Printing (a modal dialog) is
    // not started while a programme works.
    void resultActivated(results::ResultWindowId window) override;
    void resultClosed(results::ResultWindowId window) override;
    void formatSelected(int index) override;
    void printClicked(results::ResultWindowId window, results::WindowPrint& print) override;

  private:
    // The start-up handler: shows the error and returns the operator's choice.
    ErrorChoice startupError(const RfError& error, const char* fileBeingRead);
    // Whether an operator's action may start while another one is at work
    // (its waits let the window's events run).
    enum class DuringWork { Refused, Allowed };
    // Every operator's action enters here: one at a time, except those that
    // act on the work in progress (STOP, IRQ, END, the panel's group button).
    void operatorAction(DuringWork during, const std::function<void()>& action);
    // Runs an action. A close asked for meanwhile (the window's events keep
    // running while a programme works) stops the programme and closes the
    // window once the action has returned.
    void handle(const std::function<void()>& action);
    // The close handler: once started, the program ends.
    void close();
    // The end after a fatal event on a line that still answers, once no
    // exchange is in progress: the line used again, the open operation's
    // record, the programme's pending values put back and the recorder made
    // safe, then the log closed with the text the operator was shown.
    void endAfterLineFailure(const std::string& text);
    // Reads the drum hours and writes the adjustment report of the last run.
    void writeReport(bool stopped);
    // The time left of the run that begins, from its rehearsal; and shown.
    void estimateRun();
    void showTimeLeft();
    void endEstimate();
    // Hands the run that ended to the keeper and tells what it said.
    void keepRun(const std::string& programme, const run::Outcome& outcome);
    void runKeptTold(const std::string& said);
    // The verdict of the run that ends with `outcome`, and its window.
    results::Verdict judge(const run::Outcome& outcome) const;
    void showVerdict(const run::Outcome& outcome);

    // A file of the tool's by its name: in the working directory.
    std::string fileIn(const std::string& name) const;

    platform::Platform& platform_;
    std::filesystem::path workDir_;
    Recorder recorder_;
    StartupSettings settings_;
    Selection selection_;
    AdjustmentTables tables_;
    ErrorRates rates_;
    RunFlags flags_;
    run::RunState state_{recorder_, selection_, tables_, rates_, flags_};
    link::RsLink link_;
    link::Rs rs_;
    run::OperationLog log_;
    shell::MainForm form_;
    run::RunContext ctx_;
    shell::Programmes programmes_;
    shell::RunControl run_;
    Connection connection_;
    shell::VersionWindowModel version_;
    results::ResultWindows results_{recorder_, tables_, rates_, platform_.dialogs()};
    adjust::AdjustRecord adjustRecord_;
    results::LevelCurveWindowModel levelCurves_;
    results::VerdictWindowModel verdict_;
    history::HistoryWindowModel history_;
    adjust::PbAdjust pbAdjust_{ctx_, adjustRecord_};
    adjust::RecAdjust recAdjust_{ctx_, adjustRecord_};
    measure::PbMeasure pbMeasure_;
    measure::RecMeasure recMeasure_;
    data::DataTransfer dataTransfer_{ctx_, [this] { form_.FormInit(); }};
    data::FileMenu fileMenu_{
        ctx_,
        settings_,
        {[this] { form_.FormInit(); }, [this](const std::string& c) { form_.setCaption(c); },
         [this](const std::string& text) { endProgram(text); },
         [this](const std::string& programme, const platform::DateTime& at) {
             // A save is dated as its history files date it.
             runStarted_ = at;
             keepRun(programme, {});
         }}};
    std::unique_ptr<platform::SerialPort> port_;
    std::function<void(platform::SerialPort&)> portOpened_;
    report::Writer reportWriter_;
    RunEstimator estimator_;
    RunKeeper keeper_;
    platform::DateTime runStarted_;
    std::optional<run::RemainingTime> remaining_;
    std::unique_ptr<platform::Timer> timeLeftTimer_;
    std::string lastReport_;
    bool ended_ = false;
    int busy_ = 0;
    bool closePending_ = false;
    bool closing_ = false;
};

}  // namespace rf::app

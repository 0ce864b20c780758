// rfadjust: the operator's RF adjustment tool.
#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QSysInfo>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/tool.h"
#include "core/errors.h"
#include "core/version.h"
#include "demo/demo.h"
#include "demo/rehearsal.h"
#include "history/forecast_text.h"
#include "platform/qt/end_signals.h"
#include "platform/qt/qt_platform.h"
#include "records/history_command.h"
#include "records/history_demo.h"
#include "records/run_keeper.h"
#include "records/view/history_window.h"
#include "report/report_pdf.h"
#include "results/view/level_curve_window.h"
#include "results/view/result_window_view.h"
#include "results/view/verdict_window.h"
#include "shell/view/main_window_view.h"
#include "shell/view/screen_fit.h"
#include "shell/view/version_window_view.h"
#include "sim/panel/front_panel.h"
#include "sim/realtime/qt_sim_port.h"

namespace {

// The command line. Without options the tool starts in its working directory,
// as an operator starts it.
struct Options {
    std::string demo;  // the unattended programme, when one is asked for
    std::string file;  // --save FILE after "adjust", or the data file to upload
    // "history VTRNAME --csv" or "history import FILE...": the words after "history".
    std::vector<std::string> history;
    bool csv = false;
    int visits = 8;  // --demo history
};

// Parses the command line; prints help, the version or the mistake and gives
// the exit code when the program is to end at once.
std::optional<int> parse(const QApplication& app, Options& options) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The operator's RF adjustment tool for the QT7310/7320/7330 recorders. It reads\n"
        "DVTRRF.DAT and RSSET.DAT from the working directory and appends to its operation\n"
        "log QT7310AdjLog.txt there; after every Adjust run it writes an adjustment report\n"
        "(PDF) into reports/ there.\n"
        "\"rfadjust history VTRNAME --csv\" prints a recorder's history from the records store\n"
        "there as CSV; \"rfadjust history import FILE...\" reads history files (QT7310Err.dat,\n"
        "QT7310Evr.dat) into it.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo(
        "demo",
        "Run <programme> unattended on the simulated recorder (RSSET.DAT port \"SIM\") and "
        "print a summary: error-rate, adjust, upload (load the data file FILE and upload "
        "it to the recorder's \"User\" area), or history (the recorder visited N times as "
        "its heads wear, every run kept in the records store, then each head's forecast "
        "beside the simulator's truth).",
        "programme");
    const QCommandLineOption visits("visits", "With --demo history: the visits (8).", "N");
    const QCommandLineOption save("save", "With --demo adjust: save the run's data to <file>.",
                                  "file");
    const QCommandLineOption csv(
        "csv", "With history VTRNAME: print that recorder's history as CSV, a row per point.");
    parser.addOption(demo);
    parser.addOption(save);
    parser.addOption(csv);
    parser.addOption(visits);
    parser.addPositionalArgument("FILE", "With --demo upload: the data file to upload.", "[FILE]");
    if (!parser.parse(app.arguments())) {
        std::cerr << "rfadjust: " << parser.errorText().toStdString() << "\n"
                  << parser.helpText().toStdString();
        return 2;
    }
    if (parser.isSet("help")) {
        std::cout << parser.helpText().toStdString();
        return 0;
    }
    if (parser.isSet("version")) {
        std::cout << "rfadjust " << app.applicationVersion().toStdString() << "\n";
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && positional.front() == "history" && !parser.isSet(demo) &&
        !parser.isSet(save)) {
        for (const QString& word : positional.mid(1))
            options.history.push_back(word.toStdString());
        options.csv = parser.isSet(csv);
        const bool import =
            !options.csv && options.history.size() >= 2 && options.history.front() == "import";
        if (import || (options.csv && options.history.size() == 1)) return std::nullopt;
        std::cerr << "rfadjust: history VTRNAME --csv, or history import FILE...\n"
                  << parser.helpText().toStdString();
        return 2;
    }
    options.demo = parser.value(demo).toStdString();
    const bool upload = options.demo == "upload";
    bool visitsRead = true;
    if (parser.isSet(visits)) options.visits = parser.value(visits).toInt(&visitsRead);
    const bool valid =
        !parser.isSet(csv) && visitsRead && (!parser.isSet(visits) || options.demo == "history") &&
        (options.demo.empty() ? positional.isEmpty() && !parser.isSet(save)
                              : (upload ? positional.size() == 1 && !parser.isSet(save)
                                        : positional.isEmpty() &&
                                              (!parser.isSet(save) || options.demo == "adjust")));
    if (!valid) {
        std::cerr << "rfadjust: these arguments do not go together\n"
                  << parser.helpText().toStdString();
        return 2;
    }
    options.file = upload ? positional.front().toStdString() : parser.value(save).toStdString();
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Only the operator's start (no arguments) opens windows: an unattended run
    // (which draws its report's plots with Qt), the help and the version need
    // no display.
    if (argc > 1 && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("rfadjust");
    QApplication::setApplicationVersion(rf::toolVersion());
    Options options;
    if (const auto exit = parse(app, options)) return *exit;
    if (options.demo == "history")
        return rf::records::runHistoryDemo(options.visits, std::cout, std::cerr);
    if (!options.demo.empty())
        return rf::demo::runDemo(options.demo, std::cout, std::cerr, options.file);
    if (options.csv)
        return rf::records::historyCsvCommand(std::filesystem::current_path(),
                                              options.history.front(), std::cout, std::cerr);
    if (!options.history.empty())
        return rf::records::historyImportCommand(
            std::filesystem::current_path(), {options.history.begin() + 1, options.history.end()},
            std::cout, std::cerr);

    QApplication::setFont(QFont("Arial"));
    // The program ends only by its own decision (END, the close handler, Abort),
    // each of which writes the log's last line first. Program Reset hides the
    // only window while it asks "ReStart OK ?": Qt must not take the closing of
    // that box for the last window closing and quit.
    QApplication::setQuitOnLastWindowClosed(false);
    rf::platform::qt::QtPlatform platform;
    // One copy per working directory: a second one there says so and fails.
    if (!platform.acquireSingleInstance()) {
        const std::string text = "rfadjust: " + platform.lockRefusal();
        std::cerr << text << std::endl;
        platform.dialogs().msgBox(text, rf::platform::Buttons::Ok, rf::platform::Icon::Critical,
                                  "RF ADJUST TOOL");
        return 3;
    }
    // The port name "SIM" is the built-in simulated recorder, not a device; the
    // recorder of the latest such port goes to its front panel.
    std::shared_ptr<rf::sim::RealTimeRecorder> simRecorder;
    platform.registerPort(
        rf::sim::QtSimPort::PortName,
        rf::sim::QtSimPort::factory(
            [&](const std::shared_ptr<rf::sim::RealTimeRecorder>& host) { simRecorder = host; }));
    rf::app::Tool tool(platform);
    // A shutdown, a logout or Ctrl-C closes the tool as its window's close does.
    rf::platform::qt::EndSignals endSignals(platform, [&](int) { tool.closeRequested(); });
    tool.setReportWriter(rf::report::writePdf);
    // The time left of each run: rehearsed on the simulated recorder first.
    tool.setRunEstimator(rf::demo::rehearse);
    // Every run, as it ends, into the records store of the working directory,
    // written on a thread of its own: a store out of reach never holds the window.
    tool.setRunKeeper(rf::records::backgroundKeeper(tool, std::filesystem::current_path(),
                                                    QSysInfo::machineHostName().toStdString(),
                                                    platform.dialogs()));
    rf::shell::MainWindowView window(tool.window(), tool);
    rf::shell::VersionWindowView version(tool.versionWindow(), tool);
    rf::results::LevelCurveWindow curves(tool.levelCurveWindow(),
                                         [&] { tool.levelCurvesClosed(); });
    rf::results::ErrResultView errResult(tool.resultWindows().errResult(), tool);
    rf::results::EvrResultView evrResult(tool.resultWindows().evrResult(), tool);
    rf::results::VerdictWindow verdict(
        tool.verdictWindow(), [&] { tool.verdictClosed(); },
        [&] { tool.menuIndicate(rf::run::menuIndex(rf::run::IndicateItem::ErrorRate)); });
    // The History window reads the records store of the working directory, each
    // read on a thread of its own with a connection of its own; a RECORDS.DAT
    // that cannot be read is said there.
    rf::history::HistoryWindow historyWindow(
        tool.historyWindow(),
        {rf::history::storeOf(std::filesystem::current_path()),
         [&] { return tool.recorder().VtrName; }, rf::history::forecastByHead, &platform.dialogs(),
         [&](const std::function<void()>& action) { tool.historyAction(action); }},
        [&] { tool.historyClosed(); });
    std::unique_ptr<rf::sim::FrontPanel> panel;
    try {
        // The start-up reads the settings and opens the port: when that port is the
        // built-in simulated recorder, its front panel comes up beside the window.
        // Only the registered factory makes a port of that name.
        tool.onPortOpened([&](rf::platform::SerialPort& port) {
            if (port.name() != rf::sim::QtSimPort::PortName) {
                panel.reset();
                return;
            }
            if (panel) return;  // the same recorder after a Program Reset
            panel = std::make_unique<rf::sim::FrontPanel>(simRecorder);
            rf::shell::placeSideBySide(window, *panel);
            panel->show();
        });
        if (!tool.Main()) return 0;
    } catch (const rf::ProgramEnd&) {
        return 0;
    }
    if (platform.endRequested()) return 0;
    return app.exec();
}

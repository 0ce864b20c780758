// rfadjust: the operator's RF adjustment tool.
#include <QApplication>
#include <QFont>
#include <cstring>
#include <iostream>
#include <memory>

#include "app/tool.h"
#include "core/errors.h"
#include "demo/demo.h"
#include "platform/qt/qt_platform.h"
#include "report/report_pdf.h"
#include "results/view/level_curve_window.h"
#include "results/view/result_window_view.h"
#include "shell/view/main_window_view.h"
#include "shell/view/version_window_view.h"
#include "sim/panel/front_panel.h"
#include "sim/realtime/qt_sim_port.h"

namespace {

const char* const Usage =
    "usage: rfadjust                     start the tool in this directory (the operator's way)\n"
    "       rfadjust --demo error-rate   run the Error Rate programme unattended on the\n"
    "       rfadjust --demo adjust       simulated recorder (RSSET.DAT port \"SIM\") and\n"
    "                                    print a summary\n"
    "       rfadjust --demo adjust --save FILE   the same, then save the data to FILE\n"
    "       rfadjust --demo upload FILE  load the data file FILE and upload it to the\n"
    "                                    simulated recorder's \"User\" area\n"
    "       rfadjust --help              this text\n"
    "The tool reads DVTRRF.DAT and RSSET.DAT from the working directory and appends to\n"
    "its operation log QT7310AdjLog.txt there; after every Adjust run it writes an\n"
    "adjustment report (PDF) into reports/ there.\n";

}  // namespace

int main(int argc, char* argv[]) {
    if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << Usage;
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--demo") == 0) {
        if (argc == 5 && std::strcmp(argv[2], "adjust") == 0 && std::strcmp(argv[3], "--save") == 0)
            return rf::demo::runDemo(argv[2], std::cout, std::cerr, argv[4]);
        if (argc == 4 && std::strcmp(argv[2], "upload") == 0)
            return rf::demo::runDemo(argv[2], std::cout, std::cerr, argv[3]);
        if (argc != 3) {
            std::cerr << Usage;
            return 2;
        }
        // The demo's report draws its plots with Qt, without a window: no display needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return rf::demo::runDemo(argv[2], std::cout, std::cerr);
    }
    if (argc >= 2) {
        std::cerr << "rfadjust: unknown option " << argv[1] << "\n" << Usage;
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setFont(QFont("Arial"));
    // The program ends only by its own decision (END, the close handler, Abort),
    // each of which writes the log's last line first. Program Reset hides the
    // only window while it asks "ReStart OK ?": Qt must not take the closing of
    // that box for the last window closing and quit.
    QApplication::setQuitOnLastWindowClosed(false);
    rf::platform::qt::QtPlatform platform;
    // The port name "SIM" is the built-in simulated recorder, not a device; the
    // recorder of the latest such port goes to its front panel.
    std::shared_ptr<rf::sim::RealTimeRecorder> simRecorder;
    platform.registerPort(
        rf::sim::QtSimPort::PortName,
        rf::sim::QtSimPort::factory(
            [&](const std::shared_ptr<rf::sim::RealTimeRecorder>& host) { simRecorder = host; }));
    rf::app::Tool tool(platform);
    tool.setReportWriter(rf::report::writePdf);
    rf::shell::MainWindowView window(tool.window(), tool);
    rf::shell::VersionWindowView version(tool.versionWindow(), tool);
    rf::results::LevelCurveWindow curves(tool.levelCurveWindow(),
                                         [&] { tool.levelCurvesClosed(); });
    rf::results::ErrResultView errResult(tool.resultWindows().errResult(), tool);
    rf::results::EvrResultView evrResult(tool.resultWindows().evrResult(), tool);
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
            panel->show();
        });
        if (!tool.Main()) return 0;
    } catch (const rf::ProgramEnd&) {
        return 0;
    }
    if (platform.endRequested()) return 0;
    return app.exec();
}

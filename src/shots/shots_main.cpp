// rfshots: renders the main window (idle and during a run), the result
// windows, the History window and the version window to PNG files. The main window shows the real
// tool, started on the virtual platform with the simulated recorder like the unattended demo: idle
// after the start-up, then in the middle of an Error Rate programme. Virtual
// time starts at a fixed date, so the pictures come out the same every time.
// Usage: rfshots <output directory> <settings directory>
//        rfshots --screen <file>   (the whole screen of its X display, as it is now)
// where the settings directory holds DVTRRF.DAT and an RSSET.DAT naming the
// port "SIM" (demo/ in the repository); the run works on copies of them in a
// temporary directory.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>

#include "app/tool.h"
#include "core/errors.h"
#include "demo/demo.h"
#include "demo/rehearsal.h"
#include "shots/render_png.h"
#include "history/forecast_text.h"
#include "platform/virtual/virtual_platform.h"
#include "records/history_demo.h"
#include "records/view/history_window.h"
#include "report/report_pdf.h"
#include "results/view/level_curve_window.h"
#include "results/view/result_window_view.h"
#include "results/view/verdict_window.h"
#include "shell/view/main_window_view.h"
#include "shell/view/version_window_view.h"
#include "sim/recorder.h"
#include "sim/sim_peer.h"

namespace {

using namespace rf::shell;
using rf::demo::renderWindow;
using rf::platform::Answer;
using rf::platform::Buttons;
using rf::platform::DateTime;
using rf::platform::virt::DialogRecord;
using rf::platform::virt::VirtualPlatform;

// The pictures' date: virtual time starts here.
constexpr DateTime Start{2026, 12, 5, 9, 30, 0};

class NoEvents final : public MainWindowEvents {
  public:
    void menuPrg(int) override {}
    void menuFile(int) override {}
    void menuIndicate(int) override {}
    void menuHelp(int) override {}
    void partAdjCheck(int) override {}
    void checkBox(CheckBoxId) override {}
    void tabSelected(int) override {}
    void errSelect() override {}
    void closeRequested() override {}
    void versionClosed() override {}
};

// The status bar's date and time panels show the wall clock; the pictures show
// the virtual clock instead.
void showClock(QWidget& view, const DateTime& t) {
    char date[16], time[16];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", t.year, t.month, t.day);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    if (auto* label = view.findChild<QLabel*>("StatusDate")) label->setText(date);
    if (auto* label = view.findChild<QLabel*>("StatusTime")) label->setText(time);
}

bool save(QWidget& window, const QImage& image, const QDir& dir, const char* name) {
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "rfshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s (%dx%d) %s\n", qPrintable(path), image.width(), image.height(),
                qPrintable(window.windowTitle()));
    return true;
}

// The window with one of its menus dropped down: menus are windows of their
// own, so the menu is grabbed separately and drawn where it opens.
QImage withMenuOpen(MainWindowView& view, QMenu* menu) {
    QImage image = renderWindow(view);
    const QRect title = view.menuBar()->actionGeometry(menu->menuAction());
    const QPoint at = view.menuBar()->mapTo(&view, title.bottomLeft()) + QPoint(0, 1);
    menu->popup(view.mapToGlobal(at));
    QApplication::processEvents();
    const QImage dropped = menu->grab().toImage();
    menu->hide();
    QPainter p(&image);
    const int captionHeight = image.height() - view.height();
    p.drawImage(at + QPoint(0, captionHeight), dropped);
    return image;
}

// An HDLP playback block is sampling: the measurement mode is on and the
// error-rate bars are lit.
bool hdlpSampling(rf::app::Tool& tool) {
    const rf::BlockSel& sel = tool.flags().sel;
    if (!tool.recorder().AdjModeOn || sel.SFmt != rf::fmt::HdLp ||
        sel.SHeadCate != rf::cate::Playback)
        return false;
    for (const auto& bar : tool.window().ErrDsp)
        if (std::any_of(bar.begin(), bar.end(), [](Color c) { return !(c == colors::Black); }))
            return true;
    return false;
}

// The tool on the built-in simulated recorder in virtual time from the
// pictures' date, every question answered as an unattended run answers it.
struct SimulatedTool {
    SimulatedTool() {
        platform.setPeer(&peer);
        platform.dialogs().setFallback(
            [](const DialogRecord& d) { return rf::demo::unattendedAnswer(d, "XYZ"); });
    }
    VirtualPlatform platform{Start};
    rf::sim::Recorder recorder{rf::sim::builtInRecorderConfig()};
    rf::sim::SimPeer peer{recorder, platform};
    rf::app::Tool tool{platform};
};

// The tool on the simulated recorder: the main window idle after the start-up,
// with the Program menu open, and during an Error Rate programme over all blocks.
bool shootTool(const QDir& dir) {
    using namespace std::chrono_literals;
    SimulatedTool sim;
    VirtualPlatform& platform = sim.platform;
    rf::app::Tool& tool = sim.tool;
    tool.setRunEstimator(rf::demo::rehearse);  // the time left under the progress bar
    MainWindowView view(tool.window(), tool);
    view.resize(1366, 768);

    bool ok = true;
    bool taken = false;
    try {
        if (!tool.Main()) {
            std::fprintf(stderr, "rfshots: the tool did not start: %s\n",
                         rf::demo::lastErrorShown(platform.dialogs()).c_str());
            return false;
        }
        view.syncFromModel();
        QApplication::processEvents();
        showClock(view, platform.now());
        ok = save(view, withMenuOpen(view, view.menu(0)), dir, "main-idle.png") && ok;

        tool.choose(rf::run::ProgramItem::ErrorRate);
        tool.partAdjCheck(0);
        // Once a second of virtual time, until an HDLP block is sampling.
        auto& scheduler = platform.scheduler();
        std::function<void()> poll = [&] {
            if (!hdlpSampling(tool)) {
                scheduler.after(1s, poll);
                return;
            }
            taken = true;
            view.syncFromModel();
            QApplication::processEvents();
            showClock(view, platform.now());
            ok = save(view, renderWindow(view), dir, "main-running.png") && ok;
        };
        scheduler.after(1s, poll);
        tool.choose(rf::run::ProgramItem::Start);
        if (tool.ended()) {
            std::fprintf(stderr, "rfshots: the run did not complete: %s\n",
                         rf::demo::lastErrorShown(platform.dialogs()).c_str());
            return false;
        }
        tool.endProgram();
    } catch (const rf::ProgramEnd&) {
        std::fprintf(stderr, "rfshots: the tool ended: %s\n",
                     rf::demo::lastErrorShown(platform.dialogs()).c_str());
        return false;
    }
    if (!taken) {
        std::fprintf(stderr, "rfshots: the run never reached an HDLP block's sampling\n");
        return false;
    }
    return ok;
}

// The tool after an Adjust run of every block on the simulated recorder: the
// level-curve window with the record heads' sweeps, the two result windows,
// and the adjustment report, copied to report.pdf for its first page.
bool shootAdjust(const QDir& dir) {
    SimulatedTool sim;
    VirtualPlatform& platform = sim.platform;
    rf::app::Tool& tool = sim.tool;
    tool.setReportWriter(rf::report::writePdf);
    rf::results::LevelCurveWindow curves(tool.levelCurveWindow(), [] {});
    curves.resize(1280, 860);
    rf::results::ErrResultView errResult(tool.resultWindows().errResult(), tool);
    rf::results::EvrResultView evrResult(tool.resultWindows().evrResult(), tool);
    rf::results::VerdictWindow verdict(
        tool.verdictWindow(), [] {}, [] {});
    try {
        if (!tool.Main()) return false;
        tool.choose(rf::run::ProgramItem::Adjust);
        tool.partAdjCheck(0);
        tool.choose(rf::run::ProgramItem::Start);
        if (tool.ended()) {
            std::fprintf(stderr, "rfshots: the Adjust run did not complete: %s\n",
                         rf::demo::lastErrorShown(platform.dialogs()).c_str());
            return false;
        }
        // The run ends showing its verdict and its error rates.
        verdict.syncFromModel();
        errResult.syncFromModel();
        QApplication::processEvents();
        bool ok = save(verdict, renderWindow(verdict), dir, "verdict.png");
        ok = save(errResult, renderWindow(errResult), dir, "error-rate-result.png") && ok;
        tool.menuIndicate(1);
        evrResult.syncFromModel();
        QApplication::processEvents();
        ok = save(evrResult, renderWindow(evrResult), dir, "evr-result.png") && ok;
        tool.menuIndicate(2);
        curves.syncFromModel();
        QApplication::processEvents();
        ok = save(curves, renderWindow(curves), dir, "level-curves.png") && ok;
        const QString report = QString::fromStdString(tool.lastReport());
        const QString copy = dir.filePath("report.pdf");
        QFile::remove(copy);
        if (report.isEmpty() || !QFile::copy(report, copy)) {
            std::fprintf(stderr, "rfshots: no adjustment report to copy\n");
            ok = false;
        }
        tool.endProgram();
        return ok;
    } catch (const rf::ProgramEnd&) {
        std::fprintf(stderr, "rfshots: the tool ended: %s\n",
                     rf::demo::lastErrorShown(platform.dialogs()).c_str());
        return false;
    }
}

// The History window of a recorder with a history: the unattended history
// demo's eight visits kept in the records store of the working directory,
// with each head's forecasts.
bool shootHistory(const QDir& dir) {
    std::ostringstream out, err;
    if (rf::records::runHistoryDemo(8, out, err) != 0) {
        std::fprintf(stderr, "rfshots: the history demo failed: %s\n", err.str().c_str());
        return false;
    }
    rf::history::HistoryWindowModel model;
    model.visible = true;
    model.asked = 1;
    model.changes.mark(Area::Window);
    rf::history::HistoryWindow window(
        model,
        {rf::history::storeOf(QDir::currentPath().toStdString()),
         [] { return std::string("QT7310DMO_DEMO0001"); }, rf::history::forecastByHead, nullptr,
         [](const std::function<void()>&) {}},
        [] {});
    window.resize(1280, 760);
    window.syncFromModel();
    // The store is read on a thread of the window's: its result comes back as an event.
    while (window.readsOut() > 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    return save(window, renderWindow(window), dir, "history.png");
}

// Copies the settings files into the working directory.
bool copySettings(const QDir& from, const QDir& to) {
    for (const char* name : {rf::app::DvtrRfFile, rf::app::RsSetFile})
        if (!QFile::copy(from.filePath(name), to.filePath(name))) {
            std::fprintf(stderr, "rfshots: cannot copy %s to %s\n", qPrintable(from.filePath(name)),
                         qPrintable(to.path()));
            return false;
        }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--screen") {
        // The windows another program has put on the screen, placed as they are.
        const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        if (screen.isNull() || !screen.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
            std::fprintf(stderr, "rfshots: cannot grab the screen into %s\n", argv[2]);
            return 1;
        }
        std::printf("%s (%dx%d) the screen\n", argv[2], screen.width(), screen.height());
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: rfshots <output directory> <settings directory>\n"
                     "       rfshots --screen <file>\n");
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QDir dir(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "rfshots: cannot create %s\n", argv[1]);
        return 1;
    }
    // The tool reads and writes its files in the working directory.
    QTemporaryDir work;
    if (!work.isValid() ||
        !copySettings(QDir(QString::fromLocal8Bit(argv[2])), QDir(work.path())) ||
        !QDir::setCurrent(work.path())) {
        std::fprintf(stderr, "rfshots: cannot prepare a working directory\n");
        return 1;
    }

    bool ok = shootTool(dir);
    ok = shootAdjust(dir) && ok;
    ok = shootHistory(dir) && ok;
    {
        NoEvents events;
        VersionWindowModel version;
        version.visible = true;
        VersionWindowView view(version, events);
        view.adjustSize();
        QApplication::processEvents();
        ok = save(view, renderWindow(view), dir, "version.png") && ok;
    }
    return ok ? 0 : 1;
}

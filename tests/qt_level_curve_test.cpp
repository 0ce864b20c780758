#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <vector>

#include "records/view/history_window.h"
#include "results/view/level_curve_window.h"
#include "results/view/result_window_view.h"
#include "results/view/verdict_window.h"
#include "shell/view/main_window_view.h"
#include "shell/view/screen_fit.h"
#include "shell/view/version_window_view.h"
#include "sim/panel/front_panel.h"
#include "tool_rig.h"

namespace rf::results {
namespace {

// The whole tool on the virtual platform with the simulated recorder, Adjust
// chosen for the record block alone, and the level-curve window on Qt's
// offscreen platform (opened from the Indicate menu during the run).
struct CurveRig : test::ToolRig {
    CurveRig() {
        recorder.setAutoChanger(true, now());
        EXPECT_TRUE(startUp());
        tool.choose(run::ProgramItem::Adjust);
        tool.partAdjCheck(2);  // REC
        dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
    }
    std::string heading() { return window.findChild<QLabel*>("heading")->text().toStdString(); }
    QChart* chart(int plot) {
        return window.findChild<QChartView*>(QString("plot%1").arg(plot))->chart();
    }
    // The points of the line named `name` on plot `plot` (none without it).
    QList<QPointF> plotted(int plot, const QString& name) {
        for (QAbstractSeries* s : chart(plot)->series())
            if (auto* line = qobject_cast<QLineSeries*>(s); line && s->name() == name)
                return line->points();
        return {};
    }
    // The record's sweeps that plot `plot` is to show, head 1 then head 2.
    std::vector<const adjust::Sweep*> sweeps(int plot) {
        return adjust::channelSweeps(tool.adjustRecord(), tool.levelCurveWindow().block, plot % 2,
                                     tool.levelCurveWindow().plots[std::size_t(plot)].quantity);
    }
    LevelCurveWindow window{tool.levelCurveWindow(), [this] { tool.levelCurvesClosed(); }};
};

QList<QPointF> recorded(const adjust::Sweep& sweep) {
    QList<QPointF> points;
    for (std::size_t i = 0; i < sweep.offsets.size(); ++i)
        points.append(QPointF(sweep.offsets[i], sweep.levels[i]));
    return points;
}

TEST(LevelCurveWindow, OpenedDuringARunFollowsItPointByPointAndEndsWithTheRecordsSweeps) {
    CurveRig alone;
    alone.tool.choose(run::ProgramItem::Start);
    CurveRig rig;
    QApplication::processEvents();
    EXPECT_EQ(rig.window.findChild<QLabel*>("note")->text().toStdString(), NoSweepsNote);
    for (int plot = 0; plot < 4; ++plot)
        EXPECT_TRUE(rig.chart(plot)->series().empty());

    // Opens the window at point 2 of the first sweep (it shows the run in
    // progress; the tool sends what it sends without the click) and looks at
    // the first plot at points 2, 5 and 9: head L1's line is the record's.
    std::vector<qsizetype> seen;
    for (std::size_t n : {2u, 5u, 9u})
        test::onceWhen(
            rig,
            [&rig, n] { return !rig.sweeps(0).empty() && rig.sweeps(0)[0]->levels.size() >= n; },
            [&] {
                if (seen.empty()) rig.tool.menuIndicate(2);
                QApplication::processEvents();
                EXPECT_TRUE(rig.window.isVisible() && rig.heading() == "Run in progress");
                const QList<QPointF> l1 = recorded(*rig.sweeps(0)[0]);
                EXPECT_EQ(rig.plotted(0, "L1 measured"), l1);
                seen.push_back(l1.size());
            });
    rig.tool.choose(run::ProgramItem::Start);
    EXPECT_EQ(test::sent(rig), test::sent(alone));
    EXPECT_EQ(seen, (std::vector<qsizetype>{2, 5, 9}));

    QApplication::processEvents();
    EXPECT_EQ(rig.heading(), "Last run");
    for (int plot = 0; plot < 4; ++plot) {
        SCOPED_TRACE(plot);
        ASSERT_EQ(rig.sweeps(plot).size(), 2u);
        // Per head: the measured line and its points, the smoothed curve, the
        // reference, the threshold and the chosen offset.
        EXPECT_EQ(rig.chart(plot)->series().size(), 12);
        for (const adjust::Sweep* sweep : rig.sweeps(plot)) {
            const QString head = QString::fromStdString(adjust::headName(*sweep));
            EXPECT_EQ(rig.plotted(plot, head + " measured"), recorded(*sweep));
            ASSERT_TRUE(sweep->chosen);
            const auto chosen = rig.plotted(plot, head + QString(" chosen %1").arg(*sweep->chosen));
            ASSERT_EQ(chosen.size(), 2);
            EXPECT_TRUE(chosen[0].x() == *sweep->chosen && chosen[1].x() == *sweep->chosen);
        }
    }
    // The title-bar close hides the window through its model.
    rig.window.close();
    EXPECT_FALSE(rig.tool.levelCurveWindow().visible);
    EXPECT_FALSE(rig.window.isVisible());
    // The run's verdict comes up with it, each item a line; no report was written.
    const VerdictWindowModel& said = rig.tool.verdictWindow();
    VerdictWindow verdict{said, [] {}, [] {}};
    EXPECT_TRUE(verdict.isVisible());
    EXPECT_EQ(verdict.findChild<QLabel*>("word")->text().toStdString(), said.verdict.word());
    EXPECT_EQ(verdict.findChild<QListWidget*>("items")->count(), int(said.verdict.items.size()));
    EXPECT_FALSE(verdict.findChild<QPushButton*>("report")->isEnabled());
}

// On a 1366x768 or 1600x1000 X screen: every window inside it, the main window beside the
// recorder's panel where there is room, no text smaller than the main window's.
TEST(Screen, EveryWindowFitsAndTheMainWindowStandsBesideThePanel) {
    test::ToolRig rig;
    shell::MainWindowView main{rig.tool.window(), rig.tool};
    shell::VersionWindowView version{rig.tool.versionWindow(), rig.tool};
    LevelCurveWindow curves{rig.tool.levelCurveWindow(), [] {}};
    ErrResultView err{rig.tool.resultWindows().errResult(), rig.tool};
    EvrResultView evr{rig.tool.resultWindows().evrResult(), rig.tool};
    history::HistorySetup reading;
    reading.openStore = history::storeOf(rig.dir.path());
    history::HistoryWindow history{rig.tool.historyWindow(), reading, [] {}};
    sim::FrontPanel panel{std::make_shared<sim::RealTimeRecorder>()};
    shell::placeSideBySide(main, panel);
    panel.show();
    ASSERT_TRUE(rig.startUp());
    for (int item = 0; item < 4; ++item)
        rig.tool.menuIndicate(item);
    rig.tool.menuHelp(run::menuIndex(run::HelpItem::Version));
    QApplication::processEvents();
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(room.width() < 1600 || !main.frameGeometry().intersects(panel.frameGeometry()));
    const int least = QFontInfo(main.font()).pixelSize();
    for (QWidget* window :
         std::initializer_list<QWidget*>{&main, &version, &curves, &err, &evr, &history, &panel}) {
        EXPECT_TRUE(window->isVisible() && room.contains(window->frameGeometry()));
        for (QWidget* w : window->findChildren<QWidget*>())
            EXPECT_GE(QFontInfo(w->font()).pixelSize(), least) << w->objectName().toStdString();
    }
    QList<QChartView*> charts = curves.findChildren<QChartView*>();
    charts += history.findChildren<QChartView*>();
    for (QChartView* view : charts)
        for (QAbstractAxis* axis : view->chart()->axes())
            for (const QFont& font : {axis->labelsFont(), axis->titleFont(),
                                      view->chart()->titleFont(), view->chart()->legend()->font()})
                EXPECT_GE(QFontInfo(font).pixelSize(), least);
}

}  // namespace
}  // namespace rf::results

#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>

#include "records/view/history_window.h"
#include "store/records_store.h"
#include "tool_rig.h"

namespace rf::history {
namespace {

const std::string Rec = "MAGVEX HDLP,18000rpm,REC", Pb = "MAGVEX HDLP,18000rpm,PB,Conf";

// A run at `hours` drum hours: head L1's Self VIDEO error rate against -4.1,
// and for an Adjust run L1's record current and channel L's VCO as found and
// as left.
RunRecord run(const std::string& vtrName, const std::string& programme, const std::string& date,
              int hours, float rate, int found = 0, int left = 0) {
    RunRecord r;
    r.runId = newRunId();
    r.recorder = {"QT7310", vtrName, "XYZ", "SN1", "V2.05"};
    r.dateTime = date;
    r.drumHours = hours;
    r.programme = programme;
    r.blocks = {Rec, Pb};
    r.rates = {{Rec, "Self VIDEO", "L1", rate, -4.1f, RateVerdict::Pass}};
    if (programme == "Adjust")
        r.values = {{Rec, "record current", "L1", found, left},
                    {Pb, "VCO", "L", 120 + found, 120 + left}};
    return r;
}

struct HistoryRig : test::ToolRig {
    HistoryRig() {
        EXPECT_TRUE(startUp());
        const std::string name = tool.recorder().VtrName;
        connected = name.substr(0, name.find_last_not_of(' ') + 1);
        for (const RunRecord& r :
             {run(connected, "Error Rate", "2026-06-01T09:00:00", 1200, -4.5f),
              run(connected, "Adjust", "2026-06-01T10:00:00", 1200, -4.8f, -3, 2),
              run("QT7310ABC_SN2", "Error Rate", "2026-07-01T09:00:00", 800, -4.2f),
              run(connected, "Error Rate", "2026-11-02T09:00:00", 1700, -4.0f),
              run(connected, "Adjust", "2026-11-02T10:00:00", 1700, -4.6f, 1, 3)})
            EXPECT_EQ(store.record(r).kind, store::RecordResult::Kind::Recorded);
    }
    QList<QPointF> plotted(const char* head, const QString& name) {
        for (QAbstractSeries* s : window.findChild<QChartView*>(head)->chart()->series())
            if (s->name() == name) return qobject_cast<QLineSeries*>(s)->points();
        return {};
    }
    QString text(const QString& name) { return window.findChild<QLabel*>(name)->text(); }

    std::string connected;
    store::RecordsStore store{dir.path()};
    HistoryWindow window{
        tool.historyWindow(),
        {&store, "", [this] { return tool.recorder().VtrName; },
         [](const std::vector<RunRecord>& runs) {
             return Forecast{{"L1", {{"", "runs: " + std::to_string(runs.size())}}}};
         },
         &dialogs(), [this](const std::function<void()>& action) { tool.historyAction(action); }},
        [this] { tool.historyClosed(); }};
};

TEST(HistoryWindow, OpenedFromTheMenuPlotsTheConnectedRecordersRunsAndExportsThem) {
    HistoryRig rig;
    QApplication::processEvents();
    EXPECT_FALSE(rig.window.isVisible());
    rig.tool.menuIndicate(run::menuIndex(run::IndicateItem::History));
    QApplication::processEvents();
    ASSERT_TRUE(rig.window.isVisible());
    auto* recorders = rig.window.findChild<QComboBox*>("recorder");
    ASSERT_EQ(recorders->count(), 2);
    EXPECT_EQ(recorders->itemText(0).toStdString(), rig.connected);
    EXPECT_EQ(recorders->itemText(1), "QT7310ABC_SN2");
    EXPECT_EQ(rig.window.findChild<QComboBox*>("block")->currentText().toStdString(), Rec);

    // Error rates as found (Error Rate runs), as left (Adjust runs), and the limit.
    using P = QList<QPointF>;
    EXPECT_EQ(rig.plotted("L1", "Self VIDEO found"), (P{{1200, -4.5f}, {1700, -4.0f}}));
    EXPECT_EQ(rig.plotted("L1", "Self VIDEO left"), (P{{1200, -4.8f}, {1700, -4.6f}}));
    EXPECT_EQ(rig.plotted("L1", "Self VIDEO limit"), (P{{1200, -4.1f}, {1700, -4.1f}}));
    EXPECT_TRUE(rig.window.findChild<QChartView*>("L2")->chart()->series().empty());
    rig.window.findChild<QComboBox*>("show")->setCurrentText("Record current and frequency");
    EXPECT_EQ(rig.plotted("L1", "record current found"), (P{{1200, -3}, {1700, 1}}));
    EXPECT_EQ(rig.plotted("L1", "record current left"), (P{{1200, 2}, {1700, 3}}));
    // The forecast function is given the recorder's runs; a head it says
    // nothing of has none.
    EXPECT_EQ(rig.text("forecastL1"), "runs: 4");
    EXPECT_EQ(rig.text("forecastR2"), NoForecast);

    const std::string csv = (rig.dir.path() / "history.csv").string();
    rig.dialogs().expectFile(platform::FileDialog::Save, "CSV File | *.csv", csv);
    rig.window.findChild<QPushButton*>("exportCsv")->click();
    const std::string head = rig.connected + ",\"" + Rec + "\",L1,";
    const std::string pb = rig.connected + ",\"" + Pb + "\",L,VCO,";
    EXPECT_EQ(test::readFile(csv),
              "recorder,block,head,quantity,kind,drum hours,date,value,limit\n" + head +
                  "error rate Self VIDEO,found,1200,2026-06-01T09:00:00,-4.5,-4.1\n" + head +
                  "error rate Self VIDEO,found,1700,2026-11-02T09:00:00,-4,-4.1\n" + head +
                  "error rate Self VIDEO,left,1200,2026-06-01T10:00:00,-4.8,-4.1\n" + head +
                  "error rate Self VIDEO,left,1700,2026-11-02T10:00:00,-4.6,-4.1\n" + head +
                  "record current,found,1200,2026-06-01T10:00:00,-3,\n" + head +
                  "record current,found,1700,2026-11-02T10:00:00,1,\n" + head +
                  "record current,left,1200,2026-06-01T10:00:00,2,\n" + head +
                  "record current,left,1700,2026-11-02T10:00:00,3,\n" + pb +
                  "found,1200,2026-06-01T10:00:00,117,\n" + pb +
                  "found,1700,2026-11-02T10:00:00,121,\n" + pb +
                  "left,1200,2026-06-01T10:00:00,122,\n" + pb +
                  "left,1700,2026-11-02T10:00:00,123,\n");

    // The other recorder: one Error Rate run, no forecast of its own.
    recorders->setCurrentIndex(1);
    rig.window.findChild<QComboBox*>("show")->setCurrentIndex(0);
    EXPECT_EQ(rig.plotted("L1", "Self VIDEO found"), (P{{800, -4.2f}}));
    EXPECT_EQ(rig.text("forecastL1"), "runs: 1");
    rig.window.close();
    EXPECT_FALSE(rig.tool.historyWindow().visible);
    EXPECT_FALSE(rig.window.isVisible());
}

}  // namespace
}  // namespace rf::history

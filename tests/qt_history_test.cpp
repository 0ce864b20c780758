#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <cstring>
#include <memory>

#include "demo/demo.h"
#include "records/run_keeper.h"
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

// Runs Qt's events until `done` holds; false when a generous guard ran out
// first (it only keeps a broken test from hanging).
bool pumpUntil(const std::function<bool()>& done) {
    bool expired = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { expired = true; });
    guard.start(30000);
    while (!done() && !expired)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

struct HistoryRig : test::ToolRig {
    explicit HistoryRig(sim::RecorderConfig config = {}) : ToolRig(std::move(config)) {
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
    // The window asked for from the Indicate menu: its refresh, which starts
    // a read, runs with the next events.
    void ask() {
        tool.menuIndicate(run::menuIndex(run::IndicateItem::History));
        QApplication::processEvents();
    }
    // Asked for, and its reads back.
    void open() {
        ask();
        EXPECT_TRUE(pumpUntil([this] { return window->readsOut() == 0; }));
    }
    QList<QPointF> plotted(const char* head, const QString& name) {
        for (QAbstractSeries* s : window->findChild<QChartView*>(head)->chart()->series())
            if (s->name() == name) return qobject_cast<QLineSeries*>(s)->points();
        return {};
    }
    QString text(const QString& name) { return window->findChild<QLabel*>(name)->text(); }
    std::string note() { return text("note").toStdString(); }
    QPushButton* button(const char* name) { return window->findChild<QPushButton*>(name); }

    std::string connected;
    store::RecordsStore store{dir.path()};
    int printerAsked = 0;
    std::unique_ptr<HistoryWindow> window = std::make_unique<HistoryWindow>(
        tool.historyWindow(),
        HistorySetup{storeOf(dir.path()), [this] { return tool.recorder().VtrName; },
                     [](const std::vector<RunRecord>& runs) {
                         return Forecast{{"L1", {{"", "runs: " + std::to_string(runs.size())}}}};
                     },
                     &dialogs(),
                     [this](const std::function<void()>& action) { tool.historyAction(action); }},
        [this] { tool.historyClosed(); });
};

TEST(HistoryWindow, OpenedFromTheMenuPlotsTheConnectedRecordersRunsAndExportsThem) {
    HistoryRig rig;
    QApplication::processEvents();
    EXPECT_FALSE(rig.window->isVisible());
    rig.open();
    ASSERT_TRUE(rig.window->isVisible());
    auto* recorders = rig.window->findChild<QComboBox*>("recorder");
    ASSERT_EQ(recorders->count(), 2);
    EXPECT_EQ(recorders->itemText(0).toStdString(), rig.connected);
    EXPECT_EQ(recorders->itemText(1), "QT7310ABC_SN2");
    EXPECT_EQ(rig.window->findChild<QComboBox*>("block")->currentText().toStdString(), Rec);

    // Error rates as found (Error Rate runs), as left (Adjust runs), and the limit.
    using P = QList<QPointF>;
    EXPECT_EQ(rig.plotted("L1", "Self VIDEO found"), (P{{1200, -4.5f}, {1700, -4.0f}}));
    EXPECT_EQ(rig.plotted("L1", "Self VIDEO left"), (P{{1200, -4.8f}, {1700, -4.6f}}));
    EXPECT_EQ(rig.plotted("L1", "Self VIDEO limit"), (P{{1200, -4.1f}, {1700, -4.1f}}));
    EXPECT_TRUE(rig.window->findChild<QChartView*>("L2")->chart()->series().empty());
    rig.window->findChild<QComboBox*>("show")->setCurrentText("Record current and frequency");
    EXPECT_EQ(rig.plotted("L1", "record current found"), (P{{1200, -3}, {1700, 1}}));
    EXPECT_EQ(rig.plotted("L1", "record current left"), (P{{1200, 2}, {1700, 3}}));
    // The forecast function is given the recorder's runs; a head it says
    // nothing of has none.
    EXPECT_EQ(rig.text("forecastL1"), "runs: 4");
    EXPECT_EQ(rig.text("forecastR2"), NoForecast);

    const std::string csv = (rig.dir.path() / "history.csv").string();
    rig.dialogs().expectFile(platform::FileDialog::Save, "CSV File | *.csv", csv);
    rig.window->findChild<QPushButton*>("exportCsv")->click();
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
    EXPECT_TRUE(pumpUntil([&] { return rig.window->readsOut() == 0; }));
    rig.window->findChild<QComboBox*>("show")->setCurrentIndex(0);
    EXPECT_EQ(rig.plotted("L1", "Self VIDEO found"), (P{{800, -4.2f}}));
    EXPECT_EQ(rig.text("forecastL1"), "runs: 1");
    rig.window->close();
    EXPECT_FALSE(rig.tool.historyWindow().visible);
    EXPECT_FALSE(rig.window->isVisible());
}

// Every run kept in the rig's store as it ends, the boxes answered as an
// unattended run answers them.
void keepRuns(HistoryRig& rig) {
    rig.dialogs().setFallback(
        [](const platform::virt::DialogRecord& d) { return demo::unattendedAnswer(d); });
    rig.tool.setRunKeeper(records::runKeeper(rig.tool, rig.dir.path(), "bench-1", rig.dialogs()));
}

TEST(HistoryWindow, OpenedDuringARunReadsTheStoreWithoutDisturbingItAndThenShowsTheNewRun) {
    HistoryRig alone(sim::builtInRecorderConfig());
    keepRuns(alone);
    test::errorRateRun(alone.tool);
    HistoryRig rig(sim::builtInRecorderConfig());
    keepRuns(rig);
    // The recorder as the run names it (the serial number an unattended run
    // gives), with two runs of its own in the store.
    const std::string vtr = "QT7310DMO_DEMO0001";
    for (const RunRecord& r : {run(vtr, "Error Rate", "2026-06-01T09:00:00", 1200, -4.5f),
                               run(vtr, "Adjust", "2026-06-01T10:00:00", 1200, -4.8f, -3, 2)})
        EXPECT_EQ(rig.store.record(r).kind, store::RecordResult::Kind::Recorded);
    rig.window->setPrinterDialog([&rig](QPrinter&, QWidget*) {
        ++rig.printerAsked;
        return false;
    });
    // Opened half-way through the run: the connected recorder's stored runs.
    // Print and Export CSV are not started while the programme works.
    bool opened = false;
    std::size_t boxes = 0;
    test::onceWhen(
        rig, [&rig] { return rig.tool.window().ProgressBar >= 50; },
        [&] {
            rig.open();
            opened = rig.window->isVisible();
            EXPECT_EQ(rig.note(), vtr + ": 2 runs, plotted against the drum hours");
            EXPECT_EQ(rig.text("forecastL1"), "runs: 2");
            boxes = rig.dialogs().shown().size();
            rig.button("print")->click();
            rig.button("exportCsv")->click();
            EXPECT_EQ(rig.printerAsked, 0);
            EXPECT_EQ(rig.dialogs().shown().size(), boxes);
        });
    test::errorRateRun(rig.tool);
    EXPECT_TRUE(opened);
    EXPECT_EQ(test::sent(rig), test::sent(alone));
    EXPECT_EQ(rig.tool.window().RecordsNotice, "");

    // Asked for again, the window reads the run just kept; the idle tool
    // takes Print.
    rig.open();
    EXPECT_EQ(rig.note(), vtr + ": 3 runs, plotted against the drum hours");
    EXPECT_EQ(rig.text("forecastL1"), "runs: 3");
    rig.button("print")->click();
    EXPECT_EQ(rig.printerAsked, 1);
}

// A RECORDS.DAT naming a PostgreSQL server in the socket directory `dir`.
std::string recordsDatAt(const std::filesystem::path& dir) {
    return "host = " + dir.string() + "\nport = 5432\ndatabase = postgres\nuser = rfadjust\n";
}

// A listening socket where a PostgreSQL server's would be that never answers:
// a connection to it waits for the server until the client gives up.
class SilentServer {
  public:
    explicit SilentServer(const std::filesystem::path& dir) {
        std::filesystem::create_directory(dir);
        sockaddr_un at{};
        at.sun_family = AF_UNIX;
        const std::string path = (dir / ".s.PGSQL.5432").string();
        std::strncpy(at.sun_path, path.c_str(), sizeof at.sun_path - 1);
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        listening_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
                     ::listen(fd_, 16) == 0;
    }
    ~SilentServer() {
        if (fd_ >= 0) ::close(fd_);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    bool listening() const { return listening_; }

  private:
    int fd_ = -1;
    bool listening_ = false;
};

TEST(HistoryWindow, AStoreThatCannotBeReadHoldsNothingAndTheNoteSaysWhy) {
    HistoryRig rig;
    const std::string cannot = "The records store cannot be read: ";
    // No server in the socket directory, or a RECORDS.DAT that cannot be read:
    // the store's own words, and the connected recorder offered still.
    std::filesystem::create_directory("nobody");
    for (const auto& [dat, reason] :
         {std::pair<std::string, std::string>{recordsDatAt(rig.dir.path() / "nobody"),
                                              "cannot be reached: "},
          {"port = many\n", std::string(store::SettingsFileName) + ": "}}) {
        SCOPED_TRACE(dat);
        test::writeFile(store::SettingsFileName, dat);
        rig.open();
        EXPECT_EQ(rig.note().rfind(cannot, 0), 0u) << rig.note();
        EXPECT_NE(rig.note().find(reason), std::string::npos) << rig.note();
        const auto* recorders = rig.window->findChild<QComboBox*>("recorder");
        EXPECT_EQ(recorders->count(), 1);
        EXPECT_EQ(recorders->currentText().toStdString(), rig.connected);
    }

    // A server that never answers: the window's events run while the read
    // waits for it, and the note says it is reading, then why it failed.
    const SilentServer silent(rig.dir.path() / "silent");
    ASSERT_TRUE(silent.listening());
    test::writeFile(store::SettingsFileName, recordsDatAt(rig.dir.path() / "silent"));
    rig.ask();
    EXPECT_EQ(rig.note(), "Reading the records store ...");
    int outWhenTimed = -1;
    QTimer::singleShot(0, rig.window.get(), [&] { outWhenTimed = rig.window->readsOut(); });
    EXPECT_TRUE(pumpUntil([&] { return outWhenTimed >= 0; }));
    EXPECT_EQ(outWhenTimed, 1);
    EXPECT_TRUE(pumpUntil([&] { return rig.window->readsOut() == 0; }));
    EXPECT_EQ(rig.note().rfind(cannot, 0), 0u) << rig.note();
    EXPECT_NE(rig.note().find("cannot be reached: "), std::string::npos) << rig.note();
    EXPECT_NE(rig.note().find("timeout expired"), std::string::npos) << rig.note();

    // A read of the SQLite store started behind the held one comes back
    // first; the held one's result, later, is dropped.
    rig.ask();
    std::filesystem::remove(store::SettingsFileName);
    rig.open();
    EXPECT_EQ(rig.note(), rig.connected + ": 4 runs, plotted against the drum hours");
    EXPECT_EQ(rig.text("forecastL1"), "runs: 4");

    // The window goes while a read waits for the server: its end waits for
    // the read, which then comes back to nothing.
    test::writeFile(store::SettingsFileName, recordsDatAt(rig.dir.path() / "silent"));
    rig.ask();
    EXPECT_EQ(rig.window->readsOut(), 1);
    rig.window.reset();
}

// The program's keeper writes each run on a thread of its own: a store whose
// server never answers holds no part of the tool. The run goes to the queue
// and the operator is told when it is there; with the store back, the next
// run sends both.
TEST(HistoryWindow, RunsKeptInTheBackgroundWaitForNoStore) {
    HistoryRig rig(sim::builtInRecorderConfig());
    keepRuns(rig);
    const SilentServer silent(rig.dir.path() / "silent");
    ASSERT_TRUE(silent.listening());
    test::writeFile(store::SettingsFileName, recordsDatAt(rig.dir.path() / "silent"));
    rig.tool.setRunKeeper(
        records::backgroundKeeper(rig.tool, rig.dir.path(), "bench-1", rig.dialogs()));
    const std::string vtr = "QT7310DMO_DEMO0001";
    const auto notice = [&rig] { return rig.tool.window().RecordsNotice; };

    test::errorRateRun(rig.tool);
    bool timed = false;
    QTimer::singleShot(0, [&] { timed = true; });
    EXPECT_TRUE(pumpUntil([&] { return timed; }));
    EXPECT_EQ(notice(), "");  // the write still waits for the server
    EXPECT_TRUE(pumpUntil([&] { return !notice().empty(); }));
    EXPECT_EQ(notice().rfind("Run queued: ", 0), 0u) << notice();
    EXPECT_EQ(rig.store.queuedRuns(), 1);

    std::filesystem::remove(store::SettingsFileName);
    test::errorRateRun(rig.tool);
    EXPECT_TRUE(pumpUntil([&] { return notice().empty(); }));
    EXPECT_EQ(rig.store.queuedRuns(), 0);
    EXPECT_EQ(rig.store.recorderRuns(vtr).size(), 2u);
}

}  // namespace
}  // namespace rf::history

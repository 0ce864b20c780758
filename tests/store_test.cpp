#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "data/data_file.h"
#include "pg_server.h"
#include "state/adjustment_tables.h"
#include "store/records_store.h"
#include "temp_dir.h"

extern char** environ;

namespace rf::store {
namespace {

using history::RunRecord;
using Kind = RecordResult::Kind;
using test::readFile;
using test::writeFile;

// A run with every kind of row, and values a careless store would change: a
// float that is no short decimal, a missing value, an empty text.
RunRecord sampleRun(const std::string& vtrName, const std::string& date, int rows = 1) {
    RunRecord r;
    r.runId = history::newRunId();
    r.recorder = {"QT7310", vtrName, "XYZ", "SN1", "V2.05"};
    r.bench = "bench-3";
    r.operatorSerial = "SN1";
    r.toolVersion = "2.1";
    r.dateTime = date;
    r.drumHours = 1234;
    r.programme = "Adjust";
    r.blocks = {"MAGVEX HDLP,18000rpm,REC", "MAGVEX HDLP,18000rpm,PB,Conf"};
    for (int i = 0; i < rows; ++i) {
        r.values.push_back({"MAGVEX HDLP,18000rpm,REC", "record current", "L1", -12, 3 + i});
        r.values.push_back({"MAGVEX HDLP,18000rpm,PB,Conf", "VCO", "R", std::nullopt, 117});
        r.rates.push_back({"MAGVEX HDLP,18000rpm,PB,Conf", "Master VIDEO", "L2", -4.35f, -4.1f,
                           history::RateVerdict::Pass});
        r.rates.push_back(
            {"DV,9000rpm", "Master", "R2", std::nullopt, -4.3f, history::RateVerdict::NotMeasured});
    }
    r.levelRates = {{"MAGVEX HDLP,18000rpm,REC", "R1", 0.9137f, 0.8f, 1.2f}};
    r.sweeps = {{"MAGVEX HDLP,18000rpm,REC",
                 "L1",
                 history::SweepQuantity::Current,
                 {-6, -3, 0, 3},
                 {0.1f, 0.52f, 1.0f / 3, 0.49f},
                 -3},
                {"MAGVEX HDLP,18000rpm,REC",
                 "L2",
                 history::SweepQuantity::Frequency,
                 {},
                 {},
                 std::nullopt}};
    r.verdictLine = "PASS";
    return r;
}

enum class Backend { Sqlite, Postgres };
void PrintTo(Backend backend, std::ostream* out) {
    *out << (backend == Backend::Sqlite ? "SQLite" : "PostgreSQL");
}

// The store of a fresh working directory on either back end: for PostgreSQL
// a server of the test's own, named by a RECORDS.DAT as an operator would.
class StoreTest : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (GetParam() == Backend::Postgres) {
            try {
                pg_ = std::make_unique<test::PgServer>();
            } catch (const std::exception& e) {
                FAIL() << e.what();
            }
            writeFile(SettingsFileName, pg_->recordsDat());
        }
    }
    std::unique_ptr<RecordsStore> open(int waitMs = 5000) {
        StoreSettings s = readStoreSettings(work_.path());
        s.waitMs = waitMs;
        return std::make_unique<RecordsStore>(s, work_.path());
    }
    // A connection of the test's own to the store's database.
    QSqlDatabase raw(const QString& name) {
        const StoreSettings s = readStoreSettings(work_.path());
        QSqlDatabase db = QSqlDatabase::addDatabase(pg_ ? "QPSQL" : "QSQLITE", name);
        db.setDatabaseName(QString::fromStdString(pg_ ? s.database : s.sqliteFile.string()));
        db.setHostName(QString::fromStdString(s.host));
        db.setUserName(QString::fromStdString(s.user));
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
        return db;
    }
    static void exec(QSqlDatabase& db, const QString& statement) {
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(statement)) << q.lastError().text().toStdString();
    }
    void sql(const QString& statement) {
        {
            QSqlDatabase db = raw("sql");
            exec(db, statement);
        }
        QSqlDatabase::removeDatabase("sql");
    }
    // Another session holds the store so that a run's write stops half-way:
    // SQLite a reader, so that the commit waits; PostgreSQL a lock on the
    // sweeps, written after the run's other rows.
    void hold(QSqlDatabase& db) {
        exec(db, "BEGIN");
        exec(db, pg_ ? "LOCK TABLE rf_sweeps IN ACCESS EXCLUSIVE MODE"
                     : "SELECT COUNT(*) FROM rf_runs");
    }
    // Until a writer waits for it: SQLite the child `writer` holding the
    // lock a commit takes first (PENDING, /proc/locks), PostgreSQL a session
    // waiting for a lock. A writer that never comes fails.
    void untilAWriterWaits(QSqlDatabase& db, pid_t writer) {
        const std::string pending = " WRITE " + std::to_string(writer) + " ";
        for (int i = 0; i < 6000; ++i) {
            std::ifstream locks("/proc/locks");
            for (std::string line; !pg_ && std::getline(locks, line);)
                if (line.find(pending) != std::string::npos &&
                    line.find(" 1073741824 ") != std::string::npos)
                    return;
            QSqlQuery q(db);
            if (pg_ && q.exec("SELECT COUNT(*) FROM pg_locks WHERE NOT granted") && q.next() &&
                q.value(0).toInt() > 0)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        FAIL() << "no writer came to wait";
    }

    test::TempWorkDir work_;
    std::unique_ptr<test::PgServer> pg_;
};

TEST_P(StoreTest, RunsRoundTripExactlyInTimeOrderAndOnce) {
    auto store = open();
    EXPECT_EQ(store->schemaVersion(), SchemaVersion);
    RunRecord late = sampleRun("QT7310XYZ_SN1", "2026-12-08T14:30:12", 250);
    RunRecord early = sampleRun("QT7310XYZ_SN1", "2026-11-02T09:05:00");
    early.drumHours.reset();
    early.programme = "Error Rate";
    early.outcome = history::Outcome::Incomplete;
    early.outcomeReason = "Error 205 answered Ignore in MAGVEX HDLP,18000rpm,PB,Conf";
    early.blocks.clear();
    RunRecord other = sampleRun("QT7320ABC_77", "2026-12-01T08:00:00");
    for (const RunRecord* run : {&late, &early, &other}) {
        const RecordResult result = store->record(*run);
        EXPECT_EQ(result.kind, Kind::Recorded) << result.message();
    }
    EXPECT_EQ(store->record(late).kind, Kind::AlreadyRecorded);

    EXPECT_EQ(store->recorderRuns("QT7310XYZ_SN1"), (std::vector<RunRecord>{early, late}));
    EXPECT_EQ(store->recorders(),
              (std::vector<RecorderSummary>{{"QT7310", "QT7310XYZ_SN1", "SN1", late.dateTime, 2},
                                            {"QT7310", "QT7320ABC_77", "SN1", other.dateTime, 1}}));
    // Read again by a store of its own: nothing was kept only in memory.
    EXPECT_EQ(open()->recorderRuns("QT7320ABC_77"), std::vector<RunRecord>{other});

    RunRecord bad = sampleRun("QT7310XYZ_SN1", "2026-12-08T15:00:00");
    bad.sweeps[0].head = "H1";
    const RecordResult rejected = store->record(bad);
    EXPECT_EQ(rejected.kind, Kind::Rejected);
    EXPECT_NE(rejected.reason.find("\"H1\" is not a head"), std::string::npos);
    EXPECT_EQ(store->queuedRuns(), 0);
}

TEST_P(StoreTest, AStoreLostDuringAWriteQueuesTheRunAndTheFlushDeliversItOnce) {
    auto store = open(300);
    const RunRecord first = sampleRun("QT7310XYZ_SN1", "2026-12-08T10:00:00");
    const RunRecord during = sampleRun("QT7310XYZ_SN1", "2026-12-08T11:00:00", 100);
    const RunRecord after = sampleRun("QT7310XYZ_SN1", "2026-12-08T12:00:00");
    ASSERT_EQ(store->record(first).kind, Kind::Recorded);
    {
        QSqlDatabase holder = raw("holder");
        hold(holder);
        RecordResult result;
        // SQLite: the commit waits its 300 ms and gives up; PostgreSQL: the
        // server stops while the writer waits.
        std::thread writer([&] { result = open(300)->record(during); });
        if (pg_) {
            untilAWriterWaits(holder, 0);
            pg_->stop();
        }
        writer.join();
        EXPECT_EQ(result.kind, Kind::Queued);
        EXPECT_NE(result.reason.find(store->settings().describe()), std::string::npos)
            << result.reason;
        if (!pg_) exec(holder, "ROLLBACK");
    }
    QSqlDatabase::removeDatabase("holder");
    EXPECT_EQ(store->queuedRuns(), 1);
    // The store is back; this store's connection is from before (PostgreSQL:
    // the server closed it) and the queued run goes first.
    if (pg_) pg_->start();
    const RecordResult next = store->record(after);
    EXPECT_EQ(next.kind, Kind::Recorded) << next.message();
    EXPECT_EQ(next.flushed, 1);
    EXPECT_EQ(store->queuedRuns(), 0);
    EXPECT_EQ(store->flushQueue().sent, 0);
    EXPECT_EQ(store->record(during).kind, Kind::AlreadyRecorded);
    EXPECT_EQ(store->recorderRuns("QT7310XYZ_SN1"), (std::vector<RunRecord>{first, during, after}));
}

// What the child of the next test does: records a run, and is killed while it writes.
int writeRunInChild(const char* vtrName) {
    return RecordsStore(".").record(sampleRun(vtrName, "2026-12-08T10:00:00", 200)).kind ==
                   Kind::Recorded
               ? 0
               : 1;
}

TEST_P(StoreTest, AWriterKilledHalfWayLeavesNoHalfRun) {
    ASSERT_EQ(open()->record(sampleRun("QT7310XYZ_SN1", "2026-12-08T09:00:00")).kind,
              Kind::Recorded);
    QSqlDatabase holder = raw("holder");
    hold(holder);
    pid_t child = 0;
    const char* argv[] = {"store_test", "--write-run", "QT7310KILLED_1", nullptr};
    ASSERT_EQ(::posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, const_cast<char**>(argv),
                            environ),
              0);
    untilAWriterWaits(holder, child);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    exec(holder, "ROLLBACK");
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");

    auto store = open();
    EXPECT_TRUE(store->recorderRuns("QT7310KILLED_1").empty());
    EXPECT_EQ(store->recorders().size(), 1u);
    // The whole run goes in afterwards.
    const RunRecord again = sampleRun("QT7310KILLED_1", "2026-12-08T10:00:00", 200);
    EXPECT_EQ(store->record(again).kind, Kind::Recorded);
    EXPECT_EQ(store->recorderRuns("QT7310KILLED_1"), std::vector<RunRecord>{again});
}

TEST_P(StoreTest, TwoWritersAtOnceAreBothKept) {
    open()->schemaVersion();  // the tables made
    const auto writer = [&](std::string vtr, std::vector<RunRecord>& runs) {
        auto store = open();
        for (int i = 0; i < 15; ++i) {
            runs.push_back(sampleRun(vtr, "2026-12-08T10:00:" + std::to_string(10 + i), 20));
            EXPECT_EQ(store->record(runs.back()).kind, Kind::Recorded);
        }
    };
    std::vector<RunRecord> a, b;
    std::thread one(writer, "QT7310A_1", std::ref(a)), two(writer, "QT7310B_2", std::ref(b));
    one.join();
    two.join();
    auto store = open();
    EXPECT_EQ(store->recorderRuns("QT7310A_1"), a);
    EXPECT_EQ(store->recorderRuns("QT7310B_2"), b);
}

TEST_P(StoreTest, ADatabaseOfOtherTablesOrOfANewerToolIsRefusedAndLeftAsItWas) {
    const std::string newer = "was written by a newer rfadjust (schema 2; this one reads up to 1)";
    for (const char* layout :
         {"CREATE TABLE invoices (number INTEGER)", "UPDATE rf_schema SET version = 2"}) {
        SCOPED_TRACE(layout);
        if (layout[0] == 'U') open()->schemaVersion();
        sql(layout);
        const std::string before = pg_ ? "" : readFile(DefaultStoreFile);
        auto store = open();
        const std::string expected =
            layout[0] == 'C' ? "is not a records store: it holds other tables (invoices)" : newer;
        try {
            store->recorders();
            ADD_FAILURE() << "not refused";
        } catch (const StoreError& e) {
            EXPECT_NE(std::string(e.what()).find("records store " + store->settings().describe() +
                                                 " " + expected),
                      std::string::npos)
                << e.what();
        }
        const RecordResult result =
            store->record(sampleRun("QT7310XYZ_SN1", "2026-12-08T10:00:00"));
        EXPECT_EQ(result.kind, Kind::Queued);
        EXPECT_NE(result.reason.find(expected), std::string::npos) << result.reason;
        if (!pg_) {
            EXPECT_EQ(readFile(DefaultStoreFile), before);
        }
        sql(layout[0] == 'C' ? "DROP TABLE invoices" : "UPDATE rf_schema SET version = 1");
    }
}

TEST_P(StoreTest, HistoryFilesImportAsFileSaveRunsOnceAndADamagedSaveIsNamed) {
    auto tables = std::make_unique<AdjustmentTables>();
    auto rates = std::make_unique<ErrorRates>();
    DataInit(*tables, *rates);
    rates->ErrResLp(fmt::HdLp, cate::Playback, kind::Conf, 0, 0, meas::Playback) = -4.35f;
    rates->ErrResOt(fmt::HdSp, 2, meas::Playback) = -4.0f;
    rates->ErrResLp(fmt::HdLp, cate::Playback, kind::Conf, 0, 0, meas::Self) = -4.6f;
    tables->PbDataRead(fmt::HdLp, rpm::Rpm18000, cate::Playback, kind::Conf, 1, 9) = 123;
    tables->RecDataRead(fmt::HdLp, rpm::Rpm18000, 0, 0, 1, 3) = -7;
    // The first save was made for every HDLP playback block, the second for one.
    auto all = std::make_unique<BlockTable>(), one = std::make_unique<BlockTable>();
    (*all)(dir::Playback, fmt::HdLp, rpm::Rpm18000, cate::RecPlay, 0, 0) = true;
    for (int k = 0; k <= kind::SubSlow; ++k)
        (*all)(dir::Playback, fmt::HdLp, rpm::Rpm18000, cate::Playback, k, 0) = true;
    (*one)(dir::Playback, fmt::HdLp, rpm::Rpm18000, cate::Playback, kind::Conf, 0) = true;
    const auto at = [](int minute) { return platform::DateTime{2026, 12, 8, 10, minute, 0}; };
    const auto first = data::saveTexts(*rates, *tables, *all, "QT7310XYZ_SN1", at(0));
    const auto second = data::saveTexts(*rates, *tables, *one, "QT7310XYZ_SN1", at(5));
    writeFile("QT7310Err.dat", first.errHistory + second.errHistory);
    writeFile("QT7310Evr.dat", first.evrHistory + second.evrHistory);

    auto store = open();
    for (int pass = 0; pass < 2; ++pass)
        for (const char* file : {"QT7310Err.dat", "QT7310Evr.dat"}) {
            const ImportResult result = store->importHistoryFile(file);
            EXPECT_EQ(result.added, pass == 0 ? 2 : 0) << file;
            EXPECT_EQ(result.alreadyThere, pass == 0 ? 0 : 2) << file;
            EXPECT_EQ(result.problems, std::vector<std::string>{}) << file;
        }
    const std::vector<RunRecord> runs = store->recorderRuns("QT7310XYZ_SN1");
    ASSERT_EQ(runs.size(), 4u);
    const auto has = [&](const auto& row, int minute) {
        const std::string date = "2026-12-08T10:0" + std::to_string(minute) + ":00";
        return std::any_of(runs.begin(), runs.end(), [&](const RunRecord& r) {
            EXPECT_EQ(r.programme, "File Save");
            EXPECT_EQ(r.recorder,
                      (history::RecorderIdentity{"QT7310", "QT7310XYZ_SN1", "XYZ", "SN1", ""}));
            if (r.dateTime != date) return false;
            if constexpr (std::is_same_v<std::decay_t<decltype(row)>, history::RateRow>)
                return std::find(r.rates.begin(), r.rates.end(), row) != r.rates.end();
            else
                return std::find(r.values.begin(), r.values.end(), row) != r.values.end();
        });
    };
    using V = history::RateVerdict;
    const std::string conf = "MAGVEX HDLP,18000rpm,PB,PB,Conf";
    EXPECT_TRUE(has(history::RateRow{conf, "Master VIDEO", "L1", -4.35f, -4.1f, V::Pass}, 0));
    EXPECT_TRUE(
        has(history::RateRow{"MAGVEX HDSP,19800rpm", "Master", "L2", -4.0f, -4.3f, V::Fail}, 0));
    // The file does not say which block the second save's one line is of.
    EXPECT_TRUE(has(history::RateRow{"MAGVEX HDLP playback block (line 1 of 1, not named by "
                                     "the file)",
                                     "Master VIDEO", "L1", -4.35f, std::nullopt, V::NoLimit},
                    5));
    EXPECT_TRUE(has(history::ValueRow{conf, "VCO", "R", std::nullopt, 123}, 5));
    // A recording's rates belong to the record block, as a run's own do.
    EXPECT_TRUE(std::ranges::any_of(runs, [](const RunRecord& run) {
        return std::ranges::any_of(run.rates, [](const history::RateRow& r) {
            return r.value == -4.6f && r.block == "MAGVEX HDLP,18000rpm,RP,RP,RP";
        });
    }));
    EXPECT_TRUE(has(history::ValueRow{"MAGVEX HDLP,18000rpm,RP,RP,RP", "record frequency", "R2",
                                      std::nullopt, -7},
                    0));

    // A damaged first save is left out and named; the second is there already.
    const struct {
        int line;
        std::string from, to, problem;
    } damages[] = {
        {1, "12-08-2026", "12/08/2026", "line 1: the date \"12/08/2026\" is not MM-DD-YYYY"},
        {3, "-4.35,", "-4.3.5,", "line 3: value 1: \"-4.3.5\" is not a number"},
        {3, "-4.35,", "-4.35,7,", "line 3: 25 values where 24 are due"},
        {11, "", "", "line 10: the save ends here, 1 line(s) short"},
    };
    for (const auto& d : damages) {
        std::string text = first.errHistory;
        std::size_t begin = 0;
        for (int n = 1; n < d.line; ++n)
            begin = text.find("\r\n", begin) + 2;
        const std::size_t end = text.find("\r\n", begin) + 2;
        if (d.from.empty())
            text.erase(begin, end - begin);
        else
            text.replace(text.find(d.from, begin), d.from.size(), d.to);
        writeFile("damaged.dat", text + second.errHistory);
        const ImportResult result = store->importHistoryFile("damaged.dat");
        EXPECT_EQ(result.problems, std::vector<std::string>{"damaged.dat: " + d.problem});
        EXPECT_EQ(result.added, 0);
        EXPECT_EQ(result.alreadyThere, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) {
                             return info.param == Backend::Sqlite ? "SQLite" : "PostgreSQL";
                         });

TEST(Store, AFileThatIsNoDatabaseIsRefusedAndLeftAsItWas) {
    test::TempWorkDir work;
    const std::string junk(4096, 'x');
    writeFile(DefaultStoreFile, junk);
    RecordsStore store(work.path());
    const RecordResult result = store.record(sampleRun("QT7310XYZ_SN1", "2026-12-08T10:00:00"));
    EXPECT_EQ(result.kind, Kind::Queued);
    EXPECT_NE(
        result.reason.find((work.path() / DefaultStoreFile).string() + ": file is not a database"),
        std::string::npos)
        << result.reason;
    EXPECT_EQ(readFile(DefaultStoreFile), junk);
}

TEST(Store, ABadRecordsDatNamesTheFileTheLineAndTheReason) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"host = db\nport = 54x\ndatabase = r\n",
         "RECORDS.DAT: line 2: port \"54x\" is not a number from 1 to 65535"},
        {"# service centre\nhots = db\n", "RECORDS.DAT: line 2: unknown key \"hots\""},
        {"host db\n", "RECORDS.DAT: line 1: \"host db\" is not key = value"},
        {"host = a\nhost = b\n", "RECORDS.DAT: line 2: \"host\" is given twice"},
        {"host = a\nuser = \n", "RECORDS.DAT: line 2: \"user\" has no value"},
        {"host = a\n", "RECORDS.DAT: \"database\" is missing"},
    };
    test::TempWorkDir work;
    for (const auto& c : cases) {
        writeFile(SettingsFileName, c.text);
        try {
            RecordsStore store(work.path());
            ADD_FAILURE() << c.text << " was taken";
        } catch (const StoreError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    writeFile(SettingsFileName,
              "host = /run/none\nport = 5433\ndatabase = rfrecords\nuser = op\n"
              "password = p=w\n");
    const StoreSettings s = readStoreSettings(work.path());
    EXPECT_EQ(s.describe(), "PostgreSQL database rfrecords on /run/none:5433");
    EXPECT_EQ(s.password, "p=w");
}

}  // namespace
}  // namespace rf::store

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write-run")
        return rf::store::writeRunInChild(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

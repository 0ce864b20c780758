#include "store/records_store.h"

#include <QDateTime>
#include <QSqlQuery>
#include <set>

#include "store/history_import.h"
#include "store/sql_database.h"

namespace rf::store {

using history::RunRecord;
using sql::Failure;

std::string RecordResult::message() const {
    switch (kind) {
        case Kind::Recorded:
            return "Run recorded.";
        case Kind::AlreadyRecorded:
            return "Run recorded (the store held it already).";
        case Kind::Queued:
            return "Run queued: " + reason + ". It is sent when the store can be reached again.";
        case Kind::Rejected:
            return "Run not recorded: " + reason + ".";
        case Kind::Failed:
            break;
    }
    return "Run NOT recorded: " + reason + ".";
}

struct RecordsStore::Impl {
    StoreSettings settings;
    std::filesystem::path queueFile;
    sql::Database main;
    sql::Database queue;

    Impl(StoreSettings s, const std::filesystem::path& queueDir)
        : settings(s),
          queueFile(std::filesystem::absolute(queueDir) / QueueFileName),
          main(std::move(s), "records store"),
          queue(queueSettings(queueFile), "queue of the records store") {
        queue.extraTables = {
            "CREATE TABLE IF NOT EXISTS rf_queue (seq INTEGER PRIMARY KEY AUTOINCREMENT, "
            "run_id TEXT NOT NULL UNIQUE, queued_at TEXT NOT NULL, reason TEXT NOT NULL)"};
    }

    static StoreSettings queueSettings(const std::filesystem::path& file) {
        StoreSettings s;
        s.sqliteFile = file;
        return s;
    }

    bool queueExists() const {
        std::error_code ec;
        return std::filesystem::exists(queueFile, ec);
    }

    // The run in a transaction of its own; false when it was there already.
    static bool writeOne(sql::Database& db, const RunRecord& run) {
        db.begin();
        try {
            const bool added = sql::writeRun(db, run);
            db.commit();
            return added;
        } catch (...) {
            db.rollback();
            throw;
        }
    }

    // Runs `write` on the store. A PostgreSQL connection the server closed
    // since its last use (a restart) fails the first statement: the write is
    // tried once more on a fresh connection. Failure or StoreError when it
    // cannot be done.
    template <typename Write>
    auto onMain(Write&& write) {
        for (int attempt = 0;; ++attempt) {
            main.open();
            try {
                return write();
            } catch (const Failure&) {
                main.drop();
                if (attempt > 0 || !main.postgres()) throw;
            }
        }
    }

    RecordResult enqueue(const RunRecord& run, const std::string& why) {
        try {
            queue.open();
            queue.begin();
            try {
                sql::writeRun(queue, run);
                queue.exec(
                    "INSERT INTO rf_queue (run_id, queued_at, reason) VALUES (?,?,?) "
                    "ON CONFLICT (run_id) DO NOTHING",
                    {sql::text(run.runId), QDateTime::currentDateTime().toString(Qt::ISODate),
                     sql::text(why)});
                queue.commit();
            } catch (...) {
                queue.rollback();
                throw;
            }
            return {RecordResult::Kind::Queued, why};
        } catch (const Failure& f) {
            queue.drop();
            return {RecordResult::Kind::Failed, why + "; and " + queue.describe() + ": " + f.text};
        } catch (const StoreError& e) {
            return {RecordResult::Kind::Failed, why + "; and " + e.what()};
        }
    }
};

RecordsStore::RecordsStore(const std::filesystem::path& dir)
    : RecordsStore(readStoreSettings(dir), dir) {}

RecordsStore::RecordsStore(StoreSettings settings, const std::filesystem::path& queueDir)
    : impl_(std::make_unique<Impl>(std::move(settings), queueDir)) {}

RecordsStore::~RecordsStore() = default;

const StoreSettings& RecordsStore::settings() const {
    return impl_->settings;
}

RecordResult RecordsStore::record(const RunRecord& run) {
    if (const std::string problem = history::problemOf(run); !problem.empty())
        return {RecordResult::Kind::Rejected, problem};
    Impl& s = *impl_;
    try {
        s.main.open();
    } catch (const StoreError& e) {
        return s.enqueue(run, e.what());
    }
    // The queued runs first: the store gets the runs in the order they were made.
    const int flushed = s.queueExists() ? flushQueue().sent : 0;
    RecordResult result;
    try {
        const bool added = s.onMain([&] { return Impl::writeOne(s.main, run); });
        result.kind = added ? RecordResult::Kind::Recorded : RecordResult::Kind::AlreadyRecorded;
    } catch (const Failure& f) {
        result = s.enqueue(run, s.main.describe() + ": " + f.text);
    } catch (const StoreError& e) {
        result = s.enqueue(run, e.what());
    }
    result.flushed = flushed;
    return result;
}

FlushResult RecordsStore::flushQueue() {
    Impl& s = *impl_;
    FlushResult result;
    if (!s.queueExists()) return result;
    const auto queueFailed = [&](const std::string& why) {
        s.queue.drop();
        result.reason = s.queue.describe() + ": " + why;
        return result;
    };
    std::vector<QString> ids;
    try {
        s.queue.open();
        QSqlQuery q = s.queue.exec("SELECT run_id FROM rf_queue ORDER BY seq");
        while (q.next())
            ids.push_back(q.value(0).toString());
    } catch (const Failure& f) {
        return queueFailed(f.text);
    } catch (const StoreError& e) {
        result.reason = e.what();
        return result;
    }
    result.left = static_cast<int>(ids.size());
    for (const QString& id : ids) {
        std::vector<RunRecord> runs;
        try {
            runs = sql::readRuns(s.queue, "run_id", id);
        } catch (const Failure& f) {
            return queueFailed(f.text);
        }
        // Into the store first, then out of the queue: a failure between the
        // two leaves the run in both, and the next flush finds it there.
        try {
            s.onMain([&] {
                for (const RunRecord& run : runs)
                    Impl::writeOne(s.main, run);
            });
        } catch (const Failure& f) {
            result.reason = s.main.describe() + ": " + f.text;
            return result;
        } catch (const StoreError& e) {
            result.reason = e.what();
            return result;
        }
        try {
            s.queue.begin();
            sql::deleteRun(s.queue, id);
            s.queue.exec("DELETE FROM rf_queue WHERE run_id = ?", {id});
            s.queue.commit();
        } catch (const Failure& f) {
            s.queue.rollback();
            return queueFailed(f.text);
        }
        ++result.sent;
        --result.left;
    }
    return result;
}

int RecordsStore::queuedRuns() {
    if (!impl_->queueExists()) return 0;
    try {
        impl_->queue.open();
        QSqlQuery q = impl_->queue.exec("SELECT COUNT(*) FROM rf_queue");
        return q.next() ? q.value(0).toInt() : 0;
    } catch (const Failure& f) {
        impl_->queue.drop();
        throw StoreError(impl_->queue.describe() + ": " + f.text);
    }
}

namespace {

// Runs a reading on the store: a failure becomes StoreError naming it.
template <typename Read>
auto reading(sql::Database& db, Read&& read) {
    db.open();
    try {
        return read();
    } catch (const Failure& f) {
        db.drop();
        throw StoreError(db.describe() + ": " + f.text);
    }
}

}  // namespace

int RecordsStore::schemaVersion() {
    return reading(impl_->main, [&] { return impl_->main.version(); });
}

std::vector<RecorderSummary> RecordsStore::recorders() {
    return reading(impl_->main, [&] {
        std::vector<RecorderSummary> out;
        QSqlQuery q = impl_->main.exec(
            "SELECT vtr_name, MAX(model), MAX(serial_no), MAX(started_at), COUNT(*) FROM rf_runs "
            "GROUP BY vtr_name ORDER BY vtr_name");
        while (q.next())
            out.push_back({q.value(1).toString().toStdString(), q.value(0).toString().toStdString(),
                           q.value(2).toString().toStdString(), q.value(3).toString().toStdString(),
                           q.value(4).toInt()});
        return out;
    });
}

std::vector<RunRecord> RecordsStore::recorderRuns(const std::string& vtrName) {
    return reading(impl_->main, [&] {
        return sql::readRuns(impl_->main, "vtr_name", QString::fromStdString(vtrName));
    });
}

namespace {

// The saves the tool kept itself as they were made: its own File Save runs,
// by recorder and the moment their history headers carry. A save imported
// from a history file that is one of them is there already.
std::set<std::pair<std::string, std::string>> keptSaves(sql::Database& db) {
    std::set<std::pair<std::string, std::string>> out;
    QSqlQuery q = db.exec(
        "SELECT vtr_name, started_at FROM rf_runs WHERE programme = 'File Save' "
        "AND run_id NOT LIKE 'import-%'");
    while (q.next())
        out.emplace(q.value(0).toString().toStdString(), q.value(1).toString().toStdString());
    return out;
}

}  // namespace

ImportResult RecordsStore::importHistoryFile(const std::filesystem::path& path) {
    ParsedHistory parsed = parseHistoryFile(path);
    ImportResult result;
    result.problems = std::move(parsed.problems);
    sql::Database& db = impl_->main;
    reading(db, [&] {
        // The whole file in one transaction: all of it or, on a failure, none.
        db.begin();
        try {
            const auto kept = keptSaves(db);
            for (const RunRecord& run : parsed.runs)
                ++(!kept.contains({run.recorder.vtrName, run.dateTime}) && sql::writeRun(db, run)
                       ? result.added
                       : result.alreadyThere);
            db.commit();
        } catch (...) {
            db.rollback();
            throw;
        }
        return 0;
    });
    return result;
}

}  // namespace rf::store

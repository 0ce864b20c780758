#include "store/sql_database.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <map>

#include "store/records_store.h"

namespace rf::store::sql {

namespace {

using history::RunRecord;

std::atomic<int> connections{0};

std::string errorText(const QSqlError& error) {
    std::string text = error.text().trimmed().toStdString();
    return text.empty() ? "unknown error" : text;
}

QVariant nullable(const std::optional<int>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<int>());
}
QVariant nullable(const std::optional<float>& v) {
    return v ? QVariant(static_cast<double>(*v)) : QVariant(QMetaType::fromType<double>());
}
std::optional<int> intOf(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    return v.toInt();
}
std::optional<float> floatOf(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    return static_cast<float>(v.toDouble());
}
std::string str(const QVariant& v) {
    return v.toString().toStdString();
}

// Arrays are kept as text: "-3,-2,0,2" and the levels each in the fewest
// digits that read back to the same value.
template <typename T>
std::string joined(const std::vector<T>& values) {
    std::string out;
    char buffer[64];
    for (const T v : values) {
        if (!out.empty()) out += ',';
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
        out.append(buffer, end);
    }
    return out;
}
template <typename T>
std::vector<T> split(const std::string& text, const std::string& where) {
    std::vector<T> out;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    while (at < end) {
        T v{};
        const auto [next, ec] = std::from_chars(at, end, v);
        if (ec != std::errc{} || (next != end && *next != ','))
            throw Failure{where + ": \"" + text + "\" is not a list of numbers"};
        out.push_back(v);
        at = next == end ? end : next + 1;
    }
    return out;
}

template <typename Enum>
Enum wordOf(std::optional<Enum> (*parse)(std::string_view), const QVariant& v,
            const std::string& where) {
    const std::string word = str(v);
    const auto value = parse(word);
    if (!value) throw Failure{where + ": \"" + word + "\" is not known to this tool"};
    return *value;
}

// Version 1: the runs and their rows. A run's rows name it by its number in
// the store (run_no, given in the order runs are written), so that the rows of
// one run lie together in their table's key and a recorder's history is read
// by key on either back end. Each upgrade takes the tables from the version
// before; the first makes them in an empty database. "$RUN_NO" is the
// back end's own numbering of rows.
const std::vector<std::vector<const char*>> Upgrades = {
    {
        "CREATE TABLE rf_schema (version INTEGER NOT NULL)",
        "CREATE TABLE rf_runs (run_no $RUN_NO, run_id TEXT NOT NULL UNIQUE, "
        "vtr_name TEXT NOT NULL, "
        "model TEXT NOT NULL, induce TEXT NOT NULL, serial_no TEXT NOT NULL, "
        "syscon_version TEXT NOT NULL, bench TEXT NOT NULL, operator_serial TEXT NOT NULL, "
        "tool_version TEXT NOT NULL, started_at TEXT NOT NULL, drum_hours INTEGER, "
        "programme TEXT NOT NULL, blocks TEXT NOT NULL, outcome TEXT NOT NULL, "
        "outcome_reason TEXT NOT NULL, verdict_line TEXT NOT NULL)",
        "CREATE INDEX rf_runs_by_recorder ON rf_runs (vtr_name, started_at)",
        "CREATE TABLE rf_values (run_no BIGINT NOT NULL REFERENCES rf_runs (run_no), "
        "seq INTEGER NOT NULL, block TEXT NOT NULL, item TEXT NOT NULL, head TEXT NOT NULL, "
        "found_value INTEGER, left_value INTEGER, PRIMARY KEY (run_no, seq))",
        "CREATE TABLE rf_rates (run_no BIGINT NOT NULL REFERENCES rf_runs (run_no), "
        "seq INTEGER NOT NULL, block TEXT NOT NULL, measurement TEXT NOT NULL, "
        "head TEXT NOT NULL, rate DOUBLE PRECISION, rate_limit DOUBLE PRECISION, "
        "verdict TEXT NOT NULL, PRIMARY KEY (run_no, seq))",
        "CREATE TABLE rf_level_rates (run_no BIGINT NOT NULL REFERENCES rf_runs (run_no), "
        "seq INTEGER NOT NULL, block TEXT NOT NULL, head TEXT NOT NULL, "
        "ratio DOUBLE PRECISION NOT NULL, low_bound DOUBLE PRECISION NOT NULL, "
        "high_bound DOUBLE PRECISION NOT NULL, PRIMARY KEY (run_no, seq))",
        "CREATE TABLE rf_sweeps (run_no BIGINT NOT NULL REFERENCES rf_runs (run_no), "
        "seq INTEGER NOT NULL, block TEXT NOT NULL, head TEXT NOT NULL, "
        "quantity TEXT NOT NULL, offsets TEXT NOT NULL, levels TEXT NOT NULL, chosen INTEGER, "
        "PRIMARY KEY (run_no, seq))",
        "INSERT INTO rf_schema (version) VALUES (0)",
    },
};

const QStringList RowTables{"rf_values", "rf_rates", "rf_level_rates", "rf_sweeps"};

}  // namespace

QVariant text(const std::string& s) {
    return s.empty() ? QVariant(QString("")) : QVariant(QString::fromStdString(s));
}

Database::Database(StoreSettings settings, std::string role)
    : settings_(std::move(settings)),
      role_(std::move(role)),
      name_(QString("rfadjust-store-%1").arg(++connections)) {}

Database::~Database() {
    if (db_.isValid()) db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

void Database::open() {
    if (ready_ && db_.isOpen()) return;
    ready_ = false;
    if (!db_.isValid()) {
        const QString driver = postgres() ? "QPSQL" : "QSQLITE";
        db_ = QSqlDatabase::addDatabase(driver, name_);
        if (!db_.isValid())
            throw StoreError(describe() + ": the Qt SQL driver " + driver.toStdString() +
                             " is not installed (Debian package " +
                             (postgres() ? "libqt6sql6-psql" : "libqt6sql6-sqlite") + ")");
    }
    if (postgres()) {
        db_.setHostName(QString::fromStdString(settings_.host));
        db_.setPort(settings_.port);
        db_.setDatabaseName(QString::fromStdString(settings_.database));
        db_.setUserName(QString::fromStdString(settings_.user));
        db_.setPassword(QString::fromStdString(settings_.password));
        db_.setConnectOptions(
            QString("connect_timeout=%1").arg(std::max(2, (settings_.waitMs + 999) / 1000)));
    } else {
        db_.setDatabaseName(QString::fromStdString(settings_.sqliteFile.string()));
        db_.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=%1").arg(settings_.waitMs));
    }
    if (!db_.open())
        throw StoreError(describe() + " cannot be reached: " + errorText(db_.lastError()));
    try {
        check();
    } catch (const Failure& f) {
        drop();
        throw StoreError(describe() + ": " + f.text);
    } catch (const StoreError&) {
        drop();
        throw;
    }
    ready_ = true;
}

void Database::drop() {
    ready_ = false;
    if (db_.isValid()) db_.close();
}

QStringList Database::tables() {
    QSqlQuery q = exec(postgres() ? "SELECT tablename FROM pg_tables WHERE schemaname = "
                                    "current_schema()"
                                  : "SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                    "name NOT LIKE 'sqlite_%'");
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    names.sort();
    return names;
}

void Database::check() {
    // In a transaction of its own, so that two tools meeting an empty database
    // at once make its tables once.
    begin();
    try {
        if (postgres()) exec("SELECT pg_advisory_xact_lock(7310)");
        const QStringList present = tables();
        int version = 0;
        if (present.contains("rf_schema")) {
            QSqlQuery q = exec("SELECT version FROM rf_schema");
            if (!q.next()) throw StoreError(describe() + ": its schema version is missing");
            version = q.value(0).toInt();
            if (version > SchemaVersion)
                throw StoreError(describe() + " was written by a newer rfadjust (schema " +
                                 std::to_string(version) + "; this one reads up to " +
                                 std::to_string(SchemaVersion) + ")");
        } else if (!present.isEmpty()) {
            throw StoreError(describe() + " is not a records store: it holds other tables (" +
                             present.join(", ").toStdString() + ")");
        }
        for (; version < SchemaVersion; ++version) {
            for (QString statement : Upgrades[static_cast<std::size_t>(version)])
                exec(statement.replace("$RUN_NO", postgres()
                                                      ? "BIGINT GENERATED BY DEFAULT AS IDENTITY "
                                                        "PRIMARY KEY"
                                                      : "INTEGER PRIMARY KEY"));
            exec("UPDATE rf_schema SET version = ?", {version + 1});
        }
        for (const QString& statement : extraTables)
            exec(statement);
        commit();
        version_ = version;
    } catch (...) {
        rollback();
        throw;
    }
}

QSqlQuery Database::exec(const QString& statement, const QVariantList& values) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    bool ok;
    if (values.isEmpty()) {
        ok = q.exec(statement);
    } else {
        ok = q.prepare(statement);
        for (const QVariant& v : values)
            q.addBindValue(v);
        ok = ok && q.exec();
    }
    if (!ok) throw Failure{errorText(q.lastError())};
    return q;
}

void Database::begin() {
    // SQLite: the write lock at once, so that two writers never both hold a
    // read lock and wait for each other.
    exec(postgres() ? "BEGIN" : "BEGIN IMMEDIATE");
}

void Database::commit() {
    exec("COMMIT");
}

void Database::rollback() {
    QSqlQuery q(db_);
    q.exec("ROLLBACK");
}

void Database::insertRows(const QString& table, const QStringList& columns, std::size_t count,
                          const std::function<void(std::size_t, QVariantList&)>& fill) {
    // PostgreSQL: fewer round trips. SQLite: Qt looks each bound value's
    // name up among all of the statement's, so a long statement costs more
    // per row than a short one.
    const std::size_t PerStatement = postgres() ? 100 : 8;
    const QString row = "(" + QStringList(columns.size(), "?").join(",") + ")";
    QVariantList values;
    for (std::size_t first = 0; first < count; first += PerStatement) {
        const std::size_t n = std::min(PerStatement, count - first);
        QStringList rows;
        values.clear();
        for (std::size_t i = 0; i < n; ++i) {
            rows << row;
            fill(first + i, values);
        }
        exec("INSERT INTO " + table + " (" + columns.join(",") + ") VALUES " + rows.join(","),
             values);
    }
}

bool writeRun(Database& db, const RunRecord& run) {
    std::string blocks;
    for (const std::string& b : run.blocks)
        blocks += (blocks.empty() ? "" : "\n") + b;
    QSqlQuery added = db.exec(
        "INSERT INTO rf_runs (run_id, vtr_name, model, induce, serial_no, syscon_version, bench, "
        "operator_serial, tool_version, started_at, drum_hours, programme, blocks, outcome, "
        "outcome_reason, verdict_line) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?) "
        "ON CONFLICT (run_id) DO NOTHING RETURNING run_no",
        {text(run.runId), text(run.recorder.vtrName), text(run.recorder.model),
         text(run.recorder.induce), text(run.recorder.serialNo), text(run.recorder.sysconVersion),
         text(run.bench), text(run.operatorSerial), text(run.toolVersion), text(run.dateTime),
         nullable(run.drumHours), text(run.programme), text(blocks),
         text(std::string(textOf(run.outcome))), text(run.outcomeReason), text(run.verdictLine)});
    if (!added.next()) return false;
    const QVariant id = added.value(0);
    added.finish();
    const auto seq = [](std::size_t i) { return QVariant(static_cast<int>(i)); };
    db.insertRows("rf_values",
                  {"run_no", "seq", "block", "item", "head", "found_value", "left_value"},
                  run.values.size(), [&](std::size_t i, QVariantList& out) {
                      const auto& r = run.values[i];
                      out << id << seq(i) << text(r.block) << text(r.item) << text(r.head)
                          << nullable(r.found) << nullable(r.left);
                  });
    db.insertRows(
        "rf_rates",
        {"run_no", "seq", "block", "measurement", "head", "rate", "rate_limit", "verdict"},
        run.rates.size(), [&](std::size_t i, QVariantList& out) {
            const auto& r = run.rates[i];
            out << id << seq(i) << text(r.block) << text(r.measurement) << text(r.head)
                << nullable(r.value) << nullable(r.limit) << text(std::string(textOf(r.verdict)));
        });
    db.insertRows(
        "rf_level_rates", {"run_no", "seq", "block", "head", "ratio", "low_bound", "high_bound"},
        run.levelRates.size(), [&](std::size_t i, QVariantList& out) {
            const auto& r = run.levelRates[i];
            out << id << seq(i) << text(r.block) << text(r.head) << static_cast<double>(r.ratio)
                << static_cast<double>(r.low) << static_cast<double>(r.high);
        });
    db.insertRows("rf_sweeps",
                  {"run_no", "seq", "block", "head", "quantity", "offsets", "levels", "chosen"},
                  run.sweeps.size(), [&](std::size_t i, QVariantList& out) {
                      const auto& r = run.sweeps[i];
                      out << id << seq(i) << text(r.block) << text(r.head)
                          << text(std::string(textOf(r.quantity))) << text(joined(r.offsets))
                          << text(joined(r.levels)) << nullable(r.chosen);
                  });
    return true;
}

std::vector<RunRecord> readRuns(Database& db, const QString& column, const QString& key) {
    std::vector<RunRecord> runs;
    std::map<qlonglong, std::size_t> byNumber;
    QSqlQuery q = db.exec(
        "SELECT run_no, run_id, vtr_name, model, induce, serial_no, syscon_version, bench, "
        "operator_serial, tool_version, started_at, drum_hours, programme, blocks, outcome, "
        "outcome_reason, verdict_line FROM rf_runs WHERE " +
            column + " = ? ORDER BY started_at, run_id",
        {key});
    while (q.next()) {
        RunRecord r;
        r.runId = str(q.value(1));
        const std::string where = "run " + r.runId;
        r.recorder = {str(q.value(3)), str(q.value(2)), str(q.value(4)), str(q.value(5)),
                      str(q.value(6))};
        r.bench = str(q.value(7));
        r.operatorSerial = str(q.value(8));
        r.toolVersion = str(q.value(9));
        r.dateTime = str(q.value(10));
        r.drumHours = intOf(q.value(11));
        r.programme = str(q.value(12));
        const QString blocks = q.value(13).toString();
        if (!blocks.isEmpty())
            for (const QString& b : blocks.split('\n'))
                r.blocks.push_back(b.toStdString());
        r.outcome = wordOf(history::outcomeOf, q.value(14), where);
        r.outcomeReason = str(q.value(15));
        r.verdictLine = str(q.value(16));
        byNumber[q.value(0).toLongLong()] = runs.size();
        runs.push_back(std::move(r));
    }
    if (runs.empty()) return runs;
    // Each kind of row for all the runs at once, in the runs' order.
    const auto rows = [&](const QString& table, const QString& columns, auto&& add) {
        QSqlQuery rq = db.exec("SELECT c.run_no, " + columns + " FROM " + table +
                                   " c JOIN rf_runs r ON r.run_no = c.run_no WHERE r." + column +
                                   " = ? ORDER BY c.run_no, c.seq",
                               {key});
        while (rq.next()) {
            const auto at = byNumber.find(rq.value(0).toLongLong());
            if (at != byNumber.end()) add(runs[at->second], rq);
        }
    };
    rows("rf_values", "c.block, c.item, c.head, c.found_value, c.left_value",
         [](RunRecord& r, const QSqlQuery& v) {
             r.values.push_back({str(v.value(1)), str(v.value(2)), str(v.value(3)),
                                 intOf(v.value(4)), intOf(v.value(5))});
         });
    rows("rf_rates", "c.block, c.measurement, c.head, c.rate, c.rate_limit, c.verdict",
         [](RunRecord& r, const QSqlQuery& v) {
             r.rates.push_back({str(v.value(1)), str(v.value(2)), str(v.value(3)),
                                floatOf(v.value(4)), floatOf(v.value(5)),
                                wordOf(history::rateVerdictOf, v.value(6), "run " + r.runId)});
         });
    rows("rf_level_rates", "c.block, c.head, c.ratio, c.low_bound, c.high_bound",
         [](RunRecord& r, const QSqlQuery& v) {
             r.levelRates.push_back({str(v.value(1)), str(v.value(2)), *floatOf(v.value(3)),
                                     *floatOf(v.value(4)), *floatOf(v.value(5))});
         });
    rows("rf_sweeps", "c.block, c.head, c.quantity, c.offsets, c.levels, c.chosen",
         [](RunRecord& r, const QSqlQuery& v) {
             const std::string where = "run " + r.runId;
             r.sweeps.push_back({str(v.value(1)), str(v.value(2)),
                                 wordOf(history::sweepQuantityOf, v.value(3), where),
                                 split<int>(str(v.value(4)), where),
                                 split<float>(str(v.value(5)), where), intOf(v.value(6))});
         });
    return runs;
}

void deleteRun(Database& db, const QString& runId) {
    for (const QString& table : RowTables)
        db.exec("DELETE FROM " + table +
                    " WHERE run_no IN (SELECT run_no FROM rf_runs WHERE run_id = ?)",
                {runId});
    db.exec("DELETE FROM rf_runs WHERE run_id = ?", {runId});
}

}  // namespace rf::store::sql

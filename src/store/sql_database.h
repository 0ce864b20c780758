#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <functional>
#include <string>
#include <vector>

#include "history/run_record.h"
#include "store/store_settings.h"

namespace rf::store::sql {

// A statement that failed: the database's own words.
struct Failure {
    std::string text;
};

// A text bound as it is: never NULL, also when empty.
QVariant text(const std::string& s);

// One connection to a store (the records store or the queue) under a name of
// its own, opened when first used and checked: its tables made when the
// database is empty, upgraded when they are older, refused when they are
// newer or when the database is no records store.
class Database {
  public:
    Database(StoreSettings settings, std::string role);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // "records store SQLite file /x/rfadjust-records.sqlite".
    std::string describe() const { return role_ + " " + settings_.describe(); }
    bool postgres() const { return settings_.kind == StoreSettings::Kind::Postgres; }

    // Opened and checked; StoreError when it cannot be.
    void open();
    // Closed after a failure: the next use connects again.
    void drop();
    int version() const { return version_; }

    // A statement, with its values bound in order; Failure when it fails.
    QSqlQuery exec(const QString& statement, const QVariantList& values = {});
    void begin();
    void commit();
    void rollback();  // never fails

    // Inserts `count` rows of `columns`, several to a statement.
    void insertRows(const QString& table, const QStringList& columns, std::size_t count,
                    const std::function<void(std::size_t row, QVariantList& out)>& fill);

    // Extra tables a role keeps besides the records (the queue's order).
    std::vector<QString> extraTables;

  private:
    void check();
    QStringList tables();

    StoreSettings settings_;
    std::string role_;
    QString name_;
    QSqlDatabase db_;
    bool ready_ = false;
    int version_ = 0;
};

// The run with the id, or its rows, written in the transaction the caller
// opened. False when the store held the run already (nothing written).
bool writeRun(Database& db, const history::RunRecord& run);
// The runs whose `column` of rf_runs ("vtr_name", "run_id") is `key`, in time
// order, with all their rows.
std::vector<history::RunRecord> readRuns(Database& db, const QString& column, const QString& key);
// Deletes a run and its rows (in the caller's transaction).
void deleteRun(Database& db, const QString& runId);

}  // namespace rf::store::sql

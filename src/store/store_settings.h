#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rf::store {

// A records store that cannot be used: bad settings, a file that is no records
// store, a store written by a newer tool, a store that cannot be reached. The
// text names the file or the database and the reason.
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The files of the store in the working directory, beside DVTRRF.DAT and
// RSSET.DAT.
inline constexpr const char* SettingsFileName = "RECORDS.DAT";
inline constexpr const char* DefaultStoreFile = "rfadjust-records.sqlite";
inline constexpr const char* QueueFileName = "rfadjust-queue.sqlite";

// Where the records are kept: an SQLite file (the default) or a PostgreSQL
// database (a service centre's, shared by every bench).
struct StoreSettings {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    std::filesystem::path sqliteFile;  // Sqlite
    // Postgres: a host name or address, or a socket directory ("/run/postgresql").
    std::string host;
    int port = 5432;
    std::string database, user, password;
    // How long a write waits for another writer, and a connection for the server.
    int waitMs = 5000;

    // "SQLite file /home/op/rfadjust/rfadjust-records.sqlite",
    // "PostgreSQL database rfrecords on db.example:5432".
    std::string describe() const;
};

// The settings of a RECORDS.DAT text: lines "key = value" with the keys host,
// port, database, user and password (host and database required), blank lines
// and lines starting with '#' ignored. A bad line raises StoreError naming
// `fileName`, the line and the reason.
StoreSettings parseStoreSettings(std::string_view text, const std::string& fileName);

// The store of a working directory: the PostgreSQL database RECORDS.DAT names
// when there is one, else the SQLite file rfadjust-records.sqlite there.
StoreSettings readStoreSettings(const std::filesystem::path& dir);

}  // namespace rf::store

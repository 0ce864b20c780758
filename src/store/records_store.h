#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "history/run_record.h"
#include "store/store_settings.h"

namespace rf::store {

// The version of the store's tables this tool writes, and the newest it reads.
inline constexpr int SchemaVersion = 1;

// What became of a run handed to the store.
struct RecordResult {
    enum class Kind {
        Recorded,         // in the store
        AlreadyRecorded,  // the store held the run already (the same run id): nothing added
        Queued,           // the store could not take it: kept in the local queue
        Rejected,         // the run itself is wrong (history::problemOf): not kept
        Failed,           // neither the store nor the queue could take it
    };
    Kind kind = Kind::Recorded;
    std::string reason;  // why it was queued, rejected or failed
    int flushed = 0;     // queued runs delivered before it
    // One line for the operator: "Run recorded in ...", "Run queued: records
    // store ... cannot be reached (...); it is sent when the store is back".
    std::string message() const;
};

struct FlushResult {
    int sent = 0;        // delivered (or found already there) and taken from the queue
    int left = 0;        // still queued
    std::string reason;  // why the rest could not be sent, "" when none is left
};

// A recorder the store knows, for the History window's list.
struct RecorderSummary {
    std::string model, vtrName, serialNo;
    std::string lastVisit;  // the date of its last run, ISO
    int runs = 0;
    friend bool operator==(const RecorderSummary&, const RecorderSummary&) = default;
};

struct ImportResult {
    int added = 0;         // runs added
    int alreadyThere = 0;  // runs the store held already (the file imported before)
    // Each line that could not be read, "QT7310Err.dat: line 12: ...": its
    // save (the block of lines under one header) is left out.
    std::vector<std::string> problems;
};

// The records of every run: one transaction per run, in the store the working
// directory's RECORDS.DAT names (or its SQLite file), with a local queue for
// the runs a store that cannot be reached did not take. Each store has a
// connection of its own; several may be open in one process, each used from
// the thread that made it.
class RecordsStore {
  public:
    // The store of `dir` (readStoreSettings; a bad RECORDS.DAT raises
    // StoreError) with its queue there. Nothing is opened yet.
    explicit RecordsStore(const std::filesystem::path& dir);
    RecordsStore(StoreSettings settings, const std::filesystem::path& queueDir);
    ~RecordsStore();
    RecordsStore(const RecordsStore&) = delete;
    RecordsStore& operator=(const RecordsStore&) = delete;

    const StoreSettings& settings() const;

    // Keeps the run: in the store (after the queued runs, which go first), or,
    // when the store cannot take it, in the queue. Never throws.
    RecordResult record(const history::RunRecord& run);
    // Sends the queued runs, oldest first; a run the store holds already is
    // not added again. Never throws.
    FlushResult flushQueue();
    // The runs waiting in the queue.
    int queuedRuns();

    // The History window's reading. A store that cannot be reached or is
    // refused raises StoreError.
    int schemaVersion();
    std::vector<RecorderSummary> recorders();  // by VtrName
    // One recorder's runs in time order, with every row.
    std::vector<history::RunRecord> recorderRuns(const std::string& vtrName);

    // Reads a history file File > Save appends to (the error rates of
    // QT7310Err.dat or the levels of QT7310Evr.dat) into the store: each save
    // a "File Save" run of the recorder and the date it names, with a run id
    // made from its text, so importing a file again adds only what is new.
    // A file that cannot be read or a store that cannot be reached raises
    // StoreError; nothing of the file is kept then.
    ImportResult importHistoryFile(const std::filesystem::path& path);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace rf::store

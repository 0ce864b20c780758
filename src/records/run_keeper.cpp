#include "records/run_keeper.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent>

#include "app/run_record_of.h"

namespace rf::records {

namespace {

// What the operator is told of a run handed to the store.
std::string saidOf(const store::RecordResult& kept) {
    using Kind = store::RecordResult::Kind;
    if (kept.kind == Kind::Recorded || kept.kind == Kind::AlreadyRecorded) return {};
    return kept.message();
}

// A store of `dir` that cannot be used: said in a box now, and with every run.
std::optional<std::string> unusable(const std::filesystem::path& dir, platform::Dialogs& dialogs) {
    try {
        store::RecordsStore settingsRead(dir);
        return std::nullopt;
    } catch (const store::StoreError& e) {
        const std::string why = e.what();
        dialogs.msgBox(
            "The records store cannot be used: " + why + "\nNo run is recorded until it is mended.",
            platform::Buttons::Ok, platform::Icon::Exclamation, "Records Store");
        return "Run NOT recorded: " + why;
    }
}

app::RunKeeper notKept(std::string said) {
    return [said = std::move(said)](const app::EndedRun&, const app::RunTold& told) { told(said); };
}

// The thread the records are written on, one at a time in the order the runs
// ended, and the context their answers come back to the tool's thread in.
struct Writer {
    Writer() { pool.setMaxThreadCount(1); }
    // No run is lost at the end: the end waits for the writes still out (a
    // store out of reach holds it for its wait, then the run is queued).
    ~Writer() { pool.waitForDone(); }
    QThreadPool pool;
    QObject answers;
};

}  // namespace

app::RunKeeper runKeeper(app::Tool& tool, std::shared_ptr<store::RecordsStore> store,
                         const std::string& bench) {
    return [&tool, store = std::move(store), bench](const app::EndedRun& ended,
                                                    const app::RunTold& told) {
        told(saidOf(store->record(app::runRecordOf(tool, ended, bench))));
    };
}

app::RunKeeper runKeeper(app::Tool& tool, const std::filesystem::path& dir,
                         const std::string& bench, platform::Dialogs& dialogs) {
    if (auto said = unusable(dir, dialogs)) return notKept(std::move(*said));
    return runKeeper(tool, std::make_shared<store::RecordsStore>(dir), bench);
}

app::RunKeeper backgroundKeeper(app::Tool& tool, const std::filesystem::path& dir,
                                const std::string& bench, platform::Dialogs& dialogs) {
    if (auto said = unusable(dir, dialogs)) return notKept(std::move(*said));
    auto writer = std::make_shared<Writer>();
    return [&tool, dir, bench, writer](const app::EndedRun& ended, const app::RunTold& told) {
        // The record is made here, as the run ends: it reads the recorder.
        history::RunRecord run = app::runRecordOf(tool, ended, bench);
        auto* watcher = new QFutureWatcher<std::string>(&writer->answers);
        QObject::connect(watcher, &QFutureWatcherBase::finished, &writer->answers, [watcher, told] {
            watcher->deleteLater();
            told(watcher->result());
        });
        // A store is a connection of the thread that opens it: one per write,
        // RECORDS.DAT read again each time.
        watcher->setFuture(QtConcurrent::run(&writer->pool, [dir, run = std::move(run)] {
            try {
                store::RecordsStore store(dir);
                return saidOf(store.record(run));
            } catch (const store::StoreError& e) {
                return "Run NOT recorded: " + std::string(e.what());
            }
        }));
    };
}

}  // namespace rf::records

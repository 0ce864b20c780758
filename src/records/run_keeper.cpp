#include "records/run_keeper.h"

#include "app/run_record_of.h"

namespace rf::records {

app::RunKeeper runKeeper(app::Tool& tool, std::shared_ptr<store::RecordsStore> store,
                         const std::string& bench) {
    return [&tool, store = std::move(store), bench](const app::EndedRun& ended) -> std::string {
        const store::RecordResult kept = store->record(app::runRecordOf(tool, ended, bench));
        using Kind = store::RecordResult::Kind;
        if (kept.kind == Kind::Recorded || kept.kind == Kind::AlreadyRecorded) return {};
        return kept.message();
    };
}

app::RunKeeper runKeeper(app::Tool& tool, const std::filesystem::path& dir,
                         const std::string& bench, platform::Dialogs& dialogs) {
    try {
        return runKeeper(tool, std::make_shared<store::RecordsStore>(dir), bench);
    } catch (const store::StoreError& e) {
        const std::string why = e.what();
        dialogs.msgBox(
            "The records store cannot be used: " + why + "\nNo run is recorded until it is mended.",
            platform::Buttons::Ok, platform::Icon::Exclamation, "Records Store");
        return [why](const app::EndedRun&) { return "Run NOT recorded: " + why; };
    }
}

}  // namespace rf::records

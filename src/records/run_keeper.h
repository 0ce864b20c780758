#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/tool.h"
#include "platform/platform.h"
#include "store/records_store.h"

namespace rf::records {

// Keeps every run of `tool` in the records store of `dir` (its own SQLite
// file, or the database RECORDS.DAT there names), recorded as `bench`. What
// the operator is told: nothing when a run went in; a store that cannot be
// reached queues the run and says so; a RECORDS.DAT that cannot be read is
// said at once in a box, and with every run, which then is not kept.
app::RunKeeper runKeeper(app::Tool& tool, const std::filesystem::path& dir,
                         const std::string& bench, platform::Dialogs& dialogs);

// The same with a store opened already.
app::RunKeeper runKeeper(app::Tool& tool, std::shared_ptr<store::RecordsStore> store,
                         const std::string& bench);

}  // namespace rf::records

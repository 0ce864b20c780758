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

// The same, with each run's store written on a thread of the keeper's own, so
// that a store out of reach never holds the tool: the record is made as the
// run ends, and what the operator is told comes back once it is written. The
// program's keeper.
app::RunKeeper backgroundKeeper(app::Tool& tool, const std::filesystem::path& dir,
                                const std::string& bench, platform::Dialogs& dialogs);

// The same as runKeeper with a store opened already.
app::RunKeeper runKeeper(app::Tool& tool, std::shared_ptr<store::RecordsStore> store,
                         const std::string& bench);

}  // namespace rf::records

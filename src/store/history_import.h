#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "history/run_record.h"

namespace rf::store {

// The saves of a history file (QT7310Err.dat or QT7310Evr.dat) as runs, and
// each line that could not be read ("QT7310Err.dat: line 12: ..."), whose save
// is left out. A file that cannot be read raises StoreError.
struct ParsedHistory {
    std::vector<history::RunRecord> runs;
    std::vector<std::string> problems;
};
ParsedHistory parseHistoryFile(const std::filesystem::path& path);

}  // namespace rf::store

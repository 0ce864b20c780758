#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace rf::records {

// "rfadjust history VTRNAME --csv": the recorder's history from the records
// store of `dir` as CSV (history::historyCsv) on `out`. A recorder the store
// does not know, or a store that cannot be read, is said on `err`, exit code 1.
int historyCsvCommand(const std::filesystem::path& dir, const std::string& vtrName,
                      std::ostream& out, std::ostream& err);

// "rfadjust history import FILE...": each history file read into the records
// store of `dir`, a line each on `out` with what was added and what was there
// already, then its problems (file and line). A file that cannot be read (or a
// store that cannot take it) is said on `err`, and the exit code is 1; the
// other files are read all the same.
int historyImportCommand(const std::filesystem::path& dir,
                         const std::vector<std::filesystem::path>& files, std::ostream& out,
                         std::ostream& err);

}  // namespace rf::records

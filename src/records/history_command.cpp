#include "records/history_command.h"

#include <algorithm>
#include <exception>

#include "history/history_csv.h"
#include "history/history_model.h"
#include "store/records_store.h"

namespace rf::records {

int historyCsvCommand(const std::filesystem::path& dir, const std::string& vtrName,
                      std::ostream& out, std::ostream& err) {
    try {
        store::RecordsStore store(dir);
        const std::vector<store::RecorderSummary> known = store.recorders();
        if (std::none_of(known.begin(), known.end(),
                         [&](const store::RecorderSummary& r) { return r.vtrName == vtrName; })) {
            err << "rfadjust: no recorder \"" << vtrName << "\" in the records store ("
                << store.settings().describe() << "); it knows ";
            for (std::size_t i = 0; i < known.size(); ++i)
                err << (i ? ", " : "") << known[i].vtrName;
            err << (known.empty() ? "none\n" : "\n");
            return 1;
        }
        out << history::historyCsv(history::buildHistory(vtrName, store.recorderRuns(vtrName)));
        return 0;
    } catch (const std::exception& e) {
        err << "rfadjust: " << e.what() << "\n";
        return 1;
    }
}

int historyImportCommand(const std::filesystem::path& dir,
                         const std::vector<std::filesystem::path>& files, std::ostream& out,
                         std::ostream& err) {
    int exit = 0;
    try {
        store::RecordsStore store(dir);
        for (const std::filesystem::path& file : files) {
            try {
                const store::ImportResult r = store.importHistoryFile(file);
                out << file.string() << ": " << r.added << (r.added == 1 ? " run" : " runs")
                    << " added, " << r.alreadyThere << " already there, " << r.problems.size()
                    << (r.problems.size() == 1 ? " problem" : " problems") << "\n";
                for (const std::string& problem : r.problems)
                    out << "  " << problem << "\n";
            } catch (const std::exception& e) {
                err << "rfadjust: " << e.what() << "\n";  // it names the file
                exit = 1;
            }
        }
    } catch (const std::exception& e) {
        err << "rfadjust: " << e.what() << "\n";
        return 1;
    }
    return exit;
}

}  // namespace rf::records

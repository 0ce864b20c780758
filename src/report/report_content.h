#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "adjust/adjust_record.h"
#include "platform/platform.h"
#include "results/verdict.h"
#include "state/adjustment_tables.h"
#include "state/error_rates.h"
#include "state/recorder.h"

namespace rf::report {

// What the adjustment report says, independent of how it is drawn: a title,
// the facts about the recorder and the run, sections of tables and lines, and
// the level-curve plots. The PDF writer lays it out; tests read it directly.

struct Colour {
    int red = 0, green = 0, blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};
// The result windows' colours: within the limit, and above it.
inline constexpr Colour Pass{0, 0, 0};
inline constexpr Colour Fail{192, 0, 0};
// An error rate never measured ("---"): neither.
inline constexpr Colour Unmeasured{128, 128, 128};

struct Cell {
    std::string text;
    Colour colour = Pass;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// Row 0 is the heading row; column 0 names the row.
struct Table {
    std::string title;
    std::vector<std::vector<Cell>> rows;
    friend bool operator==(const Table&, const Table&) = default;
};

struct Section {
    std::string title;
    std::vector<std::string> lines;  // shown before the tables
    std::vector<Table> tables;
    friend bool operator==(const Section&, const Section&) = default;
};

// One channel's sweep of one setting, both heads: one plot.
struct Plot {
    std::string title;
    std::vector<const adjust::Sweep*> heads;  // into the run's record
};

struct Content {
    std::string title;
    Section verdict;   // heads the first page in large type: the title is the verdict
    Section recorder;  // the recorder, the run, the operator and the tool
    std::vector<Section> sections;
    std::vector<Plot> plots;
};

// What the tool knows at the end of a run besides the shared state and the
// run's record.
struct RunFacts {
    platform::DateTime date;
    std::string toolVersion;  // "2.1"
    bool stopped = false;
    // The error and the programme where an error answered Ignore left the run.
    std::optional<std::string> incomplete;
    // The drum hours as read (QHR), or why they could not be read.
    std::optional<std::array<std::string, 3>> drumHours;
    std::string drumHoursError;
    results::Verdict verdict;
};

Content buildContent(const Recorder& recorder, const AdjustmentTables& tables,
                     const ErrorRates& rates, const adjust::AdjustRecord& record,
                     const RunFacts& facts);

// "reports/QT7310DMO_DEMO0001_2026-12-06_143012.pdf": the VtrName (characters
// a file name cannot hold replaced by "_") and the date and time.
std::string reportPath(const std::string& vtrName, const platform::DateTime& date);

// Writes the report to a file; returns "" on success or why it failed. The
// tool is handed one at start-up (the PDF writer).
using Writer = std::function<std::string(const Content& content, const std::string& path)>;

}  // namespace rf::report

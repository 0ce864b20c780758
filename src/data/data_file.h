#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "state/adjustment_tables.h"
#include "state/error_rates.h"
#include "state/selection.h"

namespace rf::data {

// One value of a data file: the table it belongs to and its indexes there
// (the error-rate tables of the four-channel formats use the first three).
struct Cell {
    enum class Of { ErrResLp, ErrResOt, PbDataRead, RecDataRead } of;
    std::array<int, 6> at{};
};
// The values of one data line, in their order on the line.
using LineCells = std::vector<Cell>;

// The lines of the error-rate part (sections A to D; section A has a line
// only for the HDLP playback heads `AdjTarget` holds) and of the level part
// (sections E and F).
std::vector<LineCells> errorRateLines(const BlockTable& AdjTarget);
std::vector<LineCells> levelLines();
// The value the tables hold for a cell.
float rateAt(const ErrorRates& rates, const Cell& cell);
int valueAt(const AdjustmentTables& tables, const Cell& cell);

// A header line: the date, the time and the recorder's name.
std::string headerLine(const platform::DateTime& t, const std::string& VtrName);
// The data lines of the tables: numbers, each followed by a comma, and an
// empty string field closing the line. Error rates read back to the value
// written (exactSingleText).
std::string dataLines(const ErrorRates& rates, const AdjustmentTables& tables,
                      const std::vector<LineCells>& lines);

// What a save writes: the data file whole, and the block each history file
// gets (its header line, dated `at`, and its part).
struct SaveTexts {
    std::string dataFile, errHistory, evrHistory;
};
// The error-rate lines are those of the blocks of `AdjTarget`.
SaveTexts saveTexts(const ErrorRates& rates, const AdjustmentTables& tables,
                    const BlockTable& AdjTarget, const std::string& VtrName,
                    const platform::DateTime& at);

// Replaces a file by the text: written whole beside it, on the disk, then
// renamed over it, so a write that fails leaves the old file as it was. A
// symbolic link is written through: the file it names is replaced. A file that
// may not be written is "permission denied" (70), its detail the file and the
// reason.
void replaceFile(const std::string& path, const std::string& text);
// Appends the text to a file (created when missing) whole and on the disk, or
// not at all; a file that may not be written is 70 as above.
void appendFile(const std::string& path, const std::string& text);

// The header of a loaded file.
struct LoadedHeader {
    std::string date, time, VtrName;
};
// Reads a data file whole into ErrResLp, ErrResOt, PbDataRead and
// RecDataRead, section A by the current `AdjTarget`. The whole file is read
// before any table changes: a missing file is 53, a device, a pipe or a file
// above 1 MiB 75, a line missing or cut short 62, a field that is no number
// 13, a value the recorder does not take (its level items' limits, a signed
// byte for the record values) 6, each naming the file and the line, and none
// of them changes anything.
LoadedHeader loadDataFile(const std::string& path, const BlockTable& AdjTarget, ErrorRates& rates,
                          AdjustmentTables& tables);

}  // namespace rf::data

#include "data/data_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/delimited.h"
#include "core/errors.h"
#include "core/files.h"
#include "link/rs_commands.h"
#include "run/operation_log.h"

namespace rf::data {

namespace {

namespace fs = std::filesystem;
using Of = Cell::Of;

constexpr int HdLp = fmt::HdLp, HdLpRpm = rpm::Rpm18000;
// The playback kinds (category, kind) in the order of the file.
constexpr std::array<std::array<int, 2>, 4> PbKinds = {{{1, 0}, {1, 2}, {1, 1}, {1, 3}}};

// An HDLP error-rate line: for each measurement kind, groups 0-2, channels 0-3.
LineCells errLpLine(int c, int k, std::initializer_list<int> kinds) {
    LineCells line;
    for (int m : kinds)
        for (int g = 0; g <= 2; ++g)
            for (int ch = 0; ch <= 3; ++ch)
                line.push_back({Of::ErrResLp, {HdLp, c, k, g, ch, m}});
    return line;
}

LineCells itemsLine(Of of, int f, int r, int c, int k, int ch, int items) {
    LineCells line;
    for (int i = 0; i < items; ++i)
        line.push_back({of, {f, r, c, k, ch, i}});
    return line;
}

// The entry of a cell, for reading (const tables) or storing.
template <typename Rates>
auto& single(Rates& rates, const Cell& cell) {
    const auto& a = cell.at;
    if (cell.of == Of::ErrResLp) return rates.ErrResLp(a[0], a[1], a[2], a[3], a[4], a[5]);
    return rates.ErrResOt(a[0], a[1], a[2]);
}

template <typename Tables>
auto& integer(Tables& tables, const Cell& cell) {
    const auto& a = cell.at;
    if (cell.of == Of::PbDataRead) return tables.PbDataRead(a[0], a[1], a[2], a[3], a[4], a[5]);
    return tables.RecDataRead(a[0], a[1], a[2], a[3], a[4], a[5]);
}

bool isSingle(const Cell& cell) {
    return cell.of == Of::ErrResLp || cell.of == Of::ErrResOt;
}

[[noreturn]] void notWritten(const std::string& path, const std::string& why) {
    Raise(err::PermissionDenied, path + ": " + why);
}

void requireWritable(const std::string& path) {
    std::error_code ec;
    const auto st = fs::status(path, ec);
    if (ec || !fs::exists(st)) return;
    if (fs::is_directory(st)) notWritten(path, "a directory");
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none)
        notWritten(path, "the file may not be written (read-only)");
}

// A data file is some ten kilobytes; a file far larger is none.
constexpr std::size_t DataFileMax = 1024 * 1024;

// The values the recorder takes for a cell: an upload sends a playback row as
// its RF and EQ200 blocks, the record values as signed bytes.
link::ValueLimits limitsOf(const Cell& cell) {
    if (cell.of == Of::RecDataRead) return link::SignedByteLimits;
    const int item = cell.at[5];
    const auto rfLast = link::LevelBlock::itemRange(link::LevelKind::Rf).second;
    const auto kind =
        item <= static_cast<int>(rfLast) ? link::LevelKind::Rf : link::LevelKind::Eq200;
    return link::levelItemLimits(kind, item);
}

// The file's lines without their line ends.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? end : end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

// The numbers of a data line, checked against its cells and its closing field.
std::vector<std::string> lineFields(const std::string& line, std::size_t count) {
    DelimitedReader in(line);
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < count; ++i) {
        DelimitedField f = in.field();
        if (f.quoted) Raise(err::TypeMismatch, "\"" + f.text + "\" is not a number");
        fields.push_back(std::move(f.text));
    }
    const DelimitedField close = in.field();
    if (!close.quoted || !close.text.empty() || !in.atEnd())
        Raise(err::TypeMismatch, "the line does not end in an empty string field");
    return fields;
}

}  // namespace

std::vector<LineCells> errorRateLines(const BlockTable& AdjTarget) {
    std::vector<LineCells> lines;
    for (int c = 0; c <= 1; ++c)
        for (int k = 0; k <= 3; ++k)
            if (AdjTarget(dir::Playback, HdLp, HdLpRpm, c, k, 0))
                lines.push_back(errLpLine(c, k, {0, 2}));
    lines.push_back(errLpLine(1, 0, {6}));
    lines.push_back(errLpLine(1, 0, {3, 5}));
    for (int f : {fmt::HdSp, fmt::Magvex50M, fmt::Dv}) {
        LineCells line;
        for (int m : {0, 2})
            for (int ch = 0; ch <= 3; ++ch)
                line.push_back({Of::ErrResOt, {f, ch, m, 0, 0, 0}});
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<LineCells> levelLines() {
    std::vector<LineCells> lines;
    const std::array<std::array<int, 2>, 4> fmtRpm = {{{HdLp, HdLpRpm},
                                                       {fmt::HdSp, rpm::Rpm19800},
                                                       {fmt::Magvex50M, rpm::Rpm9900},
                                                       {fmt::Dv, rpm::Rpm9000}}};
    for (const auto& [f, r] : fmtRpm) {
        for (const auto& [c, k] : PbKinds)
            for (int ch = 0; ch <= 1; ++ch)
                lines.push_back(itemsLine(Of::PbDataRead, f, r, c, k, ch, 29));
        if (f == HdLp || f == fmt::Dv)
            for (int ch = 0; ch <= 1; ++ch)
                lines.push_back(itemsLine(Of::PbDataRead, f, r, 0, 0, ch, 29));
    }
    for (int ch = 0; ch <= 1; ++ch)
        lines.push_back(itemsLine(Of::RecDataRead, HdLp, HdLpRpm, 0, 0, ch, 4));
    return lines;
}

float rateAt(const ErrorRates& rates, const Cell& cell) {
    return single(rates, cell);
}

int valueAt(const AdjustmentTables& tables, const Cell& cell) {
    return integer(tables, cell);
}

std::string headerLine(const platform::DateTime& t, const std::string& VtrName) {
    return DelimitedRecord().text(run::logDate(t)).text(run::logTime(t)).text(VtrName).line();
}

std::string dataLines(const ErrorRates& rates, const AdjustmentTables& tables,
                      const std::vector<LineCells>& lines) {
    std::string out;
    for (const LineCells& line : lines) {
        DelimitedRecord record;
        for (const Cell& cell : line) {
            if (isSingle(cell))
                record.number(single(rates, cell));
            else
                record.raw(std::to_string(integer(tables, cell)));
        }
        out += record.text("").line();
    }
    return out;
}

SaveTexts saveTexts(const ErrorRates& rates, const AdjustmentTables& tables,
                    const BlockTable& AdjTarget, const std::string& VtrName,
                    const platform::DateTime& at) {
    const std::string errorRates = dataLines(rates, tables, errorRateLines(AdjTarget));
    const std::string levels = dataLines(rates, tables, levelLines());
    SaveTexts out;
    out.dataFile = headerLine(at, VtrName) + errorRates + levels;
    out.errHistory = headerLine(at, VtrName) + errorRates;
    out.evrHistory = headerLine(at, VtrName) + levels;
    return out;
}

void replaceFile(const std::string& path, const std::string& text) {
    // Through a symbolic link to the file it names: the link stays a link.
    const std::string target = linkTarget(path);
    requireWritable(target);
    const std::string temp = target + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) notWritten(path, std::strerror(errno));
    int failed = appendWhole(fd, text, true);
    if (::close(fd) != 0 && !failed) failed = errno;
    std::error_code ec;
    if (!failed) {
        fs::rename(temp, target, ec);
        failed = ec.value();
    }
    if (failed) {
        fs::remove(temp, ec);
        notWritten(path, std::strerror(failed));
    }
    // The rename itself reaches the disk with the directory.
    const fs::path folder = fs::path(target).parent_path();
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void appendFile(const std::string& path, const std::string& text) {
    requireWritable(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) notWritten(path, std::strerror(errno));
    // A write that stops part way (a full disk) is taken back: the file holds
    // whole blocks only.
    const int failed = appendWhole(fd, text, true);
    ::close(fd);
    if (failed) notWritten(path, std::strerror(failed));
}

LoadedHeader loadDataFile(const std::string& path, const BlockTable& AdjTarget, ErrorRates& rates,
                          AdjustmentTables& tables) {
    std::string all;
    try {
        all = readWholeFile(path, DataFileMax);
    } catch (const RfError& e) {
        Raise(e.number(), path + ": " + e.detail());
    }
    const std::vector<std::string> text = splitLines(all);

    std::vector<LineCells> lines = errorRateLines(AdjTarget);
    for (LineCells& line : levelLines())
        lines.push_back(std::move(line));

    // Every line is read and checked before the first value is stored.
    LoadedHeader header;
    std::vector<std::vector<std::string>> fields;
    for (std::size_t n = 0; n <= lines.size(); ++n) {
        const std::string where = path + ": line " + std::to_string(n + 1);
        if (n >= text.size()) Raise(err::InputPastEnd, where + " is missing");
        try {
            if (n == 0) {
                DelimitedReader in(text[0]);
                header.date = in.text();
                header.time = in.text();
                header.VtrName = in.text();
            } else {
                fields.push_back(lineFields(text[n], lines[n - 1].size()));
            }
        } catch (const RfError& e) {
            Raise(e.number(), where + (e.detail().empty() ? " is cut short" : ": " + e.detail()));
        }
    }
    // A file saved for other targets has other optional lines: more lines than
    // these targets make would otherwise be read into the wrong tables.
    for (std::size_t n = lines.size() + 1; n < text.size(); ++n)
        if (text[n].find_first_not_of(" \t") != std::string::npos)
            Raise(err::TypeMismatch, path + ": line " + std::to_string(n + 1) +
                                         ": more lines than the selected blocks make");
    std::vector<float> singles;
    std::vector<std::int16_t> integers;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        try {
            for (std::size_t i = 0; i < lines[n].size(); ++i) {
                const Cell& cell = lines[n][i];
                if (isSingle(cell)) {
                    singles.push_back(parseSingle(fields[n][i]));
                    continue;
                }
                const int value = parseInt16(fields[n][i]);
                // A value the recorder does not take would stop an upload half-way.
                const link::ValueLimits limits = limitsOf(cell);
                if (value < limits.low || value > limits.high)
                    Raise(err::Overflow, "item " + std::to_string(i) + " = " +
                                             std::to_string(value) + " is out of range (" +
                                             std::to_string(limits.low) + " to " +
                                             std::to_string(limits.high) + ")");
                integers.push_back(static_cast<std::int16_t>(value));
            }
        } catch (const RfError& e) {
            Raise(e.number(), path + ": line " + std::to_string(n + 2) + ": " + e.detail());
        }
    }
    std::size_t nextSingle = 0, nextInteger = 0;
    for (const LineCells& line : lines)
        for (const Cell& cell : line) {
            if (isSingle(cell))
                single(rates, cell) = singles[nextSingle++];
            else
                integer(tables, cell) = integers[nextInteger++];
        }
    return header;
}

}  // namespace rf::data

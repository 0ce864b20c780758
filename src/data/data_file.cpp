#include "data/data_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/delimited.h"
#include "core/errors.h"
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

// The entry of a cell, for reading (const Shared) or storing.
template <typename S>
auto& single(S& s, const Cell& cell) {
    const auto& a = cell.at;
    if (cell.of == Of::ErrResLp) return s.ErrResLp(a[0], a[1], a[2], a[3], a[4], a[5]);
    return s.ErrResOt(a[0], a[1], a[2]);
}

template <typename S>
auto& integer(S& s, const Cell& cell) {
    const auto& a = cell.at;
    if (cell.of == Of::PbDataRead) return s.PbDataRead(a[0], a[1], a[2], a[3], a[4], a[5]);
    return s.RecDataRead(a[0], a[1], a[2], a[3], a[4], a[5]);
}

bool isSingle(const Cell& cell) {
    return cell.of == Of::ErrResLp || cell.of == Of::ErrResOt;
}

void requireWritable(const std::string& path) {
    std::error_code ec;
    const auto st = fs::status(path, ec);
    if (ec || !fs::exists(st)) return;
    if (fs::is_directory(st) || (st.permissions() & fs::perms::owner_write) == fs::perms::none)
        Raise(err::PermissionDenied, path);
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

std::string headerLine(const platform::DateTime& t, const std::string& VtrName) {
    return DelimitedRecord().text(run::logDate(t)).text(run::logTime(t)).text(VtrName).line();
}

std::string dataLines(const Shared& s, const std::vector<LineCells>& lines) {
    std::string out;
    for (const LineCells& line : lines) {
        DelimitedRecord record;
        for (const Cell& cell : line) {
            if (isSingle(cell))
                record.number(single(s, cell));
            else
                record.raw(std::to_string(integer(s, cell)));
        }
        out += record.text("").line();
    }
    return out;
}

SaveTexts saveTexts(const Shared& s, const std::function<platform::DateTime()>& now) {
    const std::string errorRates = dataLines(s, errorRateLines(s.AdjTarget));
    const std::string levels = dataLines(s, levelLines());
    SaveTexts out;
    out.dataFile = headerLine(now(), s.VtrName) + errorRates + levels;
    out.errHistory = headerLine(now(), s.VtrName) + errorRates;
    out.evrHistory = headerLine(now(), s.VtrName) + levels;
    return out;
}

void replaceFile(const std::string& path, const std::string& text) {
    requireWritable(path);
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::error_code ec;
            fs::remove(temp, ec);
            Raise(err::PermissionDenied, path);
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        Raise(err::PermissionDenied, path);
    }
}

void appendFile(const std::string& path, const std::string& text) {
    requireWritable(path);
    std::error_code ec;
    const auto before = fs::exists(path, ec) ? fs::file_size(path, ec) : 0;
    bool written = false;
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        if (!out) Raise(err::PermissionDenied, path);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        written = static_cast<bool>(out);
    }
    if (written) return;
    // A write that stopped part way (a full disk) is taken back: the file
    // holds whole blocks only.
    fs::resize_file(path, before, ec);
    Raise(err::PermissionDenied, path);
}

LoadedHeader loadDataFile(const std::string& path, Shared& s) {
    std::ifstream file(path, std::ios::binary);
    if (!file) Raise(err::FileNotFound, path + ": cannot be opened (" + std::strerror(errno) + ")");
    std::ostringstream all;
    all << file.rdbuf();
    const std::vector<std::string> text = splitLines(all.str());

    std::vector<LineCells> lines = errorRateLines(s.AdjTarget);
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
                if (isSingle(lines[n][i]))
                    singles.push_back(parseSingle(fields[n][i]));
                else
                    integers.push_back(parseInt16(fields[n][i]));
            }
        } catch (const RfError& e) {
            Raise(e.number(), path + ": line " + std::to_string(n + 2) + ": " + e.detail());
        }
    }
    std::size_t nextSingle = 0, nextInteger = 0;
    for (const LineCells& line : lines)
        for (const Cell& cell : line) {
            if (isSingle(cell))
                single(s, cell) = singles[nextSingle++];
            else
                integer(s, cell) = integers[nextInteger++];
        }
    s.VtrName = header.VtrName;
    return header;
}

}  // namespace rf::data

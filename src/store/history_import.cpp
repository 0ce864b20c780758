#include "store/history_import.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cctype>

#include "core/block.h"
#include "core/delimited.h"
#include "core/errors.h"
#include "core/files.h"
#include "data/data_file.h"
#include "data/history_rows.h"
#include "run/context.h"
#include "state/error_rates.h"
#include "store/store_settings.h"

namespace rf::store {

namespace {

using data::Cell;
using data::LineCells;
using history::RunRecord;

// A history file of ten years of daily saves is some tens of megabytes.
constexpr std::size_t HistoryFileMax = std::size_t{1} << 30;

struct Line {
    int number = 0;
    std::string text;
    std::vector<DelimitedField> fields;
};

// The fields of a line: a data line's numbers end in an empty string field,
// which is not among them.
std::vector<DelimitedField> fieldsOf(const std::string& text) {
    DelimitedReader in(text);
    std::vector<DelimitedField> fields;
    while (!in.atEnd())
        fields.push_back(in.field());
    return fields;
}

bool digits(const std::string& s, std::size_t at, std::size_t n) {
    if (at + n > s.size()) return false;
    return std::all_of(s.begin() + static_cast<long>(at), s.begin() + static_cast<long>(at + n),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// "MM-DD-YYYY" and "HH:MM:SS" as "YYYY-MM-DDTHH:MM:SS".
std::string isoDate(const std::string& date, const std::string& time) {
    if (date.size() != 10 || !digits(date, 0, 2) || date[2] != '-' || !digits(date, 3, 2) ||
        date[5] != '-' || !digits(date, 6, 4))
        throw std::runtime_error("the date \"" + date + "\" is not MM-DD-YYYY");
    if (time.size() != 8 || !digits(time, 0, 2) || time[2] != ':' || !digits(time, 3, 2) ||
        time[5] != ':' || !digits(time, 6, 2))
        throw std::runtime_error("the time \"" + time + "\" is not HH:MM:SS");
    return date.substr(6, 4) + "-" + date.substr(0, 2) + "-" + date.substr(3, 2) + "T" + time;
}

// "QT7310XYZ_SN1": the model (letters then digits), the induce code, the
// serial number after the last "_".
history::RecorderIdentity recorderOf(const std::string& vtrName) {
    history::RecorderIdentity r;
    r.vtrName = vtrName;
    std::size_t model = 0;
    while (model < vtrName.size() && std::isalpha(static_cast<unsigned char>(vtrName[model])))
        ++model;
    while (model < vtrName.size() && std::isdigit(static_cast<unsigned char>(vtrName[model])))
        ++model;
    const std::size_t underscore = vtrName.rfind('_');
    const std::size_t end =
        underscore == std::string::npos || underscore < model ? vtrName.size() : underscore;
    r.model = vtrName.substr(0, model);
    r.induce = vtrName.substr(model, end - model);
    r.serialNo = end < vtrName.size() ? vtrName.substr(end + 1) : "";
    return r;
}

// The lines of an error-rate save: those of the HDLP playback blocks the save
// was made for (which the file does not name: all of them, or some unnamed),
// then the rest, always there.
struct ErrLayout {
    std::vector<LineCells> playback, rest;
};
ErrLayout errLayout() {
    BlockTable all;
    const std::size_t none = data::errorRateLines(all).size();
    // The five the block selection offers: the record/playback heads, and the
    // playback heads of each kind.
    all(dir::Playback, fmt::HdLp, rpm::Rpm18000, cate::RecPlay, 0, 0) = true;
    for (int k = 0; k <= kind::SubSlow; ++k)
        all(dir::Playback, fmt::HdLp, rpm::Rpm18000, cate::Playback, k, 0) = true;
    std::vector<LineCells> lines = data::errorRateLines(all);
    const auto split = lines.end() - static_cast<long>(none);
    return {{lines.begin(), split}, {split, lines.end()}};
}

class Reader {
  public:
    explicit Reader(std::string name) : name_(std::move(name)) {}

    // One save: its header and its data lines. Throws with the line's number.
    RunRecord save(const Line& header, const std::vector<Line>& data) {
        const auto fail = [&](const Line& line, const std::string& why) {
            throw std::runtime_error(name_ + ": line " + std::to_string(line.number) + ": " + why);
        };
        if (header.fields.size() != 3)
            fail(header, "a header holds the date, the time and the recorder's name");
        RunRecord run;
        try {
            run.dateTime = isoDate(header.fields[0].text, header.fields[1].text);
        } catch (const std::runtime_error& e) {
            fail(header, e.what());
        }
        run.recorder = recorderOf(header.fields[2].text);
        if (run.recorder.vtrName.empty()) fail(header, "the recorder's name is empty");
        run.operatorSerial = run.recorder.serialNo;
        run.programme = "File Save";
        run.verdictLine = "imported from " + name_ + " line " + std::to_string(header.number);
        if (data.empty()) fail(header, "a header without data lines");

        // Which layout: the levels' lines hold 29 values, the error rates' lines fewer.
        std::vector<LineCells> layout;
        std::string unnamed;
        std::size_t unnamedLines = 0;
        const bool levels = data.front().fields.size() == 29 + 1;
        if (levels) {
            layout = data::levelLines();
        } else {
            const ErrLayout err = errLayout();
            // The playback blocks' lines come before the first line of the
            // Conf measurement's twelve.
            const std::size_t confLine = err.rest.front().size() + 1;
            std::size_t playback = 0;
            while (playback < data.size() && data[playback].fields.size() != confLine)
                ++playback;
            if (playback == data.size())
                fail(data.front(), "no line of the " + std::to_string(confLine - 1) +
                                       " Conf error rates follows");
            if (playback > err.playback.size())
                fail(data[err.playback.size()], "more error-rate lines than the blocks make");
            // All the playback blocks, or none: their lines name them.
            if (playback == err.playback.size()) {
                layout = err.playback;
            } else {
                unnamedLines = playback;
                for (std::size_t i = 0; i < playback; ++i)
                    layout.push_back(err.playback.front());
            }
            layout.insert(layout.end(), err.rest.begin(), err.rest.end());
        }
        if (data.size() < layout.size())
            fail(data.back(), "the save ends here, " + std::to_string(layout.size() - data.size()) +
                                  " line(s) short");
        if (data.size() > layout.size())
            fail(data[layout.size()], "more data lines than a save makes");
        for (std::size_t n = 0; n < layout.size(); ++n) {
            const Line& line = data[n];
            const LineCells& cells = layout[n];
            if (line.fields.size() != cells.size() + 1)
                fail(line, std::to_string(line.fields.size() - 1) + " values where " +
                               std::to_string(cells.size()) + " are due");
            const DelimitedField& close = line.fields.back();
            if (!close.quoted || !close.text.empty())
                fail(line, "the line does not end in an empty string field");
            if (n < unnamedLines)
                unnamed = "MAGVEX HDLP playback block (line " + std::to_string(n + 1) + " of " +
                          std::to_string(unnamedLines) + ", not named by the file)";
            else
                unnamed.clear();
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const DelimitedField& f = line.fields[i];
                try {
                    if (f.quoted) Raise(err::TypeMismatch, "\"" + f.text + "\" is not a number");
                    if (levels)
                        run.values.push_back(data::valueRowOf(cells[i], parseInt16(f.text)));
                    else
                        run.rates.push_back(
                            data::rateRowOf(cells[i], parseSingle(f.text), unnamed));
                } catch (const RfError& e) {
                    fail(line, "value " + std::to_string(i + 1) + ": " +
                                   (e.detail().empty() ? "\"" + f.text + "\" is not a number"
                                                       : e.detail()));
                }
            }
        }
        for (const auto& row : run.values)
            addBlock(run, row.block);
        for (const auto& row : run.rates)
            addBlock(run, row.block);

        // The same save gives the same id however often it is imported.
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(QByteArrayView(levels ? "levels\n" : "rates\n"));
        hash.addData(
            QByteArrayView(header.text.data(), static_cast<qsizetype>(header.text.size())));
        for (const Line& line : data) {
            hash.addData(QByteArrayView("\n"));
            hash.addData(
                QByteArrayView(line.text.data(), static_cast<qsizetype>(line.text.size())));
        }
        run.runId = "import-" + hash.result().toHex().left(32).toStdString();
        return run;
    }

  private:
    static void addBlock(RunRecord& run, const std::string& block) {
        if (std::find(run.blocks.begin(), run.blocks.end(), block) == run.blocks.end())
            run.blocks.push_back(block);
    }
    std::string name_;
};

}  // namespace

ParsedHistory parseHistoryFile(const std::filesystem::path& path) {
    std::string all;
    try {
        all = readWholeFile(path.string(), HistoryFileMax);
    } catch (const RfError& e) {
        throw StoreError(path.string() + ": cannot be read" +
                         (e.detail().empty() ? "" : " (" + e.detail() + ")"));
    }
    const std::string name = path.filename().string();
    ParsedHistory out;
    Reader reader(name);
    // The saves: a header line (quoted fields) and the data lines after it.
    struct Save {
        Line header;
        std::vector<Line> data;
        bool broken = false;  // a line of it is not delimited fields (reported)
    };
    std::vector<Save> saves;
    std::size_t at = 0;
    for (int number = 1; at < all.size(); ++number) {
        std::size_t end = all.find('\n', at);
        if (end == std::string::npos) end = all.size();
        Line line{number, all.substr(at, end - at), {}};
        at = end + 1;
        if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
        if (line.text.find_first_not_of(" \t") == std::string::npos) continue;
        try {
            line.fields = fieldsOf(line.text);
        } catch (const RfError&) {
            out.problems.push_back(name + ": line " + std::to_string(number) +
                                   ": not a line of delimited fields");
            if (!saves.empty()) saves.back().broken = true;
            continue;
        }
        if (line.fields.front().quoted) {
            saves.push_back({std::move(line), {}, false});
        } else if (saves.empty()) {
            out.problems.push_back(name + ": line " + std::to_string(number) +
                                   ": data before the first header line");
        } else {
            saves.back().data.push_back(std::move(line));
        }
    }
    for (const Save& save : saves) {
        if (save.broken) continue;
        try {
            out.runs.push_back(reader.save(save.header, save.data));
        } catch (const std::runtime_error& e) {
            out.problems.push_back(e.what());
        }
    }
    return out;
}

}  // namespace rf::store

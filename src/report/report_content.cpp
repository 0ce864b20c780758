#include "report/report_content.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "adjust/level_curves.h"
#include "adjust/pb_adjust.h"
#include "adjust/rec_adjust.h"
#include "core/delimited.h"
#include "run/context.h"

namespace rf::report {

namespace {

using adjust::SweepQuantity;

std::string two(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string dateText(const platform::DateTime& d) {
    return std::to_string(d.year) + "-" + two(d.month) + "-" + two(d.day) + " " + two(d.hour) +
           ":" + two(d.minute) + ":" + two(d.second);
}

std::vector<Cell> heading(std::initializer_list<const char*> texts) {
    std::vector<Cell> row;
    for (const char* t : texts)
        row.push_back({t});
    return row;
}

Section recorderSection(const Recorder& recorder, const RunFacts& f) {
    std::string hours = "not read: " + f.drumHoursError;
    if (f.drumHours) hours = (*f.drumHours)[0] + " " + (*f.drumHours)[1] + " " + (*f.drumHours)[2];
    Table t{"", {heading({"Recorder and run", ""})}};
    const std::pair<const char*, std::string> facts[] = {
        {"Model", recorder.VtrId},
        {"VtrName", recorder.VtrName},
        {"System controller version", recorder.SysconVer},
        {"Induce code", recorder.VtrInduce},
        {"Drum hours (as read)", hours},
        {"Serial number", recorder.VtrSerialNo},
        {"Date", dateText(f.date)},
        {"Tool", "Version " + f.toolVersion},
        {"Run", f.incomplete
                    ? "INCOMPLETE: " + *f.incomplete + " (a block not stored is marked so below)"
                : f.stopped ? "STOPPED before its end (a block not stored is marked so below)"
                            : "completed"},
    };
    for (const auto& [label, value] : facts)
        t.rows.push_back(
            {{label},
             {value, label == std::string("Run") && (f.stopped || f.incomplete) ? Fail : Pass}});
    return {"Recorder", {}, {t}};
}

// The block's name and what became of its values: stored, or left in the
// recorder as found or as the unfinished adjustment had them, or not known.
template <typename Block>
std::string blockTitle(const Block& b) {
    return run::blockName(b.block) +
           (b.stored            ? "  (adjusted values stored)"
            : !b.found          ? "  (not stored: the values found could not be read)"
            : !b.left           ? "  (NOT STORED: the values left are not known)"
            : b.left == b.found ? "  (not stored: left as found)"
                                : "  (NOT STORED: left with values of the unfinished adjustment)");
}

// A value of a block as found or as left, "-" when it is not known.
template <typename Values>
std::string valueText(const std::optional<Values>& values, std::size_t ch, std::size_t item) {
    return values ? std::to_string((*values)[ch][item]) : "-";
}

template <typename Block>
void notKnownLine(Section& sec, const std::vector<Block>& blocks) {
    if (std::any_of(blocks.begin(), blocks.end(), [](const Block& b) { return !b.left; }))
        sec.lines.push_back("\"-\": not known (not read from the recorder).");
}

Section playbackSection(const adjust::AdjustRecord& record) {
    Section sec{
        "Playback blocks: MAG, VCO centre frequency and equaliser taps, as found and as left",
        {},
        {}};
    if (record.playbackBlocks.empty()) sec.lines.push_back("No playback block was adjusted.");
    notKnownLine(sec, record.playbackBlocks);
    for (const adjust::PlaybackBlock& b : record.playbackBlocks) {
        Table t{blockTitle(b), {{{"Channel"}, {"MAG 2"}, {"MAG 3"}, {"VCO"}}}};
        for (const char* head : {"H", "L"})
            for (int i = 1; i <= 6; ++i)
                t.rows[0].push_back({std::string(head) + " tap " + std::to_string(i)});
        for (std::size_t ch = 0; ch < 2; ++ch)
            for (const auto* side : {&b.found, &b.left}) {
                std::vector<Cell> row{{std::string(ch == 0 ? "Lch" : "Rch") +
                                       (side == &b.found ? " found" : " left")}};
                for (std::size_t item : {2, 3, 9})
                    row.push_back({valueText(*side, ch, item)});
                for (std::size_t item = 17; item <= 28; ++item)
                    row.push_back({valueText(*side, ch, item)});
                t.rows.push_back(std::move(row));
            }
        sec.tables.push_back(std::move(t));
    }
    return sec;
}

Section recordSection(const adjust::AdjustRecord& record) {
    Section sec{
        "Record blocks: record current and frequency per head, as found and as left", {}, {}};
    if (record.recordBlocks.empty()) sec.lines.push_back("No record block was adjusted.");
    notKnownLine(sec, record.recordBlocks);
    static constexpr const char* heads[2][2] = {{"L1", "L2"}, {"R1", "R2"}};
    for (const adjust::RecordBlock& b : record.recordBlocks) {
        Table t{blockTitle(b),
                {heading({"Head", "Current found", "Current left", "Frequency found",
                          "Frequency left"})}};
        for (std::size_t ch = 0; ch < 2; ++ch)
            for (std::size_t h = 0; h < 2; ++h)
                t.rows.push_back({{heads[ch][h]},
                                  {valueText(b.found, ch, h)},
                                  {valueText(b.left, ch, h)},
                                  {valueText(b.found, ch, 2 + h)},
                                  {valueText(b.left, ch, 2 + h)}});
        sec.tables.push_back(std::move(t));
    }
    return sec;
}

// A row of error rates against one limit: each value black within the limit
// and dark red above it, one never measured "---" in grey; then the limit and
// the row's verdict: FAIL when a value is above the limit, "not all measured"
// when none is but one was never measured.
std::vector<Cell> rateRow(std::string label, const std::vector<float>& values, float limit) {
    std::vector<Cell> row{{std::move(label)}};
    bool fail = false, missing = false;
    for (float v : values) {
        if (!measured(v)) {
            row.push_back({"---", Unmeasured});
            missing = true;
            continue;
        }
        row.push_back({fixed2(v), v <= limit ? Pass : Fail});
        fail = fail || v > limit;
    }
    row.push_back({fixed2(limit)});
    row.push_back(fail      ? Cell{"FAIL", Fail}
                  : missing ? Cell{"not all measured", Unmeasured}
                            : Cell{"pass", Pass});
    return row;
}

Section errorSection(const ErrorRates& rates, const adjust::AdjustRecord& record) {
    Section sec{"Error rates (exponents of ten; larger is worse)", {}, {}};
    Table ot{"MAGVEX HDSP / SDSP / DV",
             {heading({"FORMAT", "L1 (AL)", "L2 (VL)", "R1 (AR)", "R2 (VR)", "Limit", "Result"})}};
    for (auto [fmt, name] : {std::pair{3, "HDSP"}, {2, "SDSP"}, {1, "DV"}}) {
        if (!record.measured(fmt, 0, 0, 0)) continue;
        std::vector<float> v;
        for (int head = 0; head < 4; ++head)
            v.push_back(rates.ErrResOt(fmt, fieldOfHead(fmt, meas::Playback, head), 0));
        ot.rows.push_back(rateRow(name, v, FourChannelLimit));
    }
    Table lp{"MAGVEX HDLP", {{{"FORMAT / HEAD"}}}};
    for (const char* g : {"Video", "Audio1", "Audio2"})
        for (const char* h : {"L1", "L2", "R1", "R2"})
            lp.rows[0].push_back({std::string(g) + " " + h});
    lp.rows[0].push_back({"Limit"});
    lp.rows[0].push_back({"Result"});
    struct LpRow {
        const char* label;
        int cate, kind, k;
        float limit;
    };
    static constexpr LpRow lpRows[] = {
        {"Master RP", 0, 0, 0, RecPlayHeadLimit},      {"Master Conf", 1, 0, 0, PlaybackHeadLimit},
        {"Master S Conf", 1, 2, 0, PlaybackHeadLimit}, {"Master Slow", 1, 1, 0, PlaybackHeadLimit},
        {"Master S Slow", 1, 3, 0, PlaybackHeadLimit}, {"Conf Conf", 1, 0, 6, RecPlayHeadLimit},
        {"Self Conf", 1, 0, 3, PlaybackHeadLimit},
    };
    for (const LpRow& r : lpRows) {
        if (!record.measured(fmt::HdLp, r.cate, r.kind, r.k)) continue;
        std::vector<float> v;
        for (int g = 0; g < 3; ++g)
            for (int head = 0; head < 4; ++head)
                v.push_back(rates.ErrResLp(fmt::HdLp, r.cate, r.kind, g,
                                           fieldOfHead(fmt::HdLp, r.k, head), r.k));
        lp.rows.push_back(rateRow(r.label, v, r.limit));
    }
    for (Table* t : {&ot, &lp})
        if (t->rows.size() > 1) sec.tables.push_back(std::move(*t));
    if (sec.tables.empty())
        sec.lines.push_back("No error rate was measured.");
    else
        sec.lines.push_back(
            "Within the limit in black, above it in dark red. The heads are named L1, L2, R1, "
            "R2 throughout: the result window's L(H), L(L), R(H), R(L), and the four-channel "
            "formats' AL, VL, AR, VR.");
    bool missing = false;
    for (const Table& t : sec.tables)
        for (const auto& row : t.rows)
            missing = missing || std::any_of(row.begin(), row.end(),
                                             [](const Cell& c) { return c.colour == Unmeasured; });
    if (missing) sec.lines.push_back("--- in grey: not measured.");
    return sec;
}

Section levelRateSection(const AdjustmentTables& tables, const adjust::AdjustRecord& record,
                         bool stopped) {
    Section sec{
        "LevelRate: self-recorded over master playback level, low band (0.68 to 1.47)", {}, {}};
    if (record.recordBlocks.empty() || stopped) {
        sec.lines.push_back(stopped ? "Not checked: the run was stopped."
                                    : "Not checked: no record block was adjusted.");
        return sec;
    }
    Table t{"", {heading({"Channel / level", "Self", "Master", "Ratio", "Result"})}};
    for (int ch = 0; ch <= 1; ++ch)
        for (int j = 0; j <= 1; ++j) {
            const float self = tables.SelfPbLevel(ch, j, 1),
                        master = tables.MasterPbLevel(ch, j, 1);
            const bool ok = adjust::levelRateOk(self, master);
            t.rows.push_back(
                {{std::string(ch == 0 ? "Lch" : "Rch") + " Env-" + std::to_string(j + 1)},
                 {fixed2(self)},
                 {fixed2(master)},
                 {master != 0 ? fixed2(self / master) : "-", ok ? Pass : Fail},
                 {ok ? "pass" : "FAIL", ok ? Pass : Fail}});
        }
    sec.tables.push_back(std::move(t));
    return sec;
}

Section notesSection(const adjust::AdjustRecord& record) {
    Section sec{"Repeats and warnings", {}, {}};
    for (const adjust::Note& n : record.notes)
        sec.lines.push_back(std::string(n.direction == dir::Playback ? "Playback " : "Record ") +
                            run::blockName(n.block) + ": " + n.text);
    for (const adjust::Sweep& sw : record.sweeps)
        if (sw.measurements > 1)
            sec.lines.push_back(run::blockName(sw.block) + ": " + adjust::sweepTitle(sw) + " " +
                                adjust::headName(sw) + " measured " +
                                std::to_string(sw.measurements) + " times");
    if (sec.lines.empty())
        sec.lines.push_back("None: every measurement was taken once and no warning was given.");
    return sec;
}

}  // namespace

Content buildContent(const Recorder& recorder, const AdjustmentTables& tables,
                     const ErrorRates& rates, const adjust::AdjustRecord& record,
                     const RunFacts& facts) {
    Content c;
    c.title = "RF adjustment report  " + recorder.VtrName +
              (facts.incomplete ? "  (INCOMPLETE)"
               : facts.stopped  ? "  (STOPPED)"
                                : "");
    c.verdict = {facts.verdict.word(), facts.verdict.items, {}};
    c.recorder = recorderSection(recorder, facts);
    c.sections = {playbackSection(record), recordSection(record), errorSection(rates, record),
                  levelRateSection(tables, record, facts.stopped || facts.incomplete),
                  notesSection(record)};
    for (const adjust::RecordBlock& b : record.recordBlocks)
        for (SweepQuantity q : {SweepQuantity::Current, SweepQuantity::Frequency})
            for (int ch = 0; ch <= 1; ++ch) {
                auto heads = adjust::channelSweeps(record, b.block, ch, q);
                if (!heads.empty())
                    c.plots.push_back(
                        {run::blockName(b.block) + "  " + adjust::sweepTitle(*heads.front()),
                         std::move(heads)});
            }
    return c;
}

std::string reportPath(const std::string& vtrName, const platform::DateTime& d) {
    std::string name = vtrName.substr(0, vtrName.find_last_not_of(' ') + 1);
    if (name.empty()) name = "VTR";
    for (char& ch : name)
        if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '-')) ch = '_';
    return "reports/" + name + "_" + std::to_string(d.year) + "-" + two(d.month) + "-" +
           two(d.day) + "_" + two(d.hour) + two(d.minute) + two(d.second) + ".pdf";
}

}  // namespace rf::report

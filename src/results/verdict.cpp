#include "results/verdict.h"

#include <cstdio>

#include "adjust/level_curves.h"
#include "run/context.h"

namespace rf::results {

namespace {

std::string fixed2(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(v));
    return buf;
}

const char* measurementName(int measurement) {
    switch (measurement) {
        case meas::Conf:
            return "error rate while recording";
        case meas::Self:
            return "error rate of its own recording";
        default:
            return "error rate";
    }
}

// Names each kept value above its limit; a value never measured (NotMeasured)
// is named as such, and the return says there was one.
bool judgeRates(const ErrorRates& rates, std::vector<std::string>& items) {
    bool missing = false;
    static constexpr const char* groups[] = {"Video", "Audio1", "Audio2"};
    forEachKeptRate(rates, [&](const KeptRate& r) {
        const float v = r.value;
        if (measured(v) && v <= r.limit) return;
        missing = missing || !measured(v);
        items.push_back(keptRowBlock(r.row) + ": " + measurementName(r.row.measurement) + " " +
                        (r.row.fmt == fmt::HdLp ? std::string(groups[r.group]) + " " : "") +
                        r.headName +
                        (measured(v) ? " " + fixed2(v) + " above its limit " + fixed2(r.limit)
                                     : std::string(" not measured")));
    });
    return missing;
}

void judgeRecord(const adjust::AdjustRecord& record, std::vector<std::string>& items) {
    for (const adjust::Note& n : record.notes)
        if (n.text.starts_with("LevelRate too Different"))
            items.push_back(run::blockName(n.block) + ": LevelRate outside 0.68 to 1.47 on " +
                            (n.block.SHeadCh == 0 ? "Lch" : "Rch"));
    for (const adjust::Sweep& s : record.sweeps)
        if (!s.chosen && !s.levels.empty())
            items.push_back(run::blockName(s.block) + ": " + adjust::headName(s) + " " +
                            (s.quantity == adjust::SweepQuantity::Current
                                 ? "record current -5 dB point not found"
                                 : "record frequency -2.5 dB point not found"));
}

// The selected blocks the run left undone: an Adjust run marks each block it
// finished; an Error Rate run keeps a row for each block it measured.
void judgeUndone(const Selection& selection, const ErrorRates& rates, bool adjust,
                 std::vector<std::string>& items) {
    const auto kept = [&](int d, int f, int c, int k) {
        for (const KeptRates& row : rates.keptThisRun) {
            if (row.fmt != f) continue;
            if (f != fmt::HdLp) return true;
            if (d == dir::Record
                    ? row.measurement != meas::Playback
                    : row.measurement == meas::Playback && row.cate == c && row.kind == k)
                return true;
        }
        return false;
    };
    for (int d : {dir::Playback, dir::Record})
        forEachHeadBlock([&](int f, int r, int c, int k) {
            if (!selection.AdjSel(d, f, r, c, k, 0)) return;
            const bool done = adjust ? selection.AdjDone(d, f, r, c, k, 0) : kept(d, f, c, k);
            if (done) return;
            items.push_back(
                std::string(adjust ? "not adjusted: " : "not measured: ") +
                (d == dir::Record ? "record block " : "playback block ") +
                run::blockName({static_cast<std::int16_t>(f), static_cast<std::int16_t>(r),
                                static_cast<std::int16_t>(c), static_cast<std::int16_t>(k), 0}));
        });
}

}  // namespace

std::string keptRowBlock(const KeptRates& row) {
    return run::rateBlockName(row.fmt, row.cate, row.kind, row.measurement);
}

void forEachKeptRate(const ErrorRates& rates, const std::function<void(const KeptRate&)>& fn) {
    for (const KeptRates& row : rates.keptThisRun) {
        const float limit = rateLimit(row.fmt, row.cate, row.measurement);
        const int groupCount = row.fmt == fmt::HdLp ? 3 : 1;
        for (int g = 0; g < groupCount; ++g)
            for (int head = 0; head < 4; ++head) {
                const int field = fieldOfHead(row.fmt, row.measurement, head);
                const float v =
                    row.fmt == fmt::HdLp
                        ? rates.ErrResLp(row.fmt, row.cate, row.kind, g, field, row.measurement)
                        : rates.ErrResOt(row.fmt, field, row.measurement);
                fn({row, g, head, headOfField(row.fmt, row.measurement, field), v, limit});
            }
    }
}

std::string Verdict::word() const {
    switch (kind) {
        case Kind::Pass:
            return "PASS";
        case Kind::Fail:
            return "FAIL";
        case Kind::Incomplete:
            return "INCOMPLETE";
    }
    return "";
}

std::string Verdict::line() const {
    std::string out = word();
    for (std::size_t i = 0; i < items.size(); ++i)
        out += (i == 0 ? ": " : "; ") + items[i];
    return out;
}

Verdict judgeRun(const run::Outcome& outcome, const ErrorRates& rates, const Selection& selection,
                 const adjust::AdjustRecord* record) {
    Verdict v;
    if (!outcome.completed()) {
        v.kind = Verdict::Kind::Incomplete;
        v.items.push_back(outcome.incomplete ? "left before its end: " + *outcome.incomplete
                                             : std::string("stopped by the operator"));
        judgeUndone(selection, rates, record != nullptr, v.items);
    }
    // A value never measured leaves the run's judgement incomplete, not failed.
    if (judgeRates(rates, v.items) && v.kind == Verdict::Kind::Pass)
        v.kind = Verdict::Kind::Incomplete;
    if (record) judgeRecord(*record, v.items);
    if (v.kind == Verdict::Kind::Pass && !v.items.empty()) v.kind = Verdict::Kind::Fail;
    return v;
}

}  // namespace rf::results

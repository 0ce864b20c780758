#include "demo/adjust_summary.h"

#include <cstdio>
#include <string>

#include "adjust/pb_adjust.h"
#include "adjust/rec_adjust.h"
#include "core/delimited.h"
#include "run/context.h"

namespace rf::demo {

namespace {

// Items first to first + count - 1 of a channel's values, "-" when not known.
template <typename Values>
std::string list(const std::optional<Values>& values, std::size_t ch, std::size_t first,
                 std::size_t count = 1) {
    if (!values) return "-";
    std::string out;
    for (std::size_t i = first; i < first + count; ++i)
        out += (i > first ? "," : "") + std::to_string((*values)[ch][i]);
    return out;
}

// What became of a block's values, when they were not stored.
template <typename Block>
const char* unstored(const Block& b) {
    return b.stored            ? ""
           : !b.found          ? "  (not stored: values found not read)"
           : !b.left           ? "  (NOT STORED: values left not known)"
           : b.left == b.found ? "  (not stored: left as found)"
                               : "  (NOT STORED: left with values of the unfinished adjustment)";
}

std::string verdict(float value, float limit) {
    if (!measured(value)) return "--- not measured";
    return fixed2(value) + (value <= limit ? " pass" : " FAIL");
}

void playbackBlocks(const adjust::AdjustRecord& record, const sim::SignalModel& truth,
                    std::ostream& out) {
    for (const adjust::PlaybackBlock& b : record.playbackBlocks) {
        out << "  " << run::blockName(b.block) << unstored(b) << '\n';
        static constexpr const char* channels[] = {"L", "R"};
        for (std::size_t ch = 0; ch < 2; ++ch) {
            const int best = truth
                                 .pbChannel(b.block.SFmt, b.block.SHeadCate, b.block.SHeadKind,
                                            static_cast<int>(ch))
                                 .vcoOpt;
            out << "    " << channels[ch] << "  VCO " << list(b.found, ch, item::Vco) << " -> "
                << list(b.left, ch, item::Vco) << " (" << best << ")   H TAP "
                << list(b.found, ch, item::TapHigh, item::TapCount) << " -> "
                << list(b.left, ch, item::TapHigh, item::TapCount) << "   L TAP "
                << list(b.found, ch, item::TapLow, item::TapCount) << " -> "
                << list(b.left, ch, item::TapLow, item::TapCount) << '\n';
        }
    }
}

void recordBlocks(const AdjustmentTables& tables, const adjust::AdjustRecord& record,
                  const sim::SignalModel& truth, std::ostream& out) {
    static constexpr const char* heads[2][2] = {{"L1", "L2"}, {"R1", "R2"}};
    for (const adjust::RecordBlock& b : record.recordBlocks) {
        out << "  " << run::blockName(b.block) << unstored(b)
            << "\n    head   current: found -> left (best)   frequency: found -> left (best)\n";
        for (int ch = 0; ch <= 1; ++ch)
            for (int h = 0; h <= 1; ++h) {
                const sim::RecBest best = truth.best(b.block.SFmt, ch, h);
                const auto c = static_cast<std::size_t>(ch), hi = static_cast<std::size_t>(h);
                char line[160];
                std::snprintf(line, sizeof line,
                              "    %s     %9s -> %4s (%4d)   %17s -> %4s (%4d)\n", heads[ch][h],
                              list(b.found, c, hi).c_str(), list(b.left, c, hi).c_str(),
                              best.current, list(b.found, c, 2 + hi).c_str(),
                              list(b.left, c, 2 + hi).c_str(), best.frequency);
                out << line;
            }
        out << "    LevelRate, self / master playback level (0.68 to 1.47):";
        for (int ch = 0; ch <= 1; ++ch)
            for (int h = 0; h <= 1; ++h) {
                const float self = tables.SelfPbLevel(ch, h, 1),
                            master = tables.MasterPbLevel(ch, h, 1);
                out << "  " << heads[ch][h] << ' '
                    << (master != 0 ? fixed2(self / master) : std::string("-"))
                    << (adjust::levelRateOk(self, master) ? "" : " FAIL");
            }
        out << '\n';
    }
}

// A row of error rates under each head's name, in the order L1, L2, R1, R2
// whatever order the recorder reads them in, each against its limit.
void rateRow(const ErrorRates& rates, const KeptRates& row, int group, std::ostream& out) {
    const float limit = rateLimit(row.fmt, row.cate, row.measurement);
    for (int head = 0; head < 4; ++head) {
        const int field = fieldOfHead(row.fmt, row.measurement, head);
        const float v = row.fmt == fmt::HdLp ? rates.ErrResLp(row.fmt, row.cate, row.kind, group,
                                                              field, row.measurement)
                                             : rates.ErrResOt(row.fmt, field, row.measurement);
        out << "  " << headOfField(row.fmt, row.measurement, field) << ' ' << verdict(v, limit);
    }
    out << '\n';
}

}  // namespace

void errorRateSummary(const ErrorRates& rates, std::ostream& out) {
    out << "Error rates (exponents; limit, pass or fail), by head: L1, L2, R1, R2 are the "
           "four-channel formats' AL, VL, AR, VR and the result window's L(H), L(L), R(H), "
           "R(L):\n";
    for (int fmt : {fmt::Dv, fmt::Magvex50M, fmt::HdSp}) {
        if (!measured(rates.ErrResOt(fmt, 0, 0))) continue;
        out << "  " << fourChannelName(fmt) << " (" << fixed2(FourChannelLimit) << "):";
        rateRow(rates, {fmt, 0, 0, meas::Playback}, 0, out);
    }
    static constexpr const char* groups[] = {"Video", "Audio1", "Audio2"};
    auto hdlp = [&](const KeptRates& row, const std::string& name) {
        if (!measured(rates.ErrResLp(fmt::HdLp, row.cate, row.kind, 0, 0, row.measurement))) return;
        out << "  " << name << " (" << fixed2(rateLimit(fmt::HdLp, row.cate, row.measurement))
            << "):\n";
        for (int g = 0; g < 3; ++g) {
            out << "    " << groups[g];
            rateRow(rates, row, g, out);
        }
    };
    for (int cate = 0; cate <= 1; ++cate)
        for (int kind = 0; kind <= 3; ++kind)
            hdlp({fmt::HdLp, cate, kind, meas::Playback},
                 run::blockName({fmt::HdLp, rpm::Rpm18000, static_cast<std::int16_t>(cate),
                                 static_cast<std::int16_t>(kind), 0}));
    hdlp({fmt::HdLp, 1, 0, meas::Conf}, "MAGVEX HDLP record heads, while recording (Conf)");
    hdlp({fmt::HdLp, 1, 0, meas::Self}, "MAGVEX HDLP record heads, played back (Self)");
}

void adjustSummary(const AdjustmentTables& tables, const ErrorRates& rates,
                   const adjust::AdjustRecord& record, const sim::SignalModel& truth,
                   std::ostream& out) {
    out << "Playback blocks, VCO centre frequency (found -> left, the simulated channel's best) "
           "and equaliser taps (found -> left):\n";
    playbackBlocks(record, truth, out);
    out << "Record blocks, record current and frequency (found -> left, the simulated head's "
           "best):\n";
    recordBlocks(tables, record, truth, out);
    errorRateSummary(rates, out);
}

}  // namespace rf::demo

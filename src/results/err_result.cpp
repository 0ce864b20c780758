#include "results/err_result.h"

#include <cstdio>

#include "core/block.h"

namespace rf::results {

namespace {

constexpr int HdlpFormat = fmt::HdLp;
constexpr int PlaybackKind = meas::Playback, SelfKind = meas::Self, ConfKind = meas::Conf;

// A data row of ErrChartLp: its headings, the ErrResLp entry its values come
// from and the limit they are held to. The limits are single precision, as
// the values are: -3.10 is exactly at -3.1.
struct LpRow {
    const char* kind;
    const char* head;
    int category, headKind, measKind;
    float limit;
};
constexpr std::array<LpRow, 7> LpRows{{
    {"Master", "RP", 0, 0, PlaybackKind, -3.1f},
    {"Master", "Conf", 1, 0, PlaybackKind, -4.1f},
    {"Master", "S Conf", 1, 2, PlaybackKind, -4.1f},
    {"Master", "Slow", 1, 1, PlaybackKind, -4.1f},
    {"Master", "S Slow", 1, 3, PlaybackKind, -4.1f},
    {"Conf", "Conf", 1, 0, ConfKind, -3.1f},
    {"Self", "Conf", 1, 0, SelfKind, -4.1f},
}};
constexpr int LpFirstRow = 2;
constexpr std::array<const char*, 3> LpGroups{"VIDEO", "AUDIO1", "AUDIO2"};
constexpr std::array<const char*, 4> LpHeads{"L(H)", "L(L)", "R(H)", "R(L)"};

// ErrChartOt: a row per format, a column per channel, one limit.
struct OtRow {
    const char* name;
    int format;
};
constexpr std::array<OtRow, 3> OtRows{
    {{"HDSP", fmt::HdSp}, {"SDSP", fmt::Magvex50M}, {"DV", fmt::Dv}}};
constexpr std::array<const char*, 4> OtChannels{"AudioL", "AudioR", "VideoL", "VideoR"};
constexpr float OtLimit = -4.3f;

void showValue(GridCell& cell, float value, float limit) {
    if (!measured(value)) {
        cell.text = "---";
        cell.fore = colors::Grey;
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
    cell.text = text;
    cell.fore = value <= limit ? colors::Black : colors::Red;
}

void layoutLp(ResultGrid& g) {
    g.colWidths = {1000, 800};
    g.colWidths.resize(14, 650);
    g.rowHeights = {300, 300};
    g.rowHeights.resize(9, 250);
    g.mergeRow[0] = g.mergeRow[1] = true;
    g.mergeCol[0] = g.mergeCol[1] = true;
    for (int r = 0; r < 2; ++r) {
        g.cell(r, 0).text = "FORMAT";
        g.cell(r, 1).text = "HEAD";
    }
    for (std::size_t group = 0; group < LpGroups.size(); ++group)
        for (std::size_t head = 0; head < LpHeads.size(); ++head) {
            const int col = static_cast<int>(2 + 4 * group + head);
            g.cell(0, col).text = LpGroups[group];
            g.cell(1, col).text = LpHeads[head];
        }
    for (std::size_t i = 0; i < LpRows.size(); ++i) {
        g.cell(LpFirstRow + static_cast<int>(i), 0).text = LpRows[i].kind;
        g.cell(LpFirstRow + static_cast<int>(i), 1).text = LpRows[i].head;
    }
}

void layoutOt(ResultGrid& g) {
    g.colWidths = {1800, 1000, 1000, 1000, 1000};
    g.rowHeights = {300, 250, 250, 250};
    g.mergeRow[0] = true;
    g.mergeCol[0] = true;
    g.cell(0, 0).text = "FORMAT";
    for (std::size_t c = 0; c < OtChannels.size(); ++c)
        g.cell(0, 1 + static_cast<int>(c)).text = OtChannels[c];
    for (std::size_t r = 0; r < OtRows.size(); ++r)
        g.cell(1 + static_cast<int>(r), 0).text = OtRows[r].name;
}

}  // namespace

ErrResultModel::ErrResultModel() {
    layoutLp(ErrChartLp);
    layoutOt(ErrChartOt);
}

void ErrResultFill(ErrResultModel& window, const ErrorRates& rates) {
    for (std::size_t i = 0; i < LpRows.size(); ++i) {
        const LpRow& row = LpRows[i];
        for (int group = 0; group < 3; ++group)
            for (int head = 0; head < 4; ++head)
                showValue(
                    window.ErrChartLp.cell(LpFirstRow + static_cast<int>(i), 2 + 4 * group + head),
                    rates.ErrResLp(HdlpFormat, row.category, row.headKind, group, head,
                                   row.measKind),
                    row.limit);
    }
    for (std::size_t r = 0; r < OtRows.size(); ++r)
        for (int channel = 0; channel < 4; ++channel)
            showValue(window.ErrChartOt.cell(1 + static_cast<int>(r), 1 + channel),
                      rates.ErrResOt(OtRows[r].format, channel, PlaybackKind), OtLimit);
    window.changes.mark(Area::Window);
}

void ErrResultOutcome(ErrResultModel& window, const run::Outcome& lastRun) {
    window.caption = std::string("ErrorRate Result") + (lastRun.incomplete ? " - INCOMPLETE"
                                                        : lastRun.stopped  ? " - STOPPED"
                                                                           : "");
    window.RunLabel = lastRun.completed() ? "" : run::outcomeLine(lastRun);
    window.changes.mark(Area::Window);
}

}  // namespace rf::results

#include "results/evr_result.h"

namespace rf::results {

namespace {

// A column pair of EvrChart: its heading and the head category and kind of
// the block it shows, "L" channel 0 and "R" channel 1.
struct HeadBlock {
    const char* group;
    int category, kind;
};
constexpr std::array<HeadBlock, 5> HeadBlocks{{
    {"RP", 0, 0},
    {"Conf", 1, 0},
    {"SubConf", 1, 2},
    {"Slow", 1, 1},
    {"SubSlow", 1, 3},
}};

// A data row of EvrChart: its caption and the item of its source table,
// RecDataRead for the record rows 2 to 5, PbDataRead for the level rows.
struct ValueRow {
    const char* caption;
    int item;
};
constexpr int FirstRecRow = 2, FirstPbRow = 6;
constexpr std::array<ValueRow, 19> ValueRows{{
    {"REC CURR H", 0}, {"REC CURR L", 1}, {"REC FREQ H", 2}, {"REC FREQ L", 3}, {"MAG H", 2},
    {"MAG L", 3},      {"VCO", 9},        {"C 1 -3(H)", 17}, {"C 1 -2(H)", 18}, {"C 1 -1(H)", 19},
    {"C 1 +1(H)", 20}, {"C 1 +2(H)", 21}, {"C 1 +3(H)", 22}, {"C 2 -3(L)", 23}, {"C 2 -2(L)", 24},
    {"C 2 -1(L)", 25}, {"C 2 +1(L)", 26}, {"C 2 +2(L)", 27}, {"C 2 +3(L)", 28},
}};

int itemOf(int row) {
    return ValueRows[static_cast<std::size_t>(row - FirstRecRow)].item;
}

void show(GridCell& cell, int value) {
    cell.text = std::to_string(value);
    cell.back = HighlightText;
}

void blank(GridCell& cell) {
    cell.text = "---";
    cell.back = ButtonFace;
}

}  // namespace

EvrResultModel::EvrResultModel() {
    for (const FormatChoice& choice : FormatChoices)
        FormatSel.items.emplace_back(choice.item);
    FormatSel.text = "FormatSel";
    ResultGrid& g = EvrChart;
    g.colWidths = {1400};
    g.colWidths.resize(11, 650);
    g.rowHeights = {300, 300};
    g.rowHeights.resize(21, 250);
    g.mergeRow[0] = true;
    g.cell(0, 0).text = "GROUP";
    g.cell(1, 0).text = "HEAD";
    for (std::size_t b = 0; b < HeadBlocks.size(); ++b)
        for (int channel = 0; channel < 2; ++channel) {
            const int col = 1 + 2 * static_cast<int>(b) + channel;
            g.cell(0, col).text = HeadBlocks[b].group;
            g.cell(1, col).text = channel == 0 ? "L" : "R";
        }
    for (std::size_t i = 0; i < ValueRows.size(); ++i)
        g.cell(FirstRecRow + static_cast<int>(i), 0).text = ValueRows[i].caption;
}

void EvrDsp(EvrResultModel& window, const AdjustmentTables& tables) {
    const int index = window.FormatSel.selected;
    if (index < 0 || index >= static_cast<int>(FormatChoices.size())) return;
    const FormatChoice& choice = FormatChoices[static_cast<std::size_t>(index)];
    const int f = choice.format, r = choice.speed;
    const bool hdlp = index == 0, dv = index == 3;
    ResultGrid& g = window.EvrChart;
    for (int channel = 0; channel < 2; ++channel) {
        // The record/playback heads: record values in HDLP only, levels in HDLP and DV.
        const int col = 1 + channel;
        for (int row = FirstRecRow; row < FirstPbRow; ++row) {
            if (hdlp)
                show(g.cell(row, col), tables.RecDataRead(f, r, 0, 0, channel, itemOf(row)));
            else
                blank(g.cell(row, col));
        }
        for (int row = FirstPbRow; row < g.rows(); ++row) {
            if (hdlp || dv)
                show(g.cell(row, col), tables.PbDataRead(f, r, 0, 0, channel, itemOf(row)));
            else
                blank(g.cell(row, col));
        }
    }
    // The playback heads have no record values; their levels are shown for
    // every format, on the background the cell already has.
    for (std::size_t b = 1; b < HeadBlocks.size(); ++b)
        for (int channel = 0; channel < 2; ++channel) {
            const int col = 1 + 2 * static_cast<int>(b) + channel;
            for (int row = FirstRecRow; row < FirstPbRow; ++row)
                blank(g.cell(row, col));
            for (int row = FirstPbRow; row < g.rows(); ++row)
                g.cell(row, col).text = std::to_string(
                    tables.PbDataRead(f, r, 1, HeadBlocks[b].kind, channel, itemOf(row)));
        }
    window.changes.mark(Area::Window);
}

}  // namespace rf::results

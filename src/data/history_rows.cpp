#include "data/history_rows.h"

#include "run/context.h"

namespace rf::data {

namespace {

std::string measurementName(int measurement) {
    switch (measurement) {
        case meas::Playback:
            return "Master";
        case meas::Self:
            return "Self";
        case meas::Conf:
            return "Conf";
    }
    return "kind " + std::to_string(measurement);
}

BlockSel blockOf(const Cell& cell) {
    const auto& a = cell.at;
    return {static_cast<std::int16_t>(a[0]), static_cast<std::int16_t>(a[1]),
            static_cast<std::int16_t>(a[2]), static_cast<std::int16_t>(a[3]),
            static_cast<std::int16_t>(a[4])};
}

}  // namespace

history::ValueRow valueRowOf(const Cell& cell, int value) {
    BlockSel block = blockOf(cell);
    const int channel = block.SHeadCh, item = cell.at[5];
    block.SHeadCh = 0;
    history::ValueRow row;
    row.block = run::blockName(block);
    if (cell.of == Cell::Of::RecDataRead) {
        row.item = history::recordItemName(item);
        row.head = history::Heads[static_cast<std::size_t>(channel * 2 + item % 2)];
    } else {
        row.item = history::levelItemName(item);
        row.head = history::Channels[static_cast<std::size_t>(channel)];
    }
    row.left = value;
    return row;
}

history::RateRow rateRowOf(const Cell& cell, float value, const std::string& unnamedBlock) {
    const auto& a = cell.at;
    history::RateRow row;
    int format = a[0], category = 0, measurement = 0, field = 0;
    if (cell.of == Cell::Of::ErrResLp) {
        constexpr const char* groups[] = {"VIDEO", "AUDIO1", "AUDIO2"};
        category = a[1];
        measurement = a[5];
        field = a[4];
        row.block = unnamedBlock.empty() ? run::rateBlockName(format, category, a[2], measurement)
                                         : unnamedBlock;
        row.measurement = measurementName(measurement) + " " + groups[a[3]];
    } else {
        field = a[1];
        measurement = a[2];
        row.block = run::rateBlockName(format, category, 0, measurement);
        row.measurement = measurementName(measurement);
    }
    row.head = headOfField(format, measurement, field);
    if (unnamedBlock.empty()) row.limit = rateLimit(format, category, measurement);
    if (!measured(value)) {
        row.verdict = history::RateVerdict::NotMeasured;
    } else {
        row.value = value;
        row.verdict = !row.limit            ? history::RateVerdict::NoLimit
                      : value <= *row.limit ? history::RateVerdict::Pass
                                            : history::RateVerdict::Fail;
    }
    return row;
}

void addDataFileRows(history::RunRecord& run, const ErrorRates& rates,
                     const AdjustmentTables& tables, const BlockTable& AdjTarget) {
    for (const LineCells& line : errorRateLines(AdjTarget))
        for (const Cell& cell : line)
            run.rates.push_back(rateRowOf(cell, rateAt(rates, cell)));
    for (const LineCells& line : levelLines())
        for (const Cell& cell : line)
            run.values.push_back(valueRowOf(cell, valueAt(tables, cell)));
}

void addTransferRows(history::RunRecord& run, const AdjustmentTables& tables,
                     const BlockTable& AdjTarget, bool onlyRead) {
    for (const LineCells& line : levelLines())
        for (const Cell& cell : line) {
            const auto& a = cell.at;
            const int direction = cell.of == Cell::Of::RecDataRead ? dir::Record : dir::Playback;
            if (!AdjTarget(direction, a[0], a[1], a[2], a[3], a[4])) continue;
            history::ValueRow row = valueRowOf(cell, valueAt(tables, cell));
            if (onlyRead) row.found = row.left;
            run.values.push_back(std::move(row));
        }
}

}  // namespace rf::data

#include "adjust/level_curves.h"

namespace rf::adjust {

LevelCurve levelCurve(const Sweep& sweep) {
    LevelCurve c;
    const std::size_t n = std::min(sweep.offsets.size(), sweep.levels.size());
    for (std::size_t i = 0; i < n; ++i)
        c.measured.push_back({static_cast<double>(sweep.offsets[i]), sweep.levels[i]});
    for (std::size_t i = 1; i + 1 < n; ++i) {
        // Single precision, as the point finders compute it.
        const float mean = (sweep.levels[i - 1] + sweep.levels[i] + sweep.levels[i + 1]) / 3.0f;
        c.smoothed.push_back({static_cast<double>(sweep.offsets[i]), mean});
    }
    c.reference = sweep.reference;
    if (sweep.threshold) {
        c.threshold = *sweep.threshold;
        c.thresholdLevel = static_cast<double>(*sweep.threshold) * sweep.reference;
    }
    c.chosen = sweep.chosen;
    return c;
}

std::string headName(const Sweep& sweep) {
    static constexpr const char* heads[2][2] = {{"L1", "L2"}, {"R1", "R2"}};
    const int ch = sweep.block.SHeadCh == 1 ? 1 : 0;
    return heads[ch][sweep.head == 1 ? 1 : 0];
}

std::string sweepTitle(const Sweep& sweep) {
    return plotTitle(sweep.block.SHeadCh, sweep.quantity);
}

std::string plotTitle(int ch, SweepQuantity quantity) {
    return std::string(ch == 1 ? "Rch " : "Lch ") +
           (quantity == SweepQuantity::Current ? "record current" : "record frequency");
}

std::vector<const Sweep*> channelSweeps(const AdjustRecord& record, const BlockSel& block, int ch,
                                        SweepQuantity quantity) {
    std::vector<const Sweep*> out;
    for (int head = 0; head <= 1; ++head)
        for (const Sweep& s : record.sweeps)
            if (s.block == onChannel(block, ch) && s.head == head && s.quantity == quantity)
                out.push_back(&s);
    return out;
}

std::array<SweepPlot, 4> recordPlots(const AdjustRecord& record, const BlockSel& block) {
    std::array<SweepPlot, 4> plots;
    for (std::size_t i = 0; i < plots.size(); ++i) {
        SweepPlot& plot = plots[i];
        plot.ch = static_cast<int>(i % 2);
        plot.quantity = i < 2 ? SweepQuantity::Current : SweepQuantity::Frequency;
        for (const Sweep* s : channelSweeps(record, block, plot.ch, plot.quantity))
            plot.heads.push_back(*s);
    }
    return plots;
}

}  // namespace rf::adjust

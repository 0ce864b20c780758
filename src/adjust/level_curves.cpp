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
    return std::string(sweep.block.SHeadCh == 1 ? "Rch " : "Lch ") +
           (sweep.quantity == SweepQuantity::Current ? "record current" : "record frequency");
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

}  // namespace rf::adjust

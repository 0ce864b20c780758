#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "adjust/adjust_record.h"

namespace rf::adjust {

// What a level-curve plot shows of one head's sweep, in the recorder's units:
// the setting offset across, the envelope level up.
struct LevelCurve {
    struct Point {
        double offset = 0, level = 0;
        friend bool operator==(const Point&, const Point&) = default;
    };
    std::vector<Point> measured;
    // The three-point mean at the inner points, as the point finders smooth.
    std::vector<Point> smoothed;
    double reference = 0;                  // the level at the default values
    std::optional<double> threshold;       // the fraction of it that was crossed
    std::optional<double> thresholdLevel;  // threshold × reference
    std::optional<int> chosen;             // the offset chosen
};

LevelCurve levelCurve(const Sweep& sweep);

// "Lch L1 record current", "Rch R2 record frequency": the head a curve belongs to.
std::string headName(const Sweep& sweep);
std::string sweepTitle(const Sweep& sweep);
std::string plotTitle(int ch, SweepQuantity quantity);

// The sweeps of one channel and setting in the record, head 1 then head 2
// (none when not measured yet).
std::vector<const Sweep*> channelSweeps(const AdjustRecord& record, const BlockSel& block, int ch,
                                        SweepQuantity quantity);

// One plot of a block's record sweeps: one channel's sweep of one setting with
// both heads, head 1 then head 2, as far as they have been measured.
struct SweepPlot {
    int ch = 0;
    SweepQuantity quantity = SweepQuantity::Current;
    std::vector<Sweep> heads;
    friend bool operator==(const SweepPlot&, const SweepPlot&) = default;
};

// The four plots of a record block, in the order Lch current, Rch current,
// Lch frequency, Rch frequency; copies, so that they stay as they are while
// the record goes on changing.
std::array<SweepPlot, 4> recordPlots(const AdjustRecord& record, const BlockSel& block);

}  // namespace rf::adjust

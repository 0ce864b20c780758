#pragma once

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

// The sweeps of one channel and setting in the record, head 1 then head 2
// (none when not measured yet).
std::vector<const Sweep*> channelSweeps(const AdjustRecord& record, const BlockSel& block, int ch,
                                        SweepQuantity quantity);

}  // namespace rf::adjust

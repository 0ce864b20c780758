#pragma once

#include <vector>

#include "adjust/level_curves.h"

class QChart;

namespace rf::results {

// A plot of one channel's sweep (current or frequency) with both heads: the
// measured levels as points joined by lines, the smoothed curve, the reference
// level and the threshold line that was used, and the chosen offset marked.
// Axes in the recorder's units: setting offset across, envelope level up. The
// caller owns the chart (a QChartView takes it over).
QChart* makeLevelChart(const std::vector<const adjust::Sweep*>& heads);

}  // namespace rf::results

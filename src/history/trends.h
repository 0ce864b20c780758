#pragma once

#include <compare>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "history/run_record.h"

namespace rf::history {

// Visits and the forecasts a service centre plans with, from a recorder's
// runs in the records store. Pure functions of the runs; no Qt.

// ---- Visits ----------------------------------------------------------------
//
// A visit is what one service call does to one recorder: an "Error Rate" run
// before anything is touched (the error rates as found), then an "Adjust" run
// (the values as found and as left; the error rates it measures after
// adjusting are as left), and perhaps an "Error Rate" run after it, a check of
// what the adjustment left.
//
// Grouping, over one recorder's runs in the order they were made:
// - runs of other programmes (transfers, file operations) are passed over;
// - an Adjust run that did not complete is passed over: a stopped or
//   unfinished adjustment puts the values found back, so nothing was left;
// - an Error Rate run opens a visit, unless the open visit has no adjustment
//   yet and the run is within VisitDrumHours of the visit's first run: then
//   it belongs to the same as-found look (its rows fill the rows the first
//   run did not measure; the first reading of a row is the one kept, as it
//   is the one taken before anything was touched);
// - an Adjust run joins the open visit when it has no adjustment yet and is
//   within VisitDrumHours of the visit's first run; otherwise it opens a
//   visit of its own, with nothing as found;
// - an Error Rate run within VisitDrumHours after the visit's adjustment is
//   the visit's check: its rows serve as as-left for the rows the Adjust run
//   did not measure itself (the Adjust run's own rows, taken right after the
//   adjustment, come first).
// "Within" compares the drum hours the runs read at their end; a run without
// them is compared by the date it started (the same calendar day).
inline constexpr int VisitDrumHours = 24;

// The rows of a forecast series: a block, a measurement and a head, as
// RateRow names them ("MAGVEX HDLP,18000rpm,RP,RP,RP", "Self VIDEO", "L1").
struct SeriesKey {
    std::string block, measurement, head;
    friend auto operator<=>(const SeriesKey&, const SeriesKey&) = default;
};

// One row of a visit: the error rate as found and as left, and its limit.
struct VisitRate {
    std::optional<float> found, left;
    std::optional<float> limit;
};

struct Visit {
    std::string vtrName;
    // The drum hours of the as-found look and of the adjustment (the hours
    // the runs read at their end; none when not read or not made).
    std::optional<int> foundHours, leftHours;
    std::string date;  // the date the visit's first run started
    std::map<SeriesKey, VisitRate> rates;
    std::vector<std::string> runIds;  // the runs it was made of, in order
};

// The visits of one recorder (every run's VtrName the same), from its runs in
// the order they were made.
std::vector<Visit> groupVisits(const std::vector<RunRecord>& runs);

// ---- Forecasts -------------------------------------------------------------
//
// Per series, from the visits in order:
//
// Drift (interval analysis from variables data): each visit whose as-found
// rate follows an earlier visit's as-left rate gives a drift rate, (as found -
// that as left) / (drum hours between), per 1000 drum hours. The as-found rate
// rises between visits for two reasons: the head's error floor rises with wear
// (the as-left trend below says how fast), and the values left drift off the
// head's best ones as it wears. The rest, the drift beyond the floor's
// rise, is what an adjustment cures; the suggested interval is when the two
// together take the rate from the last as-left to the limit, with the drift
// taken at its upper confidence bound and the floor's rise at the upper bound
// of the trend, so that the interval errs early.
//
// The as-left trend: the heads wear by a power law, the error floor rising by
// (age / life)^1.5 decades, age being the drum hours since the heads were
// fitted. So the as-left rate (the exponent) is fitted by least squares as
// a + b u with u = ((hours - fitted) / 1000)^1.5: a straight line in that
// space, where it is one. Replacement is due where the fit reaches the limit;
// the band is where the fit's one-sided 95 % confidence bounds reach it (the
// upper bound first, the lower one last; none when that is beyond the horizon).
//
// Below MinVisits visits with a measured rate, a series has "not enough
// visits" and no forecast.
inline constexpr int MinVisits = 3;
inline constexpr int HorizonHours = 100000;

struct ForecastOptions {
    // The drum hours at which the heads were fitted (new); the first visit's
    // as-found hours (else as-left hours) when not known.
    std::optional<int> headsFittedAt;
    double wearExponent = 1.5;
};

enum class ForecastState {
    NotEnoughVisits,  // fewer than MinVisits visits measured the series
    NoLimit,          // the series has no limit to forecast against
    Forecast,
};

struct HeadForecast {
    SeriesKey key;
    ForecastState state = ForecastState::NotEnoughVisits;
    int visits = 0;  // visits with a rate as found or as left
    float limit = 0;
    int lastHours = 0;  // drum hours of the last visit

    // Drift: the mean rate of the as-found rise per 1000 drum hours and the
    // number of intervals it comes from. The detuning: how fast the square
    // root of the excess above the as-left trend grows per 1000 drum hours,
    // at the upper 95 % prediction bound for the next interval (when two or
    // more intervals give it).
    std::optional<double> driftPer1000;
    int driftIntervals = 0;
    std::optional<double> detuningUpperPer1000;
    // The suggested interval: drum hours after the last adjustment until the
    // as-found rate is expected to reach the limit (0: due now). None when
    // no adjustment is known or the rate is not expected to reach it.
    std::optional<int> intervalHours;

    // The as-left trend, exponent = a + b ((hours - fittedAt) / 1000)^1.5,
    // its residual standard deviation, and the drum hours where it reaches
    // the limit (replacement due) with the band around them. Replacement
    // hours are none when the trend does not rise to the limit within the
    // horizon; the latest is none when the lower bound does not.
    std::optional<double> trendA, trendB, trendSigma;
    int fittedAt = 0;
    std::optional<int> replacementHours, replacementEarliest, replacementLatest;
};

// The forecast of one series from the visits (in order).
HeadForecast forecastSeries(const SeriesKey& key, const std::vector<Visit>& visits,
                            const ForecastOptions& options = {});
// The forecasts of every series the visits hold.
std::vector<HeadForecast> forecastAll(const std::vector<Visit>& visits,
                                      const ForecastOptions& options = {});

// The one-sided 95 % quantile of Student's t with `df` degrees of freedom.
double studentT95(int df);

}  // namespace rf::history

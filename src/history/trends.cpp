#include "history/trends.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace rf::history {

namespace {

// The hours a visit is placed at: as found for the as-found rates, as left
// for the as-left ones; either stands in for the other when it is missing.
std::optional<int> foundAt(const Visit& v) {
    return v.foundHours ? v.foundHours : v.leftHours;
}
std::optional<int> leftAt(const Visit& v) {
    return v.leftHours ? v.leftHours : v.foundHours;
}

std::string dayOf(const RunRecord& run) {
    return run.dateTime.substr(0, 10);
}

// Whether `run` is within a visit that began with `first` (or was adjusted
// by it): by drum hours, else by day.
bool within(const RunRecord& run, std::optional<int> hours, const std::string& day) {
    if (run.drumHours && hours) return std::abs(*run.drumHours - *hours) <= VisitDrumHours;
    return dayOf(run) == day;
}

// A row's key in the series.
SeriesKey keyOf(const RateRow& row) {
    return {row.block, row.measurement, row.head};
}

// The first hour in [from, to] at which `reached` holds, looked for in steps
// of 16 hours and then hour by hour (the functions here rise smoothly).
std::optional<int> firstReached(const std::function<bool(int)>& reached, int from, int to) {
    constexpr int Step = 16;
    for (int h = from; h <= to; h += Step) {
        if (!reached(h)) continue;
        for (int back = std::max(from, h - Step + 1); back < h; ++back)
            if (reached(back)) return back;
        return h;
    }
    return std::nullopt;
}

// A least-squares line y = a + b x with what its confidence bounds need.
struct Line {
    double a = 0, b = 0, sigma = 0, meanX = 0, sxx = 0;
    int n = 0;
    double at(double x) const { return a + b * x; }
    // The half-width of the one-sided 95 % confidence bound of the mean at x.
    double bound(double x) const {
        return studentT95(n - 2) * sigma * std::sqrt(1.0 / n + (x - meanX) * (x - meanX) / sxx);
    }
    double slopeBound() const { return studentT95(n - 2) * sigma / std::sqrt(sxx); }
};

std::optional<Line> fitLine(const std::vector<std::pair<double, double>>& points) {
    const int n = static_cast<int>(points.size());
    if (n < 3) return std::nullopt;
    Line l;
    l.n = n;
    double my = 0;
    for (const auto& [x, y] : points) {
        l.meanX += x / n;
        my += y / n;
    }
    double sxy = 0;
    for (const auto& [x, y] : points) {
        l.sxx += (x - l.meanX) * (x - l.meanX);
        sxy += (x - l.meanX) * (y - my);
    }
    if (l.sxx <= 0) return std::nullopt;
    l.b = sxy / l.sxx;
    l.a = my - l.b * l.meanX;
    double ss = 0;
    for (const auto& [x, y] : points)
        ss += (y - l.at(x)) * (y - l.at(x));
    l.sigma = std::sqrt(ss / (n - 2));
    return l;
}

}  // namespace

double studentT95(int df) {
    static constexpr double t[] = {6.314, 2.920, 2.353, 2.132, 2.015, 1.943, 1.895, 1.860,
                                   1.833, 1.812, 1.796, 1.782, 1.771, 1.761, 1.753, 1.746,
                                   1.740, 1.734, 1.729, 1.725, 1.721, 1.717, 1.714, 1.711,
                                   1.708, 1.706, 1.703, 1.701, 1.699, 1.697};
    if (df < 1) return t[0];
    return df <= 30 ? t[df - 1] : 1.645;
}

std::vector<Visit> groupVisits(const std::vector<RunRecord>& runs) {
    std::vector<Visit> visits;
    bool open = false, adjusted = false;
    std::optional<int> firstHours, adjustHours;
    std::string firstDay, adjustDay;
    const auto begin = [&](const RunRecord& run) {
        visits.push_back({run.recorder.vtrName, std::nullopt, std::nullopt, dayOf(run), {}, {}});
        open = true;
        adjusted = false;
        firstHours = run.drumHours;
        firstDay = dayOf(run);
    };
    for (const RunRecord& run : runs) {
        if (run.programme == "Error Rate") {
            const bool sameLook = open && !adjusted && within(run, firstHours, firstDay);
            const bool check = open && adjusted && within(run, adjustHours, adjustDay);
            if (!sameLook && !check) begin(run);
            Visit& v = visits.back();
            if (!check && !v.foundHours) v.foundHours = run.drumHours;
            for (const RateRow& row : run.rates) {
                if (!row.value) continue;
                VisitRate& r = v.rates[keyOf(row)];
                r.limit = r.limit ? r.limit : row.limit;
                auto& slot = check ? r.left : r.found;
                if (!slot) slot = row.value;
            }
            v.runIds.push_back(run.runId);
        } else if (run.programme == "Adjust" && run.outcome == Outcome::Completed) {
            if (!(open && !adjusted && within(run, firstHours, firstDay))) begin(run);
            Visit& v = visits.back();
            adjusted = true;
            adjustHours = run.drumHours;
            adjustDay = dayOf(run);
            v.leftHours = run.drumHours;
            for (const RateRow& row : run.rates) {
                if (!row.value) continue;
                VisitRate& r = v.rates[keyOf(row)];
                r.limit = r.limit ? r.limit : row.limit;
                r.left = row.value;  // the adjustment's own reading comes before a check's
            }
            v.runIds.push_back(run.runId);
        }
    }
    return visits;
}

HeadForecast forecastSeries(const SeriesKey& key, const std::vector<Visit>& visits,
                            const ForecastOptions& options) {
    HeadForecast f;
    f.key = key;
    struct Point {
        std::optional<int> foundH, leftH;
        std::optional<float> found, left;
    };
    std::vector<Point> points;
    std::optional<float> limit;
    for (const Visit& v : visits) {
        const auto it = v.rates.find(key);
        if (it == v.rates.end() || (!it->second.found && !it->second.left)) continue;
        const VisitRate& r = it->second;
        if (!limit) limit = r.limit;
        points.push_back({foundAt(v), leftAt(v), r.found, r.left});
    }
    f.visits = static_cast<int>(points.size());
    if (f.visits < MinVisits) return f;
    if (!limit) {
        f.state = ForecastState::NoLimit;
        return f;
    }
    f.state = ForecastState::Forecast;
    f.limit = *limit;
    const Point& last = points.back();
    f.lastHours = last.leftH.value_or(last.foundH.value_or(0));
    f.fittedAt = options.headsFittedAt.value_or(
        points.front().foundH.value_or(points.front().leftH.value_or(0)));
    const double exponent = options.wearExponent;
    const auto u = [&](double hours) {
        return std::pow(std::max(hours - f.fittedAt, 0.0) / 1000.0, exponent);
    };

    // The as-left trend.
    std::vector<std::pair<double, double>> asLeft;
    for (const Point& p : points)
        if (p.left && p.leftH) asLeft.emplace_back(u(*p.leftH), *p.left);
    const std::optional<Line> trend = fitLine(asLeft);
    if (trend) {
        f.trendA = trend->a;
        f.trendB = trend->b;
        f.trendSigma = trend->sigma;
        const int to = f.fittedAt + HorizonHours;
        const auto reaches = [&](double offset) {
            return [&, offset](int h) {
                return trend->at(u(h)) + offset * trend->bound(u(h)) >= f.limit;
            };
        };
        f.replacementHours = firstReached(reaches(0), f.fittedAt, to);
        f.replacementEarliest = firstReached(reaches(1), f.fittedAt, to);
        f.replacementLatest = firstReached(reaches(-1), f.fittedAt, to);
    }

    // Drift: each as-found rate against the as-left rate of the adjustment
    // before it. A head is adjusted to the bottom of its error curve, where
    // the error rises with the square of the detuning; the detuning (of a
    // record current, a VCO, a tap) drifts steadily with the hours. So the
    // excess above the floor grows as (d0 + r t)^2: its square root grows
    // linearly, from the root of the excess the adjustment left. Each interval
    // gives one rate r of that root.
    const auto floorAt = [&](int hours) { return trend ? trend->at(u(hours)) : 0.0; };
    std::vector<double> drift, detuning;
    const Point* adjustedAt = nullptr;
    for (const Point& p : points) {
        if (adjustedAt && p.found && p.foundH && *p.foundH > *adjustedAt->leftH) {
            const double hours = *p.foundH - *adjustedAt->leftH;
            drift.push_back(1000.0 * (*p.found - *adjustedAt->left) / hours);
            if (trend) {
                const double leftExcess =
                    std::max(0.0, *adjustedAt->left - floorAt(*adjustedAt->leftH));
                const double foundExcess = std::max(0.0, *p.found - floorAt(*p.foundH));
                detuning.push_back((std::sqrt(foundExcess) - std::sqrt(leftExcess)) /
                                   (hours / 1000.0));
            }
        }
        if (p.left && p.leftH) adjustedAt = &p;
    }
    f.driftIntervals = static_cast<int>(drift.size());
    if (!drift.empty()) {
        double mean = 0;
        for (double d : drift)
            mean += d / static_cast<double>(drift.size());
        f.driftPer1000 = mean;
    }
    // The next interval's rate at the upper bound of its prediction: every
    // adjustment leaves its own detuning, so the next interval is one more
    // draw, not the mean.
    if (detuning.size() >= 2) {
        const double n = static_cast<double>(detuning.size());
        double mean = 0, ss = 0;
        for (double d : detuning)
            mean += d / n;
        for (double d : detuning)
            ss += (d - mean) * (d - mean);
        const double sd = std::sqrt(ss / (n - 1));
        f.detuningUpperPer1000 =
            std::max(0.0, mean + studentT95(static_cast<int>(n) - 1) * sd * std::sqrt(1 + 1 / n));
    }

    // The suggested interval after the last adjustment: the floor at the
    // upper bounds of the trend and its slope, plus the excess the adjustment
    // left growing with the detuning at its upper bound, against the limit.
    if (adjustedAt && trend && f.detuningUpperPer1000) {
        const int from = *adjustedAt->leftH;
        const double floorUpper = trend->at(u(from)) + trend->bound(u(from));
        const double slope = std::max(0.0, trend->b + trend->slopeBound());
        const double rootLeft = std::sqrt(std::max(0.0, *adjustedAt->left - floorAt(from)));
        const auto expected = [&](int after) {
            const double root = rootLeft + *f.detuningUpperPer1000 * after / 1000.0;
            return floorUpper + slope * (u(from + after) - u(from)) + root * root;
        };
        f.intervalHours =
            firstReached([&](int after) { return expected(after) >= f.limit; }, 0, HorizonHours);
    }
    return f;
}

std::vector<HeadForecast> forecastAll(const std::vector<Visit>& visits,
                                      const ForecastOptions& options) {
    std::vector<SeriesKey> keys;
    for (const Visit& v : visits)
        for (const auto& [key, rate] : v.rates)
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    std::sort(keys.begin(), keys.end());
    std::vector<HeadForecast> out;
    for (const SeriesKey& key : keys)
        out.push_back(forecastSeries(key, visits, options));
    return out;
}

}  // namespace rf::history

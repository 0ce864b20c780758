#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/window_changes.h"
#include "history/run_record.h"

namespace rf::history {

// The History window's reading of one recorder's runs: per block and per head,
// the values to plot against the drum hours (or against the date), each series
// as found or as left, with the forecast lines per head beside them.

enum class Reading { Found, Left };
std::string_view textOf(Reading reading);  // "found", "left"

// What the charts take from one run: its error rates (as found or as left, or
// none) and whether its values as found and as left.
struct RunUse {
    std::optional<Reading> rates;
    bool values = false;
    friend bool operator==(const RunUse&, const RunUse&) = default;
};

// The grouping of a recorder's runs (in time order) into readings as found and
// as left, one entry per run: an Error Rate run's error rates are as found; an
// Adjust run's as left, with its values as found and as left; a File Save
// run's (a history file imported) as left, with the values it held (as left).
// Other runs give nothing. The grouping of the runs into service visits takes
// this function's place.
std::vector<RunUse> groupRuns(const std::vector<RunRecord>& runs);

// What the horizontal axis counts: the drum hours when every run that gives a
// point has them, else the date.
enum class XAxis { DrumHours, Date };

// The three charts of a head: its error rates against their limits, its record
// current and frequency, its channel's VCO and equaliser taps.
enum class Chart { ErrorRate, Record, Levels };

struct HistoryPoint {
    double x = 0;  // the drum hours, or the days since 1970-01-01 of the run's date and time
    std::optional<int> drumHours;
    std::string dateTime;  // the run's, "2026-12-08T14:30:12"
    float value = 0;
    std::optional<float> limit;  // an error rate's
    friend bool operator==(const HistoryPoint&, const HistoryPoint&) = default;
};

struct HistorySeries {
    Chart chart = Chart::ErrorRate;
    std::string head;      // a head; a channel ("L", "R") for the VCO and the taps
    std::string quantity;  // "error rate Master VIDEO", "record current", "VCO", "EQ high 1"
    Reading kind = Reading::Found;
    std::vector<HistoryPoint> points;  // in time order
    // The limit drawn as a horizontal line: the latest point's that has one.
    std::optional<float> limit() const;
    friend bool operator==(const HistorySeries&, const HistorySeries&) = default;
};

struct BlockHistory {
    std::string block;                  // "MAGVEX HDLP,18000rpm,REC"
    std::vector<HistorySeries> series;  // by head, chart, quantity, found before left
    // The series of `head`'s chart: its own, and for the levels its channel's.
    std::vector<const HistorySeries*> of(std::string_view head, Chart chart) const;
};

// A forecast line of a head: of one block, or ("") of every block.
struct ForecastLine {
    std::string block;
    std::string text;
};
// The forecast lines per head ("L1"), filled by a function the window is given.
using Forecast = std::map<std::string, std::vector<ForecastLine>>;
using Forecaster = std::function<Forecast(const std::vector<RunRecord>&)>;
inline constexpr const char* NoForecast = "no forecast yet";

struct RecorderHistory {
    std::string vtrName;
    XAxis axis = XAxis::DrumHours;
    std::vector<BlockHistory> blocks;  // in the order the runs name them first
    Forecast forecast;
    const BlockHistory* block(std::string_view name) const;
    // The forecast lines of a head for a block, or the one line NoForecast.
    std::vector<std::string> forecastOf(std::string_view head, std::string_view block) const;
};

// One recorder's history from its runs in time order; `forecaster`, when
// given, fills the forecast.
RecorderHistory buildHistory(const std::string& vtrName, const std::vector<RunRecord>& runs,
                             const Forecaster& forecaster = {});

// The quantities a level item is charted as: the VCO and the equaliser taps.
bool isChartedLevel(std::string_view item);

// The recorders the window offers: the connected one first (when the store
// knows it or not), then the others in the order given. Names are compared
// without trailing blanks.
std::vector<std::string> recorderChoice(const std::vector<std::string>& known,
                                        const std::string& connected);

// The days since 1970-01-01 of "YYYY-MM-DDTHH:MM:SS", the time of day as a
// fraction.
double daysOf(std::string_view dateTime);

// The History window: shown from the Indicate menu at any time. It reads the
// records store when it comes to the front.
struct HistoryWindowModel {
    std::string caption = "History";
    bool visible = false;
    int asked = 0;  // each time the operator asks for it, it reads the store again
    WindowChanges changes;
};

}  // namespace rf::history

#include "history/history_model.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace rf::history {

namespace {

// The heads first, then the channels: the order of the series.
int headOrder(std::string_view head) {
    for (std::size_t i = 0; i < Heads.size(); ++i)
        if (Heads[i] == head) return static_cast<int>(i);
    for (std::size_t i = 0; i < Channels.size(); ++i)
        if (Channels[i] == head) return static_cast<int>(Heads.size() + i);
    return -1;
}

bool isHead(std::string_view head) {
    return std::find(Heads.begin(), Heads.end(), head) != Heads.end();
}

std::string_view trimmed(std::string_view name) {
    const std::size_t end = name.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : name.substr(0, end + 1);
}

// Days from 1970-01-01 to a civil date (the proleptic Gregorian calendar).
long daysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

using SeriesKey = std::tuple<int, Chart, std::string, Reading>;

// The series of one block as they fill, in their order.
struct BlockSeries {
    std::string block;
    std::map<SeriesKey, HistorySeries> series;

    void add(Chart chart, const std::string& head, const std::string& quantity, Reading kind,
             HistoryPoint point) {
        HistorySeries& s = series[{headOrder(head), chart, quantity, kind}];
        s.chart = chart;
        s.head = head;
        s.quantity = quantity;
        s.kind = kind;
        s.points.push_back(std::move(point));
    }
};

}  // namespace

std::string_view textOf(Reading reading) {
    return reading == Reading::Found ? "found" : "left";
}

std::vector<RunUse> groupRuns(const std::vector<RunRecord>& runs) {
    std::vector<RunUse> uses;
    for (const RunRecord& run : runs) {
        RunUse use;
        if (run.programme == "Error Rate") use.rates = Reading::Found;
        if (run.programme == "Adjust" || run.programme == "File Save") {
            use.rates = Reading::Left;
            use.values = true;
        }
        uses.push_back(use);
    }
    return uses;
}

std::optional<float> HistorySeries::limit() const {
    for (auto p = points.rbegin(); p != points.rend(); ++p)
        if (p->limit) return p->limit;
    return std::nullopt;
}

std::vector<const HistorySeries*> BlockHistory::of(std::string_view head, Chart chart) const {
    const std::string_view own = chart == Chart::Levels ? head.substr(0, 1) : head;
    std::vector<const HistorySeries*> out;
    for (const HistorySeries& s : series)
        if (s.chart == chart && s.head == own) out.push_back(&s);
    return out;
}

const BlockHistory* RecorderHistory::block(std::string_view name) const {
    for (const BlockHistory& b : blocks)
        if (b.block == name) return &b;
    return nullptr;
}

std::vector<std::string> RecorderHistory::forecastOf(std::string_view head,
                                                     std::string_view block) const {
    std::vector<std::string> lines;
    if (const auto found = forecast.find(std::string(head)); found != forecast.end())
        for (const ForecastLine& line : found->second)
            if (line.block.empty() || line.block == block) lines.push_back(line.text);
    if (lines.empty()) lines.push_back(NoForecast);
    return lines;
}

bool isChartedLevel(std::string_view item) {
    return item == "VCO" || item.starts_with("EQ high ") || item.starts_with("EQ low ");
}

double daysOf(std::string_view t) {
    if (t.size() < 19) return 0;
    const auto num = [&](std::size_t at, std::size_t n) {
        long v = 0;
        for (std::size_t i = at; i < at + n; ++i)
            v = v * 10 + (t[i] - '0');
        return v;
    };
    const long days = daysFromCivil(num(0, 4), static_cast<unsigned>(num(5, 2)),
                                    static_cast<unsigned>(num(8, 2)));
    return static_cast<double>(days) +
           static_cast<double>(num(11, 2) * 3600 + num(14, 2) * 60 + num(17, 2)) / 86400.0;
}

RecorderHistory buildHistory(const std::string& vtrName, const std::vector<RunRecord>& runs,
                             const Forecaster& forecaster) {
    RecorderHistory history;
    history.vtrName = vtrName;
    const std::vector<RunUse> uses = groupRuns(runs);
    bool everyDrumHours = true;
    for (std::size_t i = 0; i < runs.size(); ++i)
        if ((uses[i].rates || uses[i].values) && !runs[i].drumHours) everyDrumHours = false;
    history.axis = everyDrumHours ? XAxis::DrumHours : XAxis::Date;

    std::vector<BlockSeries> blocks;
    const auto blockOf = [&](const std::string& name) -> BlockSeries& {
        for (BlockSeries& b : blocks)
            if (b.block == name) return b;
        blocks.push_back({name, {}});
        return blocks.back();
    };
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const RunRecord& run = runs[i];
        HistoryPoint at;
        at.drumHours = run.drumHours;
        at.dateTime = run.dateTime;
        at.x = history.axis == XAxis::DrumHours ? *run.drumHours : daysOf(run.dateTime);
        if (const auto kind = uses[i].rates)
            for (const RateRow& r : run.rates) {
                if (!r.value || !isHead(r.head)) continue;
                HistoryPoint p = at;
                p.value = *r.value;
                p.limit = r.limit;
                blockOf(r.block).add(Chart::ErrorRate, r.head, "error rate " + r.measurement, *kind,
                                     p);
            }
        if (!uses[i].values) continue;
        for (const ValueRow& v : run.values) {
            const bool record = v.item == "record current" || v.item == "record frequency";
            if (record ? !isHead(v.head) : !isChartedLevel(v.item) || headOrder(v.head) < 4)
                continue;
            for (const auto& [value, kind] :
                 {std::pair{v.found, Reading::Found}, std::pair{v.left, Reading::Left}}) {
                if (!value) continue;
                HistoryPoint p = at;
                p.value = static_cast<float>(*value);
                blockOf(v.block).add(record ? Chart::Record : Chart::Levels, v.head, v.item, kind,
                                     p);
            }
        }
    }
    for (BlockSeries& b : blocks) {
        BlockHistory& out = history.blocks.emplace_back();
        out.block = b.block;
        for (auto& [key, s] : b.series)
            out.series.push_back(std::move(s));
    }
    if (forecaster) history.forecast = forecaster(runs);
    return history;
}

std::vector<std::string> recorderChoice(const std::vector<std::string>& known,
                                        const std::string& connected) {
    const std::string_view first = trimmed(connected);
    std::vector<std::string> out, others;
    if (!first.empty()) out.emplace_back(first);
    for (const std::string& name : known)
        if (!first.empty() && trimmed(name) == first)
            out.front() = name;  // as the store spells it
        else
            others.push_back(name);
    out.insert(out.end(), others.begin(), others.end());
    return out;
}

}  // namespace rf::history

// Forecasts of head wear from a recorder's visits, judged by the simulated
// recorder's own wear model. Twenty recorders are each visited eight times as
// their drum hours grow, every visit an Error Rate run then an Adjust run of
// every block (the record block of HDLP needs its RP playback block adjusted
// with it, see below), in virtual time; the runs become records, the records
// visits, the visits forecasts, and the forecasts of the record heads' "Self
// VIDEO" rates are judged.
//
// Which truth: the forecast of a series is made from what the tool measures,
// and the rate of a recording played back ("Self") is the record head's and
// the RP playback head's together, as the recorder adds them. So the
// replacement point judged is where a fresh adjustment of both (the record
// head at its best values, the RP head at its optimum VCO and taps) errs
// above the limit, from the simulator's own truth functions; the interval
// judged is when the values the last adjustment left (read from the
// simulated recorder) err above it with both heads. The record head's own
// points (recReplacementAge, recReadjustAge) are printed beside them: they
// come later, as the RP head's error is left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>

#include "app/run_record_of.h"
#include "demo/demo.h"
#include "history/forecast_text.h"
#include "history/trends.h"
#include "tool_rig.h"

namespace rf {
namespace {

using history::HeadForecast;
using history::SeriesKey;
using run::ProgramItem;

constexpr int Recorders = 20, Visits = 8;
constexpr int Fmt = fmt::HdLp, Rpm = rpm::Rpm18000;
constexpr double SelfLimit = PlaybackHeadLimit;
constexpr int HorizonMiss = 1000000;

// One run of every block, as its record.
history::RunRecord runOn(test::ToolRig& rig, ProgramItem programme) {
    rig.tool.choose(programme);
    rig.tool.partAdjCheck(0);
    const auto started = rig.platform.now();
    rig.tool.choose(ProgramItem::Start);
    history::RunRecord record = app::runRecordOf(rig.tool, {started, "bench"});
    EXPECT_EQ(history::problemOf(record), "");
    EXPECT_EQ(record.drumHours, int(rig.recorder.drumHours(rig.now())));
    return record;
}

// The middle value (the upper of the two middle ones), 0 of none.
double medianOf(std::vector<double> xs) {
    std::sort(xs.begin(), xs.end());
    return xs.empty() ? 0.0 : xs[xs.size() / 2];
}

std::string text(std::optional<int> v) {
    return v ? std::to_string(*v) : "-";
}

// A run of one recorder with one row, "Self VIDEO" of L1 (and R1 when given).
history::RunRecord run(const char* programme, int hours, std::optional<float> l1,
                       std::optional<float> r1 = std::nullopt,
                       history::Outcome outcome = history::Outcome::Completed) {
    history::RunRecord r;
    r.runId = std::to_string(hours) + programme;
    r.recorder.vtrName = "QT7310DMO_1";
    r.dateTime = "2026-12-08T10:00:00";
    r.drumHours = hours;
    r.programme = programme;
    r.outcome = outcome;
    for (auto [head, value] : {std::pair{"L1", l1}, {"R1", r1}})
        if (value) r.rates.push_back({"REC", "Self VIDEO", head, value, -4.1f, {}});
    return r;
}

TEST(HeadForecast, VisitsFromRunsAndATrendInTheWearLawsSpace) {
    // Visit 1: as found, adjusted, checked (the check fills R1, which the
    // adjustment did not measure). Visit 2: two looks before a stopped and a
    // completed adjustment (the first reading of a row is kept). Visit 3: an
    // adjustment alone. Visit 4: a look alone, the day after by drum hours.
    const auto visits = history::groupVisits(
        {run("Error Rate", 1000, -4.5f), run("Adjust", 1001, -4.9f),
         run("Error Rate", 1002, -4.8f, -4.7f), run("Data DownLoad", 1003, std::nullopt),
         run("Error Rate", 1600, -4.4f), run("Error Rate", 1601, -4.0f, -4.3f),
         run("Adjust", 1602, -4.1f, std::nullopt, history::Outcome::Stopped),
         run("Adjust", 1603, -4.85f), run("Adjust", 2200, -4.8f), run("Error Rate", 2800, -4.6f)});
    struct Want {
        std::optional<int> foundHours, leftHours;
        std::optional<float> l1Found, l1Left, r1Found, r1Left;
    };
    const Want want[] = {{1000, 1001, -4.5f, -4.9f, {}, -4.7f},
                         {1600, 1603, -4.4f, -4.85f, -4.3f, {}},
                         {{}, 2200, {}, -4.8f, {}, {}},
                         {2800, {}, -4.6f, {}, {}, {}}};
    ASSERT_EQ(visits.size(), std::size(want));
    for (std::size_t i = 0; i < visits.size(); ++i) {
        SCOPED_TRACE("visit " + std::to_string(i + 1));
        const auto l1 = visits[i].rates.find({"REC", "Self VIDEO", "L1"});
        const auto r1 = visits[i].rates.find({"REC", "Self VIDEO", "R1"});
        EXPECT_EQ(visits[i].foundHours, want[i].foundHours);
        EXPECT_EQ(visits[i].leftHours, want[i].leftHours);
        EXPECT_EQ(l1->second.found, want[i].l1Found);
        EXPECT_EQ(l1->second.left, want[i].l1Left);
        EXPECT_EQ(r1 == visits[i].rates.end() ? std::nullopt : r1->second.found, want[i].r1Found);
        EXPECT_EQ(r1 == visits[i].rates.end() ? std::nullopt : r1->second.left, want[i].r1Left);
    }
    // R1 was measured at two visits: not enough for a forecast.
    const auto r1 = history::forecastSeries({"REC", "Self VIDEO", "R1"}, visits);
    EXPECT_EQ(r1.state, history::ForecastState::NotEnoughVisits);
    EXPECT_EQ(r1.visits, 2);

    // Exact as-left rates on the wear law, -5 + 0.5 (age / 1000 h)^1.5, reach
    // -4.1 at an age of 1000 h x 1.8^(2/3); without scatter the band closes.
    std::vector<history::RunRecord> runs;
    for (int age : {0, 400, 900, 1300, 1700})
        runs.push_back(
            run("Adjust", 5000 + age, static_cast<float>(-5 + 0.5 * std::pow(age / 1000.0, 1.5))));
    const auto f = history::forecastSeries({"REC", "Self VIDEO", "L1"}, history::groupVisits(runs));
    ASSERT_EQ(f.state, history::ForecastState::Forecast);
    const double due = 5000 + 1000 * std::pow(1.8, 2.0 / 3.0);
    EXPECT_NEAR(*f.replacementHours, due, 2);
    EXPECT_NEAR(*f.replacementEarliest, due, 2);
    EXPECT_NEAR(*f.replacementLatest, due, 2);
    // As the History window says it beside the head.
    const auto said = history::forecastByHead(runs).at("L1");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].block, "REC");
    EXPECT_EQ(said[0].text.rfind("Self VIDEO: ", 0), 0u) << said[0].text;
    EXPECT_NE(said[0].text.find("replace at " + std::to_string(*f.replacementHours) + " h"),
              std::string::npos)
        << said[0].text;
    EXPECT_EQ(history::forecastLine(r1), "Self VIDEO: not enough visits (2 of 3)");

    // Exact as-found rates on the detuning law: every adjustment leaves the
    // floor, -5, and the excess grows as (0.5 t / 1000 h)^2 over the t hours
    // since; -4.1 is reached 1000 h x sqrt(3.6) after the last adjustment. A
    // straight line through the same points would put it some 7000 h out.
    runs.clear();
    int adjusted = 1000;
    runs.push_back(run("Adjust", adjusted, -5.0f));
    for (int after : {400, 600, 500}) {
        const double root = 0.5 * after / 1000.0;
        runs.push_back(run("Error Rate", adjusted + after, static_cast<float>(-5 + root * root)));
        adjusted += after + 1;
        runs.push_back(run("Adjust", adjusted, -5.0f));
    }
    const auto drifting =
        history::forecastSeries({"REC", "Self VIDEO", "L1"}, history::groupVisits(runs));
    ASSERT_TRUE(drifting.intervalHours);
    EXPECT_NEAR(*drifting.intervalHours, 1000 * std::sqrt(3.6), 2);
    EXPECT_FALSE(drifting.replacementHours);
}

// The level blocks of HDLP's playback categories and kinds, per channel, as
// the last adjustment left them in the simulated recorder.
using LevelsLeft = std::map<std::pair<int, int>, std::array<std::array<std::int16_t, 29>, 2>>;

// A playback head's forecast (its "Master VIDEO" series: the master tape adds
// no error of its own) against the simulator's truth: the relative error of
// the replacement point (a prediction missing where the truth has one, or
// the reverse, is a miss) and, where the truth has one, how many hours the
// suggested interval comes before the true one.
struct PlaybackJudged {
    double replacementError = 1e9;
    std::optional<int> intervalMargin;
    std::optional<double> intervalShare;  // the suggested interval over the true one
};
PlaybackJudged judgePlayback(const HeadForecast& f, const sim::SignalModel& m, int start,
                             const LevelsLeft& left, int adjustedAt) {
    PlaybackJudged out;
    for (const auto& [block, levels] : left) {
        const auto [c, k] = block;
        const BlockSel b{Fmt, Rpm, static_cast<std::int16_t>(c), static_cast<std::int16_t>(k), 0};
        if (run::blockName(b) != f.key.block) continue;
        const auto index = std::find(history::Heads.begin(), history::Heads.end(), f.key.head) -
                           history::Heads.begin();
        const int ch = int(index / 2), head = int(index % 2);
        const double limit = rateLimit(Fmt, c, meas::Playback);
        const auto truth = m.pbReplacementAge(Fmt, c, k, ch, head, limit, 40000);
        if (!truth)
            out.replacementError = f.replacementHours ? 1e9 : 0;
        else if (f.replacementHours)
            out.replacementError = std::abs(double(*f.replacementHours - start - *truth)) / *truth;
        if (const auto interval = m.pbReadjustAge(Fmt, c, k, ch, head, levels[std::size_t(ch)],
                                                  adjustedAt, limit, adjustedAt + 40000)) {
            out.intervalMargin = *interval - adjustedAt - f.intervalHours.value_or(HorizonMiss);
            if (f.intervalHours && *interval > adjustedAt)
                out.intervalShare = double(*f.intervalHours) / (*interval - adjustedAt);
        }
        return out;
    }
    ADD_FAILURE() << "no block of its name: " << f.key.block;
    return out;
}

TEST(HeadForecast, ClosedLoopAgainstTheSimulatedWear) {
    std::vector<double> replacementErrors, ownErrors, playbackErrors;
    std::vector<double> intervalShares, playbackShares;  // suggested over true interval
    int notEnough = 0, intervalsJudged = 0;
    std::optional<int> worstMargin, worstOpenMargin;  // the latter: intervals not due now
    std::optional<int> worstPlaybackMargin;
    std::printf("%-4s %-4s %9s %9s %9s %9s %9s %9s %9s\n", "rec", "head", "replace", "band-",
                "truth", "own", "interval", "truth", "own");
    for (int seed = 1; seed <= Recorders; ++seed) {
        auto config = sim::builtInRecorderConfig();
        config.seed = static_cast<std::uint64_t>(seed);
        test::ToolRig rig(config);
        rig.dialogs().setFallback(
            [](const platform::virt::DialogRecord& d) { return demo::unattendedAnswer(d); });
        ASSERT_TRUE(rig.tool.Main());
        // A service centre's visits: every 300 to 700 drum hours. The Self
        // path of these recorders' heads reaches its limit after a median of
        // about 3,200 hours, so the later visits come near it, and some past.
        std::mt19937 spacing(static_cast<unsigned>(seed));
        std::vector<history::RunRecord> runs;
        int adjustedAt = 0;
        std::array<sim::RecSetting, 4> recLeft{};
        std::array<std::array<std::int16_t, 29>, 2> rpLeft{};
        LevelsLeft pbLeft;
        for (int visit = 0; visit < Visits; ++visit) {
            if (visit > 0)
                rig.recorder.ageBy(std::uniform_int_distribution<int>(300, 700)(spacing));
            runs.push_back(runOn(rig, ProgramItem::ErrorRate));
            runs.push_back(runOn(rig, ProgramItem::Adjust));
            ASSERT_EQ(runs.back().outcome, history::Outcome::Completed) << runs.back().verdictLine;
            adjustedAt = rig.recorder.wearAge(rig.now());
            for (int ch = 0; ch < 2; ++ch) {
                for (int head = 0; head < 2; ++head)
                    recLeft[std::size_t(ch * 2 + head)] =
                        rig.recorder.headSetting(Fmt, Rpm, ch, head);
                rpLeft[std::size_t(ch)] =
                    rig.recorder.levelBlock(0, Fmt, Rpm, cate::RecPlay, 0, ch);
                pbLeft[{cate::RecPlay, 0}][std::size_t(ch)] = rpLeft[std::size_t(ch)];
                for (int k = 0; k <= kind::SubSlow; ++k)
                    pbLeft[{cate::Playback, k}][std::size_t(ch)] =
                        rig.recorder.levelBlock(0, Fmt, Rpm, cate::Playback, k, ch);
            }
        }
        const auto visits = history::groupVisits(runs);
        ASSERT_EQ(visits.size(), std::size_t{Visits});
        const int start = config.drumHours;
        const sim::SignalModel& m = rig.recorder.signal();
        for (const HeadForecast& f : history::forecastAll(visits)) {
            if (f.state == history::ForecastState::NotEnoughVisits) ++notEnough;
            if (f.key.measurement == "Master VIDEO") {
                const PlaybackJudged judged = judgePlayback(f, m, start, pbLeft, adjustedAt);
                playbackErrors.push_back(judged.replacementError);
                if (judged.intervalShare) playbackShares.push_back(*judged.intervalShare);
                if (judged.intervalMargin)
                    worstPlaybackMargin =
                        std::min(worstPlaybackMargin.value_or(HorizonMiss), *judged.intervalMargin);
                continue;
            }
            if (f.key.measurement != "Self VIDEO") continue;
            ASSERT_EQ(f.state, history::ForecastState::Forecast);
            const int index =
                int(std::find(history::Heads.begin(), history::Heads.end(), f.key.head) -
                    history::Heads.begin());
            const int ch = index / 2, head = index % 2;
            const auto truth = m.selfReplacementAge(Fmt, ch, head, SelfLimit, 40000);
            const auto own = m.recReplacementAge(Fmt, ch, head, SelfLimit);
            const auto interval = m.selfReadjustAge(Fmt, ch, head, recLeft[std::size_t(index)],
                                                    rpLeft[std::size_t(ch)], adjustedAt, SelfLimit,
                                                    adjustedAt + 40000);
            const auto ownInterval =
                m.recReadjustAge(Fmt, ch, head, recLeft[std::size_t(index)], adjustedAt, SelfLimit);
            const auto age = [&](std::optional<int> hours) {
                return hours ? std::optional<int>(*hours - start) : std::nullopt;
            };
            const auto after = [&](std::optional<int> at) {
                return at ? std::optional<int>(*at - adjustedAt) : std::nullopt;
            };
            std::printf("%-4d %-4s %9s %9s %9s %9s %9s %9s %9s\n", seed, f.key.head.c_str(),
                        text(age(f.replacementHours)).c_str(),
                        text(age(f.replacementEarliest)).c_str(), text(truth).c_str(),
                        text(own).c_str(), text(f.intervalHours).c_str(),
                        text(after(interval)).c_str(), text(after(ownInterval)).c_str());
            if (own && f.replacementHours)
                ownErrors.push_back(std::abs(double(*age(f.replacementHours) - *own)) / *own);
            if (truth && f.replacementHours)
                replacementErrors.push_back(std::abs(double(*age(f.replacementHours) - *truth)) /
                                            *truth);
            else
                replacementErrors.push_back(1e9);  // a missing prediction counts as a miss
            if (interval) {  // an interval not predicted is later than the truth
                ++intervalsJudged;
                const int margin = *after(interval) - f.intervalHours.value_or(HorizonMiss);
                if (f.intervalHours && *after(interval) > 0)
                    intervalShares.push_back(double(*f.intervalHours) / *after(interval));
                worstMargin = worstMargin ? std::min(*worstMargin, margin) : margin;
                if (f.intervalHours.value_or(1) > 0)
                    worstOpenMargin = worstOpenMargin ? std::min(*worstOpenMargin, margin) : margin;
            }
        }
    }
    const double median = medianOf(replacementErrors);
    std::printf(
        "HDLP playback heads (Master VIDEO): median replacement error %.1f %% over %zu, "
        "worst interval margin %s h, median interval %.0f %% of the truth\n",
        100 * medianOf(playbackErrors), playbackErrors.size(), text(worstPlaybackMargin).c_str(),
        100 * medianOf(playbackShares));
    std::printf("record heads (Self VIDEO): median interval %.0f %% of the truth\n",
                100 * medianOf(intervalShares));
    std::printf("against the record heads' own replacement: median error %.1f %%\n",
                100 * medianOf(ownErrors));
    std::printf(
        "median replacement error %.1f %%, worst interval margin %s h over %d heads "
        "(%s h of those not due now), %d series with not enough visits\n",
        100 * median, text(worstMargin).c_str(), intervalsJudged, text(worstOpenMargin).c_str(),
        notEnough);
    EXPECT_LE(median, 0.15);
    ASSERT_GT(intervalsJudged, Recorders);  // most heads have an interval to judge
    EXPECT_GE(*worstMargin, 0);             // never later than the truth
    EXPECT_LE(medianOf(playbackErrors), 0.15);
    ASSERT_TRUE(worstPlaybackMargin);
    EXPECT_GE(*worstPlaybackMargin, 0);
}

}  // namespace
}  // namespace rf

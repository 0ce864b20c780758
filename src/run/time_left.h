#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "run/run_timeline.h"

namespace rf::run {

// What is left of the block at work and of the whole run, in work time.
struct TimeLeft {
    Millis block{0};
    Millis run{0};
    friend bool operator==(const TimeLeft&, const TimeLeft&) = default;
};

// The time left of a run, from a rehearsal of the same selection (its plan)
// and the marks the run has passed. Between two marks the run is taken to go
// on at the pace it has kept so far, and never past the next mark before it
// is passed: a run slower than its plan holds its count there. Once enough
// of the plan lies behind, what is left is scaled by the run's own pace
// (work time taken over planned), so a slower or faster recorder is
// accounted for as the run goes.
class RemainingTime {
  public:
    explicit RemainingTime(RunPlan plan) : plan_(std::move(plan)) {}

    // The run passed `mark` (its `at` is the run's own work time).
    void passed(const RunMark& mark);
    // What is left at the run's work time `now`.
    TimeLeft at(Millis now) const;
    // The run's pace: its work time over the plan's, 1 until it can be told.
    double pace() const { return pace_; }

    // The plan time behind which the pace is not yet trusted.
    static constexpr Millis PaceAfter{5000};

  private:
    // The plan's time of mark i, or the plan's end past the last.
    Millis planAt(std::size_t i) const;

    RunPlan plan_;
    std::optional<std::size_t> matched_;  // the plan's mark the run passed last
    Millis matchedAt_{0};                 // the run's work time at it
    double pace_ = 1.0;
};

// "Time left: block 2:41, run 14:05"; hours as "1:02:05".
std::string timeLeftText(const TimeLeft& left);

}  // namespace rf::run

#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace rf::run {

using Millis = std::chrono::milliseconds;

// The run's own work time: the platform's steady time less the time the
// operator took (boxes open, tapes awaited). It is what an estimate of the
// programme's steps can predict.
class WorkClock {
  public:
    explicit WorkClock(platform::Platform& platform) : platform_(platform) {}

    Millis now() const;
    // Whether the operator is being waited for now (a tape asked for).
    bool waitingForOperator() const { return waitingSince_.has_value(); }

    // While one lives, time is the operator's, not the run's. Nested or
    // repeated waits count once.
    class OperatorWait {
      public:
        explicit OperatorWait(WorkClock& clock);
        OperatorWait(const OperatorWait&) = delete;
        OperatorWait& operator=(const OperatorWait&) = delete;
        ~OperatorWait();

      private:
        WorkClock* clock_ = nullptr;  // null when an outer wait already counts
    };

  private:
    Millis raw() const;
    platform::Platform& platform_;
    Millis waited_{0};
    std::optional<Millis> waitingSince_;
};

// A point a run passes: a block begun, or a step of its progress bar, with
// the work time since the run began.
struct RunMark {
    enum class Kind { Block, Step };
    Kind kind = Kind::Step;
    std::string block;  // the block at work ("" before the first)
    Millis at{0};
    friend bool operator==(const RunMark&, const RunMark&) = default;
};

// The marks of the run in progress, or of the last one, in order.
class RunTimeline {
  public:
    void begin(Millis at);
    // A block begins: a mark when it is not the block at work already.
    void block(std::string_view name, Millis at);
    void step(Millis at);
    void end(Millis at);

    bool running() const { return begun_.has_value() && !ended_; }
    // The run's work time at the clock's `now`.
    Millis workTime(Millis now) const { return begun_ ? now - *begun_ : Millis{0}; }
    const std::vector<RunMark>& marks() const { return marks_; }
    // The work time from the run's beginning to its end; none before the end.
    std::optional<Millis> length() const;

  private:
    std::optional<Millis> begun_;
    std::optional<Millis> ended_;
    std::string block_;
    std::vector<RunMark> marks_;
};

// How a run went when it was rehearsed: its marks and its length.
struct RunPlan {
    std::vector<RunMark> marks;
    Millis length{0};
};

}  // namespace rf::run

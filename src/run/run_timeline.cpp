#include "run/run_timeline.h"

namespace rf::run {

Millis WorkClock::raw() const {
    return platform_.steadyTime() - platform_.dialogs().timeOpen();
}

Millis WorkClock::now() const {
    return (waitingSince_ ? *waitingSince_ : raw()) - waited_;
}

WorkClock::OperatorWait::OperatorWait(WorkClock& clock) {
    if (clock.waitingSince_) return;
    clock.waitingSince_ = clock.raw();
    clock_ = &clock;
}

WorkClock::OperatorWait::~OperatorWait() {
    if (!clock_) return;
    clock_->waited_ += clock_->raw() - *clock_->waitingSince_;
    clock_->waitingSince_.reset();
}

void RunTimeline::begin(Millis at) {
    begun_ = at;
    ended_.reset();
    block_.clear();
    marks_.clear();
}

void RunTimeline::block(std::string_view name, Millis at) {
    if (!running() || name == block_) return;
    block_ = name;
    marks_.push_back({RunMark::Kind::Block, block_, at - *begun_});
}

void RunTimeline::step(Millis at) {
    if (running()) marks_.push_back({RunMark::Kind::Step, block_, at - *begun_});
}

void RunTimeline::end(Millis at) {
    if (running()) ended_ = at;
}

std::optional<Millis> RunTimeline::length() const {
    if (!begun_ || !ended_) return std::nullopt;
    return *ended_ - *begun_;
}

}  // namespace rf::run

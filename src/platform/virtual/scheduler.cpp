#include "platform/virtual/scheduler.h"

namespace rf::platform::virt {

Scheduler::Id Scheduler::at(Micros when, std::function<void()> action) {
    if (when < now_) when = now_;
    Id id = nextId_++;
    queue_.emplace(Key{when, id}, std::move(action));
    whenOf_.emplace(id, when);
    return id;
}

void Scheduler::cancel(Id id) {
    auto it = whenOf_.find(id);
    if (it == whenOf_.end()) return;
    queue_.erase(Key{it->second, id});
    whenOf_.erase(it);
}

bool Scheduler::runDue() {
    // Only what was due on entry: an event that schedules another at the same
    // instant does not keep this call from returning.
    const Id limit = nextId_;
    bool ran = false;
    for (;;) {
        auto it = queue_.begin();
        while (it != queue_.end() && it->first.first <= now_ && it->first.second >= limit)
            ++it;
        if (it == queue_.end() || it->first.first > now_) break;
        auto action = std::move(it->second);
        whenOf_.erase(it->first.second);
        queue_.erase(it);
        action();
        ran = true;
    }
    return ran;
}

bool Scheduler::advance() {
    if (queue_.empty()) return false;
    now_ = std::max(now_, queue_.begin()->first.first);
    runDue();
    return true;
}

void Scheduler::runUntil(Micros until) {
    runDue();
    while (!queue_.empty() && queue_.begin()->first.first <= until)
        advance();
    if (now_ < until) now_ = until;
}

std::optional<Micros> Scheduler::nextTime() const {
    if (queue_.empty()) return std::nullopt;
    return queue_.begin()->first.first;
}

}  // namespace rf::platform::virt

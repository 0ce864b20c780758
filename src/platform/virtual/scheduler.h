#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace rf::platform::virt {

using Micros = std::chrono::microseconds;
using namespace std::chrono_literals;

// The virtual clock and its queue of scheduled events. Events due at the same
// time run in the order they were scheduled.
class Scheduler {
  public:
    using Id = std::uint64_t;

    Micros now() const { return now_; }

    Id at(Micros when, std::function<void()> action);
    Id after(Micros delay, std::function<void()> action) {
        return at(now_ + delay, std::move(action));
    }
    void cancel(Id id);

    // Runs the events that were due when called; true if any ran.
    bool runDue();
    // Moves the clock to the next event and runs every event due then; false
    // when nothing is scheduled.
    bool advance();
    // Runs events until the clock reaches `until` (events at `until` included)
    // and leaves the clock there.
    void runUntil(Micros until);

    std::optional<Micros> nextTime() const;
    bool empty() const { return queue_.empty(); }

  private:
    using Key = std::pair<Micros, Id>;
    Micros now_{0};
    Id nextId_ = 1;
    std::map<Key, std::function<void()>> queue_;
    std::map<Id, Micros> whenOf_;
};

}  // namespace rf::platform::virt

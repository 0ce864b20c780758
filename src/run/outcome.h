#pragma once

#include <optional>
#include <string>

namespace rf::run {

// How a run of the programmes ended, as every place that shows its results
// says it: reached its own end, stopped by the operator, or left before its
// end (an error answered Ignore, a put-back that failed).
struct Outcome {
    bool stopped = false;
    std::optional<std::string> incomplete;  // why the run did not reach its end

    bool completed() const { return !stopped && !incomplete; }
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

// "Run completed", "Run stopped" or "Run INCOMPLETE: " and the reason; a run
// left before its end is incomplete even when it was stopped afterwards.
inline std::string outcomeLine(const Outcome& outcome) {
    if (outcome.incomplete) return "Run INCOMPLETE: " + *outcome.incomplete;
    return outcome.stopped ? "Run stopped" : "Run completed";
}

}  // namespace rf::run

#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "core/errors.h"

namespace rf {

// What an error handler decides after showing its Abort/Retry/Ignore box.
enum class ErrorChoice {
    Abort,   // end the program (the handler has already logged and closed what it must)
    Retry,   // run the failing step again
    Ignore,  // go on with the step after the failing one
};

// What a step tells the steps after it: go on, or the procedure has come to
// its end (nothing to do, a dialog cancelled) and is complete.
enum class Flow { Next, Finish };

// One statement of a handler's procedure. A step that calls a whole sequence
// runs that sequence from its beginning again on Retry. A step whose errors a
// handler treats its own way carries a name the handler knows it by; the
// others have none. A step returns a Flow, or nothing when it always goes on.
struct Step {
    template <typename F>
    requires std::invocable<F&> Step(F action) : run(flowOf(std::move(action))) {}
    template <typename F>
    requires std::invocable<F&> Step(std::string_view stepName, F action)
        : name(stepName), run(flowOf(std::move(action))) {}

    Flow operator()() const { return run(); }

    std::string_view name;
    std::function<Flow()> run;

  private:
    template <typename F>
    static std::function<Flow()> flowOf(F action) {
        if constexpr (std::is_same_v<std::invoke_result_t<F&>, Flow>)
            return action;
        else
            return [action = std::move(action)]() mutable {
                action();
                return Flow::Next;
            };
    }
};

// Decides what to do about an error raised by the step named `step` ("" for
// a step without a name).
using ErrorHandler = std::function<ErrorChoice(const RfError& error, std::string_view step)>;

enum class StepsOutcome { Completed, Aborted };

// Runs the steps in order under one error trap. A raised RfError goes to the
// handler; Retry re-runs the failing step, Ignore continues with the next one,
// Abort stops at once. A step that returns Flow::Finish ends the run as completed.
// Anything else that is not an RfError (ProgramEnd among them) passes through.
StepsOutcome runSteps(std::span<const Step> steps, const ErrorHandler& onError);

}  // namespace rf

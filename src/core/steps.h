#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string_view>
#include <utility>

#include "core/errors.h"

namespace rf {

// What an error handler decides after showing its Abort/Retry/Ignore box.
enum class ErrorChoice {
    Abort,   // end the program (the handler has already logged and closed what it must)
    Retry,   // run the failing step again
    Ignore,  // go on with the step after the failing one
};

// One statement of a handler's procedure. A step that calls a whole sequence
// runs that sequence from its beginning again on Retry. A step whose errors a
// handler treats its own way carries a name the handler knows it by; the
// others have none.
struct Step {
    template <typename F>
    requires std::invocable<F&> Step(F action) : run(std::move(action)) {}
    template <typename F>
    requires std::invocable<F&> Step(std::string_view stepName, F action)
        : name(stepName), run(std::move(action)) {}

    void operator()() const { run(); }

    std::string_view name;
    std::function<void()> run;
};

// Decides what to do about an error raised by the step named `step` ("" for
// a step without a name).
using ErrorHandler = std::function<ErrorChoice(const RfError& error, std::string_view step)>;

enum class StepsOutcome { Completed, Aborted };

// Thrown by a step to end its sequence there, as completed.
struct StepsDone {};

// Runs the steps in order under one error trap. A raised RfError goes to the
// handler; Retry re-runs the failing step, Ignore continues with the next one,
// Abort stops at once. A step that throws StepsDone ends the run as completed.
// Anything else that is not an RfError (ProgramEnd among them) passes through.
StepsOutcome runSteps(std::span<const Step> steps, const ErrorHandler& onError);

}  // namespace rf

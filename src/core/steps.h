#pragma once

#include <cstddef>
#include <functional>
#include <span>

#include "core/errors.h"

namespace rf {

// What an error handler decides after showing its Abort/Retry/Ignore box.
enum class ErrorChoice {
    Abort,   // end the program (the handler has already logged and closed what it must)
    Retry,   // run the failing step again
    Ignore,  // go on with the step after the failing one
};

// One statement of a handler's procedure. A step that calls a whole sequence
// runs that sequence from its beginning again on Retry.
using Step = std::function<void()>;

// Decides what to do about an error raised by the step at `index`.
using ErrorHandler = std::function<ErrorChoice(const RfError& error, std::size_t index)>;

enum class StepsOutcome { Completed, Aborted };

// Thrown by a step to end its sequence there, as completed.
struct StepsDone {};

// Runs the steps in order under one error trap. A raised RfError goes to the
// handler; Retry re-runs the failing step, Ignore continues with the next one,
// Abort stops at once. A step that throws StepsDone ends the run as completed.
// Anything else that is not an RfError (ProgramEnd among them) passes through.
StepsOutcome runSteps(std::span<const Step> steps, const ErrorHandler& onError);

}  // namespace rf

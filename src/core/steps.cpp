#include "core/steps.h"

namespace rf {

StepsOutcome runSteps(std::span<const Step> steps, const ErrorHandler& onError) {
    std::size_t index = 0;
    while (index < steps.size()) {
        ErrorChoice choice;
        try {
            if (steps[index]() == Flow::Finish) return StepsOutcome::Completed;
            ++index;
            continue;
        } catch (const RfError& error) {
            choice = onError(error, steps[index].name);
        }
        switch (choice) {
            case ErrorChoice::Abort:
                return StepsOutcome::Aborted;
            case ErrorChoice::Retry:
                break;
            case ErrorChoice::Ignore:
                ++index;
                break;
        }
    }
    return StepsOutcome::Completed;
}

}  // namespace rf

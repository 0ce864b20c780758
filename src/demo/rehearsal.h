#pragma once

#include <optional>

#include "app/tool.h"
#include "run/run_timeline.h"

namespace rf::demo {

// Rehearses a run before it begins: the same programme, part and selection,
// with the same tables and settings, by a second tool in virtual time against
// a simulated recorder like the one connected (its identification, induce
// code and line speed), in a directory of its own that is removed afterwards.
// Tapes are put in by the recorder's changer and every box is answered at
// once, so the plan holds the programme's own time alone: its steps, pauses
// and transports. It takes a fraction of a second. None when the rehearsal
// did not get to its end.
std::optional<run::RunPlan> rehearse(const app::RunRehearsal& run);

}  // namespace rf::demo

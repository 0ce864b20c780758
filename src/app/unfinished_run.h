#pragma once

#include "run/context.h"

namespace rf::app {

// The recorder out of adjustment mode and its tape not moving. With
// `adjustmentModeKnownOff` no "$ND" is sent (the tool saw it leave).
void makeSafe(run::RunContext& ctx, bool adjustmentModeKnownOff);

// At start-up, once the recorder is identified: a run the journal shows
// unfinished (the tool ended while it worked with the recorder) is told to
// the operator, the recorder made safe and, as the operator answers, the
// values found put back (or the values chosen stored, or a transfer written
// in full), read back and verified, and all of it logged. Without a journal
// nothing is sent.
void dealWithUnfinishedRun(run::RunContext& ctx);

}  // namespace rf::app

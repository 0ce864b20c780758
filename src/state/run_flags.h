#pragma once

#include <string>

#include "core/block.h"

namespace rf {

// The operator's STOP, asked for from the window while a programme waits.
// A programme honours it where its procedure says: each wait that STOP ends
// returns whether it was stopped (and its callers cannot drop that), and
// between its steps a programme asks `requested()`.
class StopRequest {
  public:
    void request() { requested_ = true; }
    void clear() { requested_ = false; }
    bool requested() const { return requested_; }
    // For a wait that polls it.
    const bool* flag() const { return &requested_; }

  private:
    bool requested_ = false;
};

// The run's requests and flags: the operator's STOP and IRQ, which programme
// runs, the progress bar and the block being worked on.
struct RunFlags {
    StopRequest stop;
    bool IrqReq = false;
    bool PbAdjRun = false, RecAdjRun = false, PbMeasRun = false, RecMeasRun = false;
    float PbStepCount = 0, RecStepCount = 0;
    bool PrgWaitFlag = false;
    bool FormInitDone = false;
    float ProgressVal = 0, ProgressStep = 0;

    // The block being worked on, and the playback-mode digit of its heads.
    BlockSel sel;
    std::string PbModeCode = "0";
};

}  // namespace rf

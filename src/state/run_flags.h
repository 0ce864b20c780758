#pragma once

#include <string>

#include "core/block.h"

namespace rf {

// The run's requests and flags: the operator's STOP and IRQ, which programme
// runs, the progress bar and the block being worked on.
struct RunFlags {
    bool StopReq = false, IrqReq = false;
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

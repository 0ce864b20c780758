#pragma once

#include <array>
#include <optional>
#include <string>

#include "history/run_record.h"
#include "platform/platform.h"

namespace rf::app {

class Tool;
struct EndedRun;

// What the tool does not hold itself about a run: when it started and the
// bench (host) it was made on.
struct RunOrigin {
    platform::DateTime started;
    std::string bench;
};

// The records-store record of the run that has just ended on `tool`: the
// recorder as the connection check read it, the drum hours read now (QHR),
// the programme, the blocks selected, the error rates the run kept with their
// limits and verdicts, and for an Adjust run the values as found and as left,
// the sweeps and the LevelRate ratios. Names follow the result windows and
// the verdict: blocks as run::blockName names them (a recording's rows belong
// to its record block), measurements "Master VIDEO", "Self AUDIO1", "Conf
// VIDEO" (HDLP) or "Master" (the four-channel formats), heads L1, L2, R1, R2.
history::RunRecord runRecordOf(Tool& tool, const RunOrigin& origin,
                               std::string runId = history::newRunId());
// The same for a run the tool handed to its keeper: any programme, with the
// outcome it ended with. A data transfer or a File Save or Load records the
// recorder, the blocks of the data and how it ended.
history::RunRecord runRecordOf(Tool& tool, const EndedRun& ended, const std::string& bench,
                               std::string runId = history::newRunId());

// The drum hours of QHR's three two-digit fields ("12", "34", "00": 123400
// hours); none when they are not digits.
std::optional<int> drumHoursOf(const std::array<std::string, 3>& fields);

}  // namespace rf::app

#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/block.h"
#include "core/delimited.h"
#include "core/errors.h"
#include "link/rs_commands.h"
#include "platform/platform.h"
#include "platform/waits.h"
#include "run/display.h"
#include "run/journal.h"
#include "run/operation_log.h"
#include "run/run_timeline.h"
#include "state/adjustment_tables.h"
#include "state/error_rates.h"
#include "state/recorder.h"
#include "state/run_flags.h"
#include "state/selection.h"

namespace rf::run {

// The writes of a put-back: each is tried even when one before it failed (the
// recorder answered with an error), until the recorder stops answering; the
// first failure is raised once they are done.
class PutBackWrites {
  public:
    void operator()(const std::function<void()>& write);
    void raiseFirstFailure() const;

  private:
    std::optional<RfError> failure_;
};

// A block's name as the logs show it: "MAGVEX HDLP,18000rpm,PB,PB,Conf".
std::string blockName(const BlockSel& sel);
// The block an error rate belongs to, by its table indexes: a playback
// measurement's own block; a recording (Self, Conf) the record block
// ("...,RP,RP,RP"), whichever playback block read it back; a four-channel
// format's rates the format alone ("MAGVEX HDSP,19800rpm").
std::string rateBlockName(int format, int category, int kind, int measurement);

// The state a sequence works on, each part kept by the tool.
struct RunState {
    Recorder& recorder;
    Selection& selection;
    AdjustmentTables& tables;
    ErrorRates& rates;
    RunFlags& flags;
};

// What a sequence works with: the recorder's identity, the block selection,
// the adjustment tables, the error rates and the run's flags; the recorder's
// command set, the operation log, the platform and the window it shows its
// progress in. The tool makes one and hands it to every programme.
class RunContext {
  public:
    // The journal is kept at `journalPath`.
    RunContext(RunState state, link::Rs& rs, OperationLog& log, platform::Platform& platform,
               Display& display, std::string journalPath = JournalFileName);
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    Recorder& recorder;
    Selection& selection;
    AdjustmentTables& tables;
    ErrorRates& rates;
    RunFlags& flags;
    link::Rs& rs;
    OperationLog& log;
    platform::Platform& platform;
    Display& display;
    // What the recorder held before the run's pending block wrote to it, on
    // the disk beside the operation log: a crash is put right at the next start.
    Journal journal;

    // The run's work time, and the marks the run has passed in it: what the
    // estimate of the time left follows.
    WorkClock clock{platform};
    RunTimeline timeline;
    // Called with each mark the run passes.
    std::function<void(const RunMark&)> markPassed;
    // A block's work begins (its name as the logs show it).
    void blockBegins(std::string_view name);

    // Whether the operator has asked the programme to stop.
    bool stopRequested() const { return flags.stop.requested(); }

    // The programme's pause of `ms` milliseconds; the window stays live. A
    // failed line ends it early (the next exchange raises the failure).
    void Stby(int ms);
    // A logger line; the window shows it before the sequence goes on.
    void LogDsp(std::string_view text);
    // Writes the text to the operation log as a record and shows it in the
    // window's logger (the display's logLine only shows it).
    void logAndShow(std::string_view text);
    // Sets the progress bar back to its start.
    void progressReset();
    // Advances the progress bar by ProgressStep (up to 100) and shows it.
    void ProgressDsp();
    // Returns the block's name ("MAGVEX HDLP,18000rpm,PB,PB,Conf") and sets
    // PbModeCode to the playback-mode digit of its heads.
    std::string AdjNameDisp(const BlockSel& sel);
    // Shows the block's name followed by `what` (" Start !", " Measuring !")
    // as the message and logs it; returns the name.
    std::string announce(const BlockSel& block, std::string_view what);

    // Puts back what a block abandoned by `error` had written, with `restore`:
    // at once when the recorder answered (the operator is then asked about a
    // recorder as found), after the operator's answer for a time-out (a
    // recorder that did not answer would only cost more time-outs before the
    // box), and at the end for a failed line (the link refuses every exchange
    // until then). A link error while putting back is dropped: the first
    // error is the one the operator sees.
    // `what` names what is put back for the operation log's record of it
    // ("Put back", what, "done" or "failed: " and the error).
    void putBackAfter(const RfError& error, std::string what, std::function<void()> restore);
    // The put-back waiting for the operator's answer; empty when none is.
    std::function<void()> putBack;
    // What a put-back could not write, and why; the error trap tells the
    // operator and the run is not complete.
    std::optional<std::string> putBackFailure;
    // Leaves the recorder as the run found it after an error: the pending
    // values put back, then out of adjustment mode. A link error ends the
    // attempt (the recorder is then gone, and the first error is the one the
    // operator was shown).
    void putRecorderBack();
    // The record an operation that has begun (a data transfer) writes when
    // the program ends before the operation's own end, with why; empty
    // while none is open.
    std::function<void(const std::string& why)> unfinished;
    // Writes that record, once.
    void recordUnfinished(const std::string& why);
    // Whether the line has failed (a fatal communication event on a line that
    // still answers): the work unwinds and the end puts back.
    bool lineFailed() const { return rs.link().failure().has_value(); }

    // A record of the operation log for an error box and the operator's
    // answer: "ERROR Message", the text (one line), "Abort", "Retry" or "Ignore".
    void logAnswer(const std::string& text, platform::Answer answer);

    // A record of the operation log of the tool's own (not one the
    // programmes write); a log that cannot take it does not stop what it records.
    void logRecord(const DelimitedRecord& record);

  private:
    platform::WaitTimer PrgWaitBox;  // the programme's pauses: PrgWaitFlag
};

}  // namespace rf::run

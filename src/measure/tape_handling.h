#pragma once

#include <string>
#include <string_view>

#include "link/rs_commands.h"
#include "run/context.h"

namespace rf::measure {

// The test tapes a sequence asks for: a master tape, a check tape, or a blank
// tape to record on itself.
enum class TapeKind { Master, Check, Self };

// The prompt shown while the recorder has no tape, for a tape kind and a
// format; empty for combinations no tape serves.
std::string tapePrompt(TapeKind kind, int fmt);
// Why a tape with this "$FR" format value and mark ("ON" on a recorded test
// tape, "OFF" on a blank one) is not the one asked for: the wrong kind or the
// wrong format, naming the tape asked for. Empty when it is the one.
std::string tapeRefusal(TapeKind kind, int fmt, int formatValue, std::string_view mark);
// Whether a tape with this "$FR" format value and mark is the one asked for.
inline bool tapeAccepted(TapeKind kind, int fmt, int formatValue, std::string_view mark) {
    return tapeRefusal(kind, fmt, formatValue, mark).empty();
}

// Tape handling of the sequences: the right test tape in, enough tape left.
// Every wait here also ends when the operator chooses STOP.
class TapeHandling {
  public:
    TapeHandling(run::RunContext& ctx) : ctx_(ctx), rs_(ctx.rs) {}

    // Returns once an accepted tape is in, or when a stop is requested. Each
    // time it asks for the tape it beeps once. A wrong tape is ejected, the
    // logger says why, and it is asked for again. False when a stop was
    // requested.
    [[nodiscard]] bool TapeLoad(TapeKind STapeKind, int SFmt);
    // Waits for a valid remaining time and logs it; with too little tape left
    // it rewinds (IRQ cuts the rewind short) and leaves the tape in
    // `SAfterStatus` ("PLAY", "REC", ...). False when a stop was requested.
    [[nodiscard]] bool RemainCheck(int SCheckMinute, link::Transport SAfterStatus);

    // How long a transport command that STOP cannot cut short may take to
    // bring the recorder to its state: a loaded eject or stop takes seconds.
    static constexpr int StopPathLimitMs = 30000;

    // Repeats the transport command and a status read until the recorder
    // reports the mode as its status, or a stop is requested; false when
    // stopped first.
    [[nodiscard]] bool transportUntil(link::Transport mode);
    // The same on a stop path, where STOP has been asked for already and the
    // tape must get there all the same: it gives up after StopPathLimitMs,
    // logs the status reached and raises NotReached.
    void transportOnStopPath(link::Transport mode);
    // Ejects the tape (at least one EJECT, also when a stop was requested) and
    // blanks the time-code and remaining-time displays.
    void ejectTape();
    // StatusRead into VtrStatus, shown in the status bar.
    const std::string& readStatus();

  private:
    bool transportTo(link::Transport mode, bool honourStop);
    void showTimecode();
    void showRemain(const std::array<std::string, 3>& remain);
    // "**" in the time-code and remaining-time labels: no tape to count.
    void blankCounters();

    run::RunContext& ctx_;
    link::Rs& rs_;
};

}  // namespace rf::measure

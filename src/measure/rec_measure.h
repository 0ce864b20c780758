#pragma once

#include "link/rs_commands.h"
#include "measure/err_rate_meas.h"
#include "measure/tape_handling.h"
#include "run/context.h"

namespace rf::measure {

// The error rates of an HDLP recording, as the record measurement and the
// record adjustment take them: while recording ("Conf", measurement kind 6)
// and on playing the recording back ("Self", kind 3). Results go to
// RealErrLp(fmt, 1, 0, group, head, kind).
class RecordingErrRate {
  public:
    // How the operation log takes the value lines: the measurement programme
    // writes each as a record of the label and the four values in full
    // precision; the adjustment programme logs each as its line of text.
    enum class ValueLines { Records, TextLines };

    explicit RecordingErrRate(run::RunContext& ctx, ValueLines lines = ValueLines::Records)
        : ctx_(ctx), rs_(ctx.rs), tape_(ctx), sampling_(ctx), lines_(lines) {}

    // The "MODE" record that heads the value lines in the operation log.
    void writeHeader();
    // Presets the time code to 23:59:55:00 and waits for it to pass midnight;
    // 10 seconds later the recording is sampled, and it goes on for
    // `secondsAfter` more seconds of time code. Every wait ends on STOP;
    // false when one did.
    [[nodiscard]] bool confErrRate(int fmt, int secondsAfter);
    // Stops the tape, searches it back to time code 00:00:00:00 and stops it
    // there; false when STOP ended one of the waits.
    [[nodiscard]] bool searchStart();
    // ProgressDsp, the twelve-channel sampling, ProgressDsp, the three value
    // lines, and the values stored as measurement kind `kind`.
    void sample(int fmt, int kind);

  private:
    // Reads the recorder's time code, shows it and returns it in seconds.
    std::int32_t timecodeSeconds();

    run::RunContext& ctx_;
    link::Rs& rs_;
    TapeHandling tape_;
    ErrRateSampling sampling_;
    ValueLines lines_;
};

// The record error-rate programme: every selected record block records on a
// blank tape and measures its error rates while recording ("Conf") and on
// playing the recording back ("Self").
class RecMeasure {
  public:
    explicit RecMeasure(run::RunContext& ctx) : ctx_(ctx), rs_(ctx.rs), tape_(ctx), errRate_(ctx) {}

    void RecMeasureMain();

  private:
    void block(int fmt, int rpm, int cate, int kind);
    void recordAndMeasure(int fmt, int rpm);

    run::RunContext& ctx_;
    link::Rs& rs_;
    TapeHandling tape_;
    RecordingErrRate errRate_;
    int lastRpm_ = 7;
};

}  // namespace rf::measure

#pragma once

#include "adjust/calc/calu_prg.h"
#include "link/rs_commands.h"
#include "sim_rig.h"

namespace rf::test {

using link::RecKind;
using link::TimeCodeMode;
using Items = std::array<std::int16_t, 5>;

// The record adjustment's sweeps of the HDLP block on a blank tape, step by
// step as the tool makes them, read by the tool's own calculations.
struct RecordSweeps {
    static constexpr Items Defaults{50, 50, -90, -90, 0};
    explicit RecordSweeps(SimRig& r, bool waitTwoSeconds = true) : rig(r), settle(waitTwoSeconds) {}

    SimRig& rig;
    bool settle;
    Shared shared;
    float reference[2][2][2]{};  // channel, series, band (0 high, 1 low)
    Items rec[2] = {Defaults, Defaults};
    adjust::Levels levels[2]{};  // current, frequency sweeps: series 2 ch + i
    adjust::Settings settings[2]{};

    int tcg() { return adjust::CaluTimeSec(rig.rs.TimeCodeRead(TimeCodeMode::Tcg)); }
    void rollOver() {
        rig.rs.CtsSet("23595500");
        while (rig.rs.TimeCodeRead(TimeCodeMode::Tcg)[0] != "00") {
        }
    }
    // Fourteen envelope readings 50 ms apart, trimmed: series 0 and 1 of `ch`.
    void read(int ch, int band, float& first, float& second) {
        rig.rs.KsSet(true, band, 0);
        adjust::Readings r{};
        for (int k = 1; k <= 14; ++k, rig.wait(50ms)) {
            tcg();
            const auto env = rig.rs.AdjRun(ch, link::AdjRunKind::Env);
            r(k, 0) = static_cast<std::int16_t>(env[0]);
            r(k, 1) = static_cast<std::int16_t>(env[1]);
        }
        first = adjust::CaluTrimAve(r, 0, 14);
        second = adjust::CaluTrimAve(r, 1, 14);
    }
    void write(int ch, RecKind kind, const Items& items) {
        rig.rs.RecValueSet({7, 2, 0, 0, static_cast<std::int16_t>(ch)}, kind, items);
    }

    void run() {
        rig.rs.AdjModeSet(link::AdjMode::Start, 0, 7, 2, 0);
        rig.until(link::Transport::StbOff, "STBOF");
        rig.rs.RmSet("000000010");
        for (int ch = 0; ch < 2; ++ch)
            for (RecKind kind : {RecKind::Curr, RecKind::Freq})
                write(ch, kind, Defaults);
        rig.wait(1s);
        rig.rs.TransportCtrl(link::Transport::StbOn);
        rig.until(link::Transport::Rec, "REC");
        rig.wait(5s);
        rollOver();
        for (int ch = 0; ch < 2; ++ch)
            for (int band = 0; band < 2; ++band)
                read(ch, band, reference[ch][0][band], reference[ch][1][band]);
        // The current of each channel, then the frequency of each channel.
        for (int pass = 0; pass < 2; ++pass)
            for (int ch = 0; ch < 2; ++ch) {
                const RecKind kind = pass == 0 ? RecKind::Curr : RecKind::Freq;
                const int band = pass == 0 ? 1 : 0, step = pass == 0 ? 10 : 20;
                const std::size_t first = pass == 0 ? 0 : 2;
                rig.until(link::Transport::Rec, "REC");
                rollOver();
                for (int c = 0; pass == 0 && c < 2; ++c) {
                    write(c, RecKind::Curr, Defaults);
                    write(c, RecKind::Freq, Defaults);
                }
                if (pass == 0) rig.wait(1s);
                int points = 0;
                for (int v = pass == 0 ? -80 : -120; v <= 40; v += step) {
                    Items items = rec[ch];
                    items[first] = items[first + 1] = static_cast<std::int16_t>(v);
                    write(ch, kind, items);
                    settings[pass][static_cast<std::size_t>(++points)] =
                        static_cast<std::int16_t>(v + 128);
                    const int t0 = tcg();
                    while (settle && tcg() < t0 + 2) {
                    }
                    read(ch, band, levels[pass](points, 2 * ch), levels[pass](points, 2 * ch + 1));
                }
                write(ch, kind, Defaults);
                rig.until(link::Transport::Stop, "STOP");
                // Series i is head i on channel L and head 1 - i on channel R.
                for (int i = 0; i < 2; ++i) {
                    auto find = pass == 0 ? adjust::Calu5dBPoint : adjust::Calu2p5dBPoint;
                    rec[ch][first + static_cast<std::size_t>(ch == 0 ? i : 1 - i)] =
                        find(levels[pass], settings[pass], 2 * ch + i, points,
                             reference[ch][i][band], shared, rig.platform.dialogs())
                            .value.value_or(0);
                }
                write(ch, kind, rec[ch]);
            }
    }
};

}  // namespace rf::test

#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "adjust/level_curves.h"
#include "core/window_changes.h"
#include "run/context.h"

namespace rf::results {

inline constexpr const char* NoSweepsNote =
    "No record sweeps yet: the plots fill in point by point while an Adjust run "
    "adjusts the HDLP REC block.";

// Which run the level-curve window shows: none yet, the Adjust run going on,
// or the last one, which has ended.
enum class CurveRun { None, InProgress, Last };

// The level-curve window: the record current and frequency sweeps of one block
// from the last Adjust run, in four plots (Lch current, Rch current, Lch
// frequency, Rch frequency), each with both heads of its channel. The tool
// keeps it in line with its adjustment record: the record's watcher calls
// showRecord() after every point measured, value chosen and block ended.
//
// Every change is marked as Area::Window. A plot whose sweeps changed also
// moves its own revision, so that a view redraws that plot alone.
struct LevelCurveWindowModel {
    std::string caption = "Level Curves";
    bool visible = false;
    int asked = 0;  // how often the operator asked for it: each time it comes to the front
    // The block whose sweeps it shows (its channel is not used): the HDLP
    // record block, the only one the record adjustment has.
    BlockSel block{fmt::HdLp, rpm::Rpm18000, cate::RecPlay, kind::Conf, 0};
    CurveRun run = CurveRun::None;
    std::string heading;              // which run it shows, above the note
    std::string note = NoSweepsNote;  // the line above the plots
    std::array<adjust::SweepPlot, 4> plots = adjust::recordPlots({}, block);
    std::array<std::uint64_t, 4> plotRevisions{};
    WindowChanges changes;
};

// The window shows the Adjust run going on (from its start) or the last one
// (from its end).
inline void showRun(LevelCurveWindowModel& model, CurveRun run) {
    model.run = run;
    model.heading = run == CurveRun::InProgress ? "Run in progress"
                    : run == CurveRun::Last     ? "Last run"
                                                : "";
    model.changes.mark(Area::Window);
}

// Takes the record's sweeps of the model's block into its plots and marks the
// change, if anything differs from what the model held.
inline void showRecord(LevelCurveWindowModel& model, const adjust::AdjustRecord& record) {
    const std::array<adjust::SweepPlot, 4> plots = adjust::recordPlots(record, model.block);
    bool changed = false, measured = false;
    for (std::size_t i = 0; i < plots.size(); ++i) {
        measured = measured || !plots[i].heads.empty();
        if (plots[i] == model.plots[i]) continue;
        model.plots[i] = plots[i];
        ++model.plotRevisions[i];
        changed = true;
    }
    std::string note =
        measured ? run::blockName(model.block) + ": the record sweeps of the last Adjust run"
                 : NoSweepsNote;
    if (note != model.note) {
        model.note = std::move(note);
        changed = true;
    }
    if (changed) model.changes.mark(Area::Window);
}

}  // namespace rf::results

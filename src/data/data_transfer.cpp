#include "data/data_transfer.h"

#include <string>
#include <vector>

#include "core/delimited.h"

namespace rf::data {

using link::AdjMode;
using link::LevelKind;
using link::RecKind;
using platform::Answer;
using run::ProgramItem;

namespace {

// The item's texts: its title in the window and its caption, as the
// operation log's transfer records name it.
struct ItemTexts {
    const char* title;
    const char* name;
};
ItemTexts textsOf(ProgramItem item) {
    switch (item) {
        case ProgramItem::DownLoad:
            return {"DownLoad.", "Data DownLoad"};
        case ProgramItem::UpLoad:
            return {"UpLoad.", "Data UpLoad"};
        default:
            return {"Init UpLoad.", "Data Initialize"};
    }
}

// What an upload or an initialisation is about to write, as the journal's
// writes: all of it, so that a transfer cut short can be completed.
std::vector<run::JournalWrite> transferWrites(const BlockTable& AdjTarget,
                                              const AdjustmentTables& tables, ProgramItem item) {
    using Item = run::JournalWrite::Item;
    const bool init = item == ProgramItem::Initialize;
    std::vector<run::JournalWrite> out;
    forEachBlock([&](int d, int f, int r, int c, int k, int h) {
        if (!AdjTarget(d, f, r, c, k, h)) return;
        const BlockSel b{static_cast<std::int16_t>(f), static_cast<std::int16_t>(r),
                         static_cast<std::int16_t>(c), static_cast<std::int16_t>(k),
                         static_cast<std::int16_t>(h)};
        if (d == dir::Playback) {
            const auto row = (init ? tables.PbIniData : tables.PbDataRead).row(f, r, c, k, h);
            const std::vector<std::int16_t> values(row.begin(), row.end());
            out.push_back({Item::LevelRf, tables.AreaNo, b, values, init});
            out.push_back({Item::LevelEq200, tables.AreaNo, b, values});
        } else {
            const auto row = (init ? tables.RecIniData : tables.RecDataRead).row(f, r, c, k, h);
            const std::vector<std::int16_t> values(row.begin(), row.end());
            out.push_back({Item::RecCurr, tables.AreaNo, b, values});
            out.push_back({Item::RecFreq, tables.AreaNo, b, values});
        }
    });
    return out;
}

}  // namespace

void DataTransfer::addBlockSteps(std::vector<Step>& steps, ProgramItem item, int d,
                                 const BlockSel& b) {
    link::Rs& rs = ctx_.rs;
    AdjustmentTables& tables = ctx_.tables;
    auto pb = [b](PbTable& t) {
        return t.row(b.SFmt, b.SRpm, b.SHeadCate, b.SHeadKind, b.SHeadCh);
    };
    auto rec = [b](RecTable& t) {
        return t.row(b.SFmt, b.SRpm, b.SHeadCate, b.SHeadKind, b.SHeadCh);
    };
    auto readLevel = [&rs, &tables, b, pb](LevelKind kind) -> Step {
        return
            [&rs, &tables, b, pb, kind] { rs.LevelRead(b, kind).applyTo(pb(tables.PbDataRead)); };
    };
    auto setLevel = [&rs, b, pb](PbTable& from, LevelKind kind) -> Step {
        return [&rs, &from, b, pb, kind] { rs.LevelSet(b, kind, pb(from)); };
    };
    auto readRec = [&rs, &tables, b, rec](RecKind kind) -> Step {
        return [&rs, &tables, b, rec, kind] {
            const auto values = rs.RecValueRead(b, kind);
            const std::size_t first = kind == RecKind::Curr ? 0 : 2;
            rec(tables.RecDataRead)[first] = values[0];
            rec(tables.RecDataRead)[first + 1] = values[1];
        };
    };
    auto setRec = [&rs, b, rec](RecTable& from, RecKind kind) -> Step {
        return [&rs, &from, b, rec, kind] { rs.RecValueSet(b, kind, rec(from)); };
    };

    steps.push_back(
        [&rs, &tables, b] { rs.AdjModeSet(AdjMode::Start, 0, b.SFmt, b.SRpm, tables.AreaNo); });
    if (d == dir::Playback) {
        if (item == ProgramItem::DownLoad) {
            steps.push_back(readLevel(LevelKind::Rf));
            steps.push_back(readLevel(LevelKind::Eq200));
        } else if (item == ProgramItem::UpLoad) {
            steps.push_back(setLevel(tables.PbDataRead, LevelKind::Rf));
            steps.push_back(setLevel(tables.PbDataRead, LevelKind::Eq200));
        } else {
            steps.push_back(readLevel(LevelKind::Rf));
            steps.push_back([&tables, pb] {
                // The MAG pair the recorder holds stays; the rest goes back to the defaults.
                for (std::size_t mag : {item::MagFirst, item::MagSecond})
                    pb(tables.PbIniData)[mag] = pb(tables.PbDataRead)[mag];
            });
            steps.push_back(setLevel(tables.PbIniData, LevelKind::Rf));
            steps.push_back(setLevel(tables.PbIniData, LevelKind::Eq200));
            steps.push_back(readLevel(LevelKind::Rf));
            steps.push_back(readLevel(LevelKind::Eq200));
        }
    } else {
        if (item == ProgramItem::DownLoad) {
            steps.push_back(readRec(RecKind::Curr));
            steps.push_back(readRec(RecKind::Freq));
        } else if (item == ProgramItem::UpLoad) {
            steps.push_back(setRec(tables.RecDataRead, RecKind::Curr));
            steps.push_back(setRec(tables.RecDataRead, RecKind::Freq));
        } else {
            steps.push_back(setRec(tables.RecIniData, RecKind::Curr));
            steps.push_back(setRec(tables.RecIniData, RecKind::Freq));
            steps.push_back(readRec(RecKind::Curr));
            steps.push_back(readRec(RecKind::Freq));
        }
    }
    steps.push_back([this] { ctx_.ProgressDsp(); });
    steps.push_back([&rs] { rs.AdjModeSet(AdjMode::Stop); });
}

std::optional<DataTransfer::Ended> DataTransfer::run(ProgramItem item,
                                                     const ErrorHandler& onError) {
    platform::Dialogs& dialogs = ctx_.platform.dialogs();
    const std::string title = textsOf(item).title;
    // The operation log's records of the transfer: its start and its end, with
    // the area, the number of blocks and the commands the operator ignored.
    // A transfer the program ends in the middle of (Abort, a failed line)
    // says so as its end.
    int blocks = 0, ignored = 0;
    bool ended = false;
    auto record = [this, item](int area, int count) {
        return [this, item, area, count](const std::string& outcome) {
            ctx_.logRecord(DelimitedRecord()
                               .text(textsOf(item).name)
                               .text(area == 0 ? "User" : "Default")
                               .text(std::to_string(count) + " blocks")
                               .text(outcome));
        };
    };
    auto audit = [&](const std::string& outcome) { record(ctx_.tables.AreaNo, blocks)(outcome); };
    auto stop = [this] {
        FormInit_();
        return Flow::Finish;
    };
    std::vector<Step> steps = {
        [&] {
            if (item == ProgramItem::UpLoad && !ctx_.tables.DownLoadDone &&
                !ctx_.tables.FileLoaded &&
                ctx_.selection.AdjTargetCount != ctx_.selection.AdjDoneCount) {
                dialogs.msgBox("It can not UpLoad !", platform::Buttons::Ok, platform::Icon::None,
                               "UpLoad Prohibit");
                return stop();
            }
            return Flow::Next;
        },
        [&] {
            // A window closed before does not answer for this one.
            ctx_.tables.AreaNo = 0;
            ctx_.tables.AreaChosen = false;
            const int pressed = dialogs.choice(AreaLabel, AreaCaption, {"User", "Default"});
            if (pressed < 0) {
                ctx_.tables.AreaNo = -1;
                return stop();
            }
            ctx_.tables.AreaNo = pressed;
            ctx_.tables.AreaChosen = true;
            return Flow::Next;
        },
        [&] {
            if (dialogs.msgBox("Are you OK ?", platform::Buttons::OkCancel, platform::Icon::None,
                               title) != Answer::Ok)
                return stop();
            return Flow::Next;
        },
        [&] {
            ctx_.display.message(title + " Please wait a minite !!");
            int count = 0;
            forEachBlock([&](int d, int f, int r, int c, int k, int h) {
                if (ctx_.selection.AdjTarget(d, f, r, c, k, h)) ++count;
            });
            if (count == 0) Raise(err::DivisionByZero);
            ctx_.flags.ProgressStep = 100.0f / static_cast<float>(count);
            blocks = count;
            if (item != ProgramItem::DownLoad)
                ctx_.journal.completing(
                    transferWrites(ctx_.selection.AdjTarget, ctx_.tables, item));
            audit("started");
            ctx_.unfinished = [end = record(ctx_.tables.AreaNo, blocks)](const std::string& why) {
                end("aborted: " + why);
            };
        },
    };
    forEachBlock([&](int d, int f, int r, int c, int k, int h) {
        if (!ctx_.selection.AdjTarget(d, f, r, c, k, h)) return;
        const BlockSel b{static_cast<std::int16_t>(f), static_cast<std::int16_t>(r),
                         static_cast<std::int16_t>(c), static_cast<std::int16_t>(k),
                         static_cast<std::int16_t>(h)};
        addBlockSteps(steps, item, d, b);
    });
    steps.push_back([&] {
        ctx_.journal.settled();
        ctx_.display.message(title + " Complete !");
        ctx_.unfinished = {};
        audit(ignored == 0 ? std::string("completed")
                           : "completed, " + std::to_string(ignored) + " command(s) ignored");
        ended = true;
    });
    steps.push_back([&] {
        if (item != ProgramItem::UpLoad) ctx_.tables.DownLoadDone = true;
    });
    steps.push_back([this] { FormInit_(); });
    runSteps(steps, [&](const RfError& e, std::string_view step) {
        const ErrorChoice choice = onError(e, step);
        if (choice == ErrorChoice::Ignore) ++ignored;
        return choice;
    });
    if (!ended) return std::nullopt;
    return Ended{ignored};
}

}  // namespace rf::data

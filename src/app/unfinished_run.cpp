#include "app/unfinished_run.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "core/delimited.h"
#include "measure/tape_handling.h"

namespace rf::app {

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using run::JournalWrite;
using Item = JournalWrite::Item;

constexpr const char* Title = "Unfinished Run";

bool isLevel(Item item) {
    return item == Item::LevelRf || item == Item::LevelEq200;
}

link::LevelKind levelKind(Item item) {
    return item == Item::LevelRf ? link::LevelKind::Rf : link::LevelKind::Eq200;
}

link::RecKind recKind(Item item) {
    return item == Item::RecCurr ? link::RecKind::Curr : link::RecKind::Freq;
}

std::string describe(const JournalWrite& w) {
    static constexpr const char* names[] = {"RF", "EQ200", "current", "frequency"};
    return run::blockName(w.block) + (w.block.SHeadCh == 0 ? ",L " : ",R ") +
           names[static_cast<int>(w.item)];
}

// Sends one write, the MAG pair of an initialisation taken from the recorder.
void send(link::Rs& rs, JournalWrite& w) {
    if (isLevel(w.item)) {
        std::array<std::int16_t, link::LevelItems> items{};
        std::copy_n(w.values.begin(), std::min(w.values.size(), items.size()), items.begin());
        if (w.keepsRecorderMag) {
            const auto mag = rs.LevelRead(w.block, link::LevelKind::Rf).items;
            for (std::size_t at : {item::MagFirst, item::MagSecond})
                items[at] = w.values[at] = mag[at];
        }
        rs.LevelSet(w.block, levelKind(w.item), items);
    } else {
        std::array<std::int16_t, link::RecItems> items{};
        std::copy_n(w.values.begin(), std::min(w.values.size(), items.size()), items.begin());
        rs.RecValueSet(w.block, recKind(w.item), items);
    }
}

// Whether the recorder gives back what was written.
bool readsBack(link::Rs& rs, const JournalWrite& w) {
    if (isLevel(w.item)) {
        const auto kind = levelKind(w.item);
        const auto read = rs.LevelRead(w.block, kind).items;
        const auto [first, last] = link::LevelBlock::itemRange(kind);
        for (std::size_t i = first; i <= last; ++i)
            if (read[i] != w.values[i]) return false;
        return true;
    }
    const auto read = rs.RecValueRead(w.block, recKind(w.item));
    const std::size_t first = w.item == Item::RecCurr ? 0 : 2;
    return read[0] == w.values[first] && read[1] == w.values[first + 1];
}

// Writes each in the adjustment mode of its format, speed and area, reads
// every one back, and leaves adjustment mode. Every write is tried; the
// first link error is raised at the end. Returns the writes that did not
// read back as written.
std::vector<std::string> writeAndVerify(link::Rs& rs, std::vector<JournalWrite> writes) {
    run::PutBackWrites attempt;
    std::vector<std::string> differ;
    for (std::size_t from = 0; from < writes.size();) {
        const JournalWrite& head = writes[from];
        std::size_t to = from;
        while (to < writes.size() && writes[to].area == head.area &&
               writes[to].block.SFmt == head.block.SFmt && writes[to].block.SRpm == head.block.SRpm)
            ++to;
        attempt([&] {
            rs.AdjModeSet(link::AdjMode::Start, 0, head.block.SFmt, head.block.SRpm, head.area);
        });
        for (std::size_t i = from; i < to; ++i)
            attempt([&] { send(rs, writes[i]); });
        for (std::size_t i = from; i < to; ++i)
            attempt([&] {
                if (!readsBack(rs, writes[i])) differ.push_back(describe(writes[i]));
            });
        attempt([&] { rs.AdjModeSet(link::AdjMode::Stop); });
        from = to;
    }
    attempt.raiseFirstFailure();
    return differ;
}

// The values found, written where the interrupted store wrote: a store
// changes the stored area too, which must not keep half of the values chosen.
std::vector<JournalWrite> foundWhereWritten(const run::UnfinishedRun& run) {
    std::vector<JournalWrite> out = run.putBack;
    for (JournalWrite& w : out)
        for (const JournalWrite& c : run.completion)
            if (c.item == w.item && c.block == w.block) w.area = std::max(w.area, c.area);
    return out;
}

// Sets the journal aside under another name, so that it neither stands in
// the way of the next run nor is lost.
std::string setAside(const std::string& path, const char* suffix) {
    const std::string kept = path + suffix;
    std::error_code ec;
    std::filesystem::rename(path, kept, ec);
    return kept;
}

}  // namespace

void makeSafe(run::RunContext& ctx, bool adjustmentModeKnownOff) {
    if (!adjustmentModeKnownOff) ctx.rs.AdjModeSet(link::AdjMode::Stop);
    measure::TapeHandling tape(ctx);
    // A tape at rest stays; any other (a search has no status of its own) is stopped.
    const std::string status = tape.readStatus();
    for (const char* still : {"STOP", "EJECT", "STBOF"})
        if (status == still) return;
    tape.transportOnStopPath(link::Transport::Stop);
}

void dealWithUnfinishedRun(run::RunContext& ctx) {
    auto& dialogs = ctx.platform.dialogs();
    const std::string path = ctx.journal.path();
    auto log = [&](std::string what, std::string outcome) {
        ctx.logRecord(DelimitedRecord().text("Put back").text(what).text(outcome));
    };

    std::optional<run::UnfinishedRun> run;
    try {
        run = run::Journal::read(path);
    } catch (const RfError& e) {
        const std::string kept = setAside(path, ".unreadable");
        ctx.logRecord(DelimitedRecord().text("Unfinished run").text(e.detail()).text(kept));
        makeSafe(ctx, false);
        dialogs.msgBox("The journal of an unfinished run cannot be read (" + e.detail() +
                           "); it is kept as " + kept +
                           ". The recorder is out of adjustment mode and its tape stopped: "
                           "check its adjustment values before it is used.",
                       Buttons::Ok, Icon::Exclamation, Title);
        return;
    }
    if (!run) return;

    const std::string which = run->programme + ", " + run->started;
    ctx.logRecord(DelimitedRecord().text("Unfinished run").text(run->programme).text(run->started));
    const run::JournalRecorder here{ctx.recorder.VtrId, ctx.recorder.VtrInduce,
                                    ctx.recorder.SysconVer};
    if (run->recorder != here) {
        const std::string kept = setAside(path, ".other");
        log("unfinished " + run->programme + " run of " + run->recorder.id + run->recorder.induce,
            "not this recorder: kept as " + kept);
        dialogs.msgBox("The last run (" + which + ") did not end, on the recorder " +
                           run->recorder.id + run->recorder.induce + " (" + run->recorder.syscon +
                           "). This recorder is " + here.id + here.induce + " (" + here.syscon +
                           "): nothing is put back into it. The journal is "
                           "kept as " +
                           kept + ".",
                       Buttons::Ok, Icon::Exclamation, Title);
        return;
    }

    const bool found = !run->putBack.empty(), completion = !run->completion.empty();
    const std::string head = "The last run (" + which + ") did not end: the tool was ended " +
                             "while it worked with the recorder";
    std::vector<JournalWrite> writes;
    std::string what, done;
    if (!found && !completion) {
        dialogs.msgBox(head +
                           ". The recorder is taken out of adjustment mode and its tape "
                           "stopped.",
                       Buttons::Ok, Icon::Information, Title);
    } else {
        std::string question;
        if (found && completion)
            question = head +
                       ", while it stored the values chosen: the recorder may hold some "
                       "of them and the values found for the rest.\n\nYes: put the values "
                       "found back (recommended).\nNo: store the values chosen in full.";
        else if (found)
            question = head +
                       ", which may hold values of an unfinished adjustment.\n\nYes: put "
                       "the values found back (recommended).\nNo: keep the recorder as it "
                       "is.";
        else
            question = head +
                       ", which may hold part of what it wrote.\n\nYes: write it in full "
                       "(recommended).\nNo: keep the recorder as it is.";
        const bool yes =
            dialogs.msgBox(question, Buttons::YesNo, Icon::Question, Title) != Answer::No;
        if (found && yes) {
            writes = foundWhereWritten(*run);
            what = "values found";
        } else if (completion && (yes || found)) {
            writes = run->completion;
            what = found ? "values chosen stored" : run->programme + " written in full";
        } else {
            log("unfinished " + run->programme + " run", "kept as it is at the operator's answer");
        }
    }

    try {
        makeSafe(ctx, false);
        const std::vector<std::string> differ = writeAndVerify(ctx.rs, writes);
        if (!differ.empty()) {
            std::string list;
            for (const std::string& d : differ)
                list += (list.empty() ? "" : "; ") + d;
            Raise(err::NotReached, "read back otherwise: " + list);
        }
        if (!writes.empty()) {
            log("unfinished " + run->programme + " run: " + what,
                "done, " + std::to_string(writes.size()) + " writes read back");
            dialogs.msgBox("The recorder holds the " + what + " (" + std::to_string(writes.size()) +
                               " writes, each read back and verified).",
                           Buttons::Ok, Icon::Information, Title);
        }
    } catch (const RfError& e) {
        const std::string reason = e.detail().empty() ? errorText(e) : e.detail();
        log("unfinished " + run->programme + " run" + (what.empty() ? "" : ": " + what),
            "failed: " + reason);
        dialogs.msgBox("The recorder could not be put right after the unfinished run (" + reason +
                           "). It may hold values of that run: check them before it is used. "
                           "The journal is kept: Program Reset tries again.",
                       Buttons::Ok, Icon::Exclamation, "Put Back");
        return;
    }
    run::Journal::remove(path);
}

}  // namespace rf::app

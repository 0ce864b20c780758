#include "shell/run_control.h"

#include <utility>

namespace rf::shell {

using platform::Answer;
using run::menuPlace;
using run::ProgramItem;

ErrorChoice RunControl::onError(const RfError& error, ErrorScope scope) {
    // A failed line has had its own box: the work only unwinds, and the end
    // at the top puts the recorder back and makes it safe.
    if (ctx_.lineFailed()) return ErrorChoice::Abort;
    const std::string text = errorText(error);
    const Answer answer = ctx_.platform.dialogs().msgBox(text, platform::Buttons::AbortRetryIgnore,
                                                         platform::Icon::Critical, "ERROR Message");
    ctx_.logAnswer(text, answer);
    if (ctx_.lineFailed()) return ErrorChoice::Abort;  // it failed while the box was up
    if (answer == Answer::Abort || scope == ErrorScope::Main)
        ctx_.putRecorderBack();
    else
        ctx_.putBack = {};  // the sequence goes on with what it has written
    if (const auto failure = std::exchange(ctx_.putBackFailure, std::nullopt)) {
        // Said aloud: the recorder may hold values of the unfinished adjustment.
        ctx_.platform.dialogs().msgBox(
            "The values found could not all be put back (" + *failure +
                "). The recorder may hold values of the unfinished adjustment: check them "
                "before it is used.",
            platform::Buttons::Ok, platform::Icon::Exclamation, "Put Back");
        const std::string reason = "put back failed: " + *failure;
        markIncomplete(reason, reason, scope);
    }
    if (answer == Answer::Retry) return ErrorChoice::Retry;
    if (answer == Answer::Ignore) {
        // The programme is left where the error struck: the run did not
        // reach its end, and every place that shows it says so.
        if (scope == ErrorScope::Main) {
            markIncomplete(text + " (" + running_ + ")", text, scope);
            // Nor is its tape left running where the programme left it.
            host_.makeRecorderSafe();
        }
        return ErrorChoice::Ignore;
    }
    ctx_.recordUnfinished(text);
    // Also after a put-back that failed: what still answers is made safe.
    host_.makeRecorderSafe();
    host_.endProgram(text);
    return ErrorChoice::Abort;
}

void RunControl::markIncomplete(const std::string& reason, const std::string& cause,
                                ErrorScope scope) {
    if (incomplete_) return;
    incomplete_ = reason;
    if (scope == ErrorScope::Main)
        ctx_.logRecord(DelimitedRecord().text("Run incomplete").text(running_).text(cause));
}

void RunControl::trap(const std::vector<Step>& steps, ErrorScope scope) {
    // However the steps end, the run's journal ends with them: removed, or
    // kept for the next start when a block's values could not be put back.
    struct EndJournal {
        run::Journal& journal;
        ~EndJournal() { journal.end(); }
    } endJournal{ctx_.journal};
    runSteps(steps,
             [this, scope](const RfError& e, std::string_view) { return onError(e, scope); });
}

void RunControl::beginJournal(const std::string& programme) {
    const auto now = ctx_.platform.now();
    ctx_.journal.begin(programme, run::logDate(now) + " " + run::logTime(now),
                       {ctx_.recorder.VtrId, ctx_.recorder.VtrInduce, ctx_.recorder.SysconVer});
}

bool RunControl::putBackOwed() {
    if (!ctx_.journal.owed()) return false;
    ctx_.platform.dialogs().msgBox(
        "The values found of an unfinished run could not be put back into the recorder (" +
            ctx_.journal.path() +
            "). Nothing else is sent to it until they are: choose Program Reset to put them "
            "back.",
        platform::Buttons::Ok, platform::Icon::Exclamation, "Put Back");
    return true;
}

bool RunControl::recorderSupported() {
    if (ctx_.recorder.VtrSupported) return true;
    const std::string id =
        ctx_.recorder.VtrId.empty() ? "nothing" : "\"" + ctx_.recorder.VtrId + "\"";
    ctx_.platform.dialogs().msgBox(
        "The recorder was not identified as a QT7310, QT7320 or QT7330 (it answered " + id +
            "). Nothing is sent to it: check the recorder and its software, then choose "
            "Program Reset.",
        platform::Buttons::Ok, platform::Icon::Exclamation, "VTR Check");
    return false;
}

void RunControl::MenuPrgSelect_Click(ProgramItem PrgItem) {
    const bool toRecorder = PrgItem == ProgramItem::Start || PrgItem == ProgramItem::DownLoad ||
                            PrgItem == ProgramItem::UpLoad || PrgItem == ProgramItem::Initialize;
    if (toRecorder && (!recorderSupported() || putBackOwed())) return;
    switch (PrgItem) {
        case ProgramItem::Adjust:
        case ProgramItem::ErrorRate: {
            MainWindowModel& m = form_.edit(Area::Menus);
            m.prgItem(ProgramItem::Adjust).checked = PrgItem == ProgramItem::Adjust;
            m.prgItem(ProgramItem::ErrorRate).checked = PrgItem == ProgramItem::ErrorRate;
            break;
        }
        case ProgramItem::Start:
            start();
            break;
        case ProgramItem::Irq:
            ctx_.flags.IrqReq = true;
            break;
        case ProgramItem::Stop:
            ctx_.flags.stop.request();
            // Said at once: the programme may take seconds to reach its own
            // stop path, and its messages clear the message line meanwhile.
            form_.edit(Area::Status).StopNotice =
                form_.model().prgItem(ProgramItem::Adjust).checked
                    ? "Stopping: the step in progress ends, the values found are put back, the "
                      "tape stops and is ejected"
                    : "Stopping: the step in progress ends, the tape stops and is ejected";
            break;
        case ProgramItem::DownLoad:
        case ProgramItem::UpLoad:
        case ProgramItem::Initialize:
            trap({[&] {
                form_.MenuCtrl(MenuMode::AllOff);
                form_.TabCtrl(TabMode::Off);
                beginJournal(PrgItem == ProgramItem::DownLoad ? "Data DownLoad"
                             : PrgItem == ProgramItem::UpLoad ? "Data UpLoad"
                                                              : "Data Initialize");
                if (programmes_.DataTransfer)
                    programmes_.DataTransfer(PrgItem);
                else
                    form_.FormInit();
            }});
            break;
        case ProgramItem::Reset:
            restart();
            break;
        case ProgramItem::End:
            trap({[&] { host_.endProgram(std::nullopt); }});
            break;
    }
}

void RunControl::start() {
    const MainWindowModel& m = form_.model();
    // A programme main runs while nothing has asked to stop; Retry runs it
    // anew, and every start, a Retry's too, begins with STOP available (an
    // error may have come while a main had it disabled).
    auto run = [this](const std::function<void()>& main, const bool& flag,
                      const char* name) -> Step {
        return [this, main = &main, flag = &flag, name] {
            if (!*flag || ctx_.stopRequested() || !*main) return;
            form_.enable(ProgramItem::Stop, true);
            running_ = name;
            (*main)();
        };
    };
    incomplete_.reset();
    ctx_.rates.keptThisRun.clear();  // the verdict judges this run alone
    const std::vector<Step> steps = {
        [&] {
            const bool all = m.PartAdjCheck[menuPlace(PartAdj::All)].value,
                       pb = m.PartAdjCheck[menuPlace(PartAdj::Pb)].value;
            const bool withPb = all || pb,
                       withRec = all || (!pb && m.PartAdjCheck[menuPlace(PartAdj::Rec)].value);
            if (m.prgItem(ProgramItem::Adjust).checked) {
                ctx_.flags.PbAdjRun = withPb;
                ctx_.flags.RecAdjRun = withRec;
            } else if (m.prgItem(ProgramItem::ErrorRate).checked) {
                ctx_.flags.PbMeasRun = withPb;
                ctx_.flags.RecMeasRun = withRec;
            }
        },
        [&] {
            ctx_.flags.PbStepCount = ctx_.flags.RecStepCount = 0;
            forEachHeadBlock([this](int f, int r, int c, int k) {
                if (ctx_.selection.AdjSel(dir::Playback, f, r, c, k, 0))
                    ctx_.flags.PbStepCount += 1;
                if (ctx_.selection.AdjSel(dir::Record, f, r, c, k, 0)) ctx_.flags.RecStepCount += 1;
            });
            if (ctx_.flags.PbStepCount == 0) ctx_.flags.PbAdjRun = ctx_.flags.PbMeasRun = false;
            if (ctx_.flags.RecStepCount == 0) ctx_.flags.RecAdjRun = ctx_.flags.RecMeasRun = false;
            if (ctx_.flags.PbStepCount == 0 && ctx_.flags.RecStepCount == 0) {
                form_.FormInit();
                return Flow::Finish;
            }
            return Flow::Next;
        },
        [&] {
            if (!ctx_.tables.FileLoaded) return;
            const Answer a = ctx_.platform.dialogs().msgBox(
                "Does it clear load data ?", platform::Buttons::YesNo, platform::Icon::Question,
                "Load Data Clear");
            if (a == Answer::Yes) {
                DataInit(ctx_.tables, ctx_.rates);
                ctx_.tables.FileLoaded = false;
            }
        },
        [&] {
            form_.MenuCtrl(MenuMode::Off);
            form_.TabCtrl(TabMode::Off);
            std::string answer =
                ctx_.platform.dialogs().inputBox("Please input VTR Serial No or Manufact No !",
                                                 "VTR No Input", ctx_.recorder.VtrSerialNo);
            if (answer.empty()) {
                form_.FormInit();
                return Flow::Finish;
            }
            ctx_.recorder.VtrSerialNo = answer;
            ctx_.recorder.VtrName = ctx_.recorder.nameWithSerial();
            form_.setCaption("RF ADJUST TOOL : " + ctx_.recorder.VtrName);
            return Flow::Next;
        },
        [&] {
            // Said before the first step: a record block judged through
            // playback heads this session has not adjusted may fail for that.
            if (m.prgItem(ProgramItem::Adjust).checked && ctx_.flags.RecAdjRun)
                if (const std::string note =
                        recordWithoutPlaybackWarning(ctx_.selection, ctx_.flags.PbAdjRun);
                    !note.empty())
                    form_.logLine("Note: " + note);  // the window's logger alone
            beginJournal(m.prgItem(ProgramItem::Adjust).checked ? "Adjust" : "Error Rate");
            ctx_.timeline.begin(ctx_.clock.now());
            if (programmes_.RunBegins) programmes_.RunBegins();
        },
        [&] {
            const bool adjust = m.prgItem(ProgramItem::Adjust).checked;
            if (adjust && (ctx_.flags.PbAdjRun || ctx_.flags.RecAdjRun) && programmes_.AdjustBegins)
                programmes_.AdjustBegins();
        },
        run(programmes_.PbAdjustMain, ctx_.flags.PbAdjRun, "Play Adjust"),
        run(programmes_.RecAdjustMain, ctx_.flags.RecAdjRun, "Rec Adjust"),
        [&] {
            const bool adjust = m.prgItem(ProgramItem::Adjust).checked;
            if (adjust && (ctx_.flags.PbAdjRun || ctx_.flags.RecAdjRun) && programmes_.AdjustReport)
                programmes_.AdjustReport(ctx_.stopRequested());
        },
        run(programmes_.PbMeasureMain, ctx_.flags.PbMeasRun, "Play Measure"),
        run(programmes_.RecMeasureMain, ctx_.flags.RecMeasRun, "Rec Measure"),
        [&] {
            ctx_.timeline.end(ctx_.clock.now());
            lastRun_ = run::Outcome{.stopped = ctx_.stopRequested(), .incomplete = incomplete_};
            if (programmes_.RunEnds) programmes_.RunEnds(*lastRun_);
            // The results come up as after a finished run only after one.
            if (!lastRun_->completed()) return;
            if (programmes_.ShowErrorResult) programmes_.ShowErrorResult();
            ctx_.selection.AdjDoneCount = static_cast<int>(ctx_.selection.AdjDone.count(true));
        },
        [&] { form_.FormInit(); },
    };
    trap(steps, ErrorScope::Main);
}

void RunControl::restart() {
    const std::vector<Step> steps = {
        [&] {
            ctx_.log.writeDateLine(ctx_.platform.now());
            ctx_.log.close();
        },
        [&] {
            host_.closePort();
            form_.setVisible(false);
        },
        [&] {
            // Either answer restarts: the box only holds the restart until
            // the operator is ready.
            ctx_.platform.dialogs().msgBox("ReStart OK ?", platform::Buttons::OkCancel,
                                           platform::Icon::None, "RESTART");
        },
        [&] {
            DataInit(ctx_.tables, ctx_.rates);
            form_.LpOtherInit();
        },
        [&] {
            host_.openPort();
            ctx_.log.open(ctx_.platform.now());
        },
        [&] {
            ctx_.flags.FormInitDone = false;
            form_.setVisible(true);
            host_.formActivate();
        },
    };
    trap(steps);
}

}  // namespace rf::shell

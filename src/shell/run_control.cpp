#include "shell/run_control.h"

namespace rf::shell {

using platform::Answer;

ErrorChoice RunControl::onError(const RfError& error) {
    Shared& s = form_.shared();
    s.ErrMsgText = linkErrorText(error.number());
    const Answer answer =
        form_.platform().dialogs().msgBox(s.ErrMsgText, platform::Buttons::AbortRetryIgnore,
                                          platform::Icon::Critical, "ERROR Message");
    s.MsgAnswer = static_cast<int>(answer);
    if (answer == Answer::Retry) return ErrorChoice::Retry;
    if (answer == Answer::Ignore) return ErrorChoice::Ignore;
    host_.endProgram(s.ErrMsgText);
    return ErrorChoice::Abort;
}

void RunControl::trap(const std::vector<Step>& steps) {
    runSteps(steps, [this](const RfError& e, std::size_t) { return onError(e); });
}

void RunControl::MenuPrgSelect_Click(int PrgItem) {
    Shared& s = form_.shared();
    auto& items = form_.model().MenuPrg.items;
    switch (PrgItem) {
        case prg::Adjust:
            items[prg::Adjust].checked = true;
            items[prg::ErrorRate].checked = false;
            break;
        case prg::ErrorRate:
            items[prg::Adjust].checked = false;
            items[prg::ErrorRate].checked = true;
            break;
        case prg::Start:
            start();
            break;
        case prg::Irq:
            s.IrqReq = true;
            break;
        case prg::Stop:
            s.StopReq = true;
            break;
        case prg::DownLoad:
        case prg::UpLoad:
        case prg::Initialize:
            trap({[&] {
                form_.MenuCtrl(MenuMode::AllOff);
                form_.TabCtrl(TabMode::Off);
                if (programmes_.DataTransfer)
                    programmes_.DataTransfer(PrgItem);
                else
                    form_.FormInit();
            }});
            break;
        case prg::Reset:
            restart();
            break;
        case prg::End:
            trap({[&] { host_.endProgram(std::nullopt); }});
            break;
        default:
            break;
    }
}

void RunControl::start() {
    Shared& s = form_.shared();
    MainWindowModel& m = form_.model();
    // A programme main runs while nothing has asked to stop; Retry runs it
    // anew, and every start, a Retry's too, begins with STOP available (an
    // error may have come while a main had it disabled).
    auto run = [this, &s](const std::function<void()>& main, const bool& flag) -> Step {
        return [this, &s, main = &main, flag = &flag] {
            if (!*flag || s.StopReq || !*main) return;
            form_.prgItem(prg::Stop).enabled = true;
            (*main)();
        };
    };
    const std::vector<Step> steps = {
        [&] {
            const bool all = m.PartAdjCheck[0].value, pb = m.PartAdjCheck[1].value;
            const bool withPb = all || pb, withRec = all || (!pb && m.PartAdjCheck[2].value);
            if (m.MenuPrg.items[prg::Adjust].checked) {
                s.PbAdjRun = withPb;
                s.RecAdjRun = withRec;
            } else if (m.MenuPrg.items[prg::ErrorRate].checked) {
                s.PbMeasRun = withPb;
                s.RecMeasRun = withRec;
            }
        },
        [&] {
            s.PbStepCount = s.RecStepCount = 0;
            for (int f = 0; f <= 7; ++f)
                for (int r = 0; r <= 6; ++r)
                    for (int c = 0; c <= 1; ++c)
                        for (int k = 0; k <= 3; ++k) {
                            if (s.AdjSel(dir::Playback, f, r, c, k, 0)) s.PbStepCount += 1;
                            if (s.AdjSel(dir::Record, f, r, c, k, 0)) s.RecStepCount += 1;
                        }
            if (s.PbStepCount == 0) s.PbAdjRun = s.PbMeasRun = false;
            if (s.RecStepCount == 0) s.RecAdjRun = s.RecMeasRun = false;
            if (s.PbStepCount == 0 && s.RecStepCount == 0) {
                form_.FormInit();
                throw StepsDone{};
            }
        },
        [&] {
            if (!s.FileLoaded) return;
            const Answer a = form_.platform().dialogs().msgBox(
                "Does it clear load data ?", platform::Buttons::YesNo, platform::Icon::Question,
                "Load Data Clear");
            if (a == Answer::Yes) {
                form_.DataInit();
                s.FileLoaded = false;
            }
        },
        [&] {
            form_.MenuCtrl(MenuMode::Off);
            form_.TabCtrl(TabMode::Off);
            std::string answer = form_.platform().dialogs().inputBox(
                "Please input VTR Serial No or Manufact No !", "VTR No Input", s.VtrSerialNo);
            if (answer.empty()) {
                form_.FormInit();
                throw StepsDone{};
            }
            s.VtrSerialNo = answer;
            s.VtrName = s.VtrId + s.VtrInduce + "_" + s.VtrSerialNo;
            m.caption = "RF ADJUST TOOL : " + s.VtrName;
        },
        run(programmes_.PbAdjustMain, s.PbAdjRun),
        run(programmes_.RecAdjustMain, s.RecAdjRun),
        run(programmes_.PbMeasureMain, s.PbMeasRun),
        run(programmes_.RecMeasureMain, s.RecMeasRun),
        [&] {
            if (s.StopReq) return;
            if (programmes_.ShowErrorResult) programmes_.ShowErrorResult();
            s.AdjDoneCount = static_cast<int>(s.AdjDone.count(true));
        },
        [&] { form_.FormInit(); },
    };
    trap(steps);
}

void RunControl::restart() {
    Shared& s = form_.shared();
    const std::vector<Step> steps = {
        [&] {
            form_.log().writeDateLine(form_.platform().now());
            form_.log().close();
        },
        [&] {
            host_.closePort();
            form_.model().visible = false;
        },
        [&] {
            s.MsgAnswer = static_cast<int>(form_.platform().dialogs().msgBox(
                "ReStart OK ?", platform::Buttons::OkCancel, platform::Icon::None, "RESTART"));
        },
        [&] {
            form_.DataInit();
            form_.LpOtherInit();
        },
        [&] {
            host_.openPort();
            form_.log().open(form_.platform().now());
        },
        [&] {
            s.FormInitDone = false;
            form_.model().visible = true;
            host_.formActivate();
        },
    };
    trap(steps);
}

}  // namespace rf::shell

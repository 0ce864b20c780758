#include "app/connection.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "app/unfinished_run.h"
#include "measure/tape_handling.h"

namespace rf::app {

namespace {
bool isSupportedModel(const std::string& id) {
    for (const char* model : {"7310", "7320", "7330"})
        if (id.find(model) != std::string::npos) return true;
    return false;
}
}  // namespace

std::string induceCode(const std::string& answer) {
    std::string upper = answer;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const std::string padded = "   " + upper;
    return padded.substr(padded.size() - 3);
}

void Connection::nameRecorder() {
    Shared& s = ctx_.shared;
    if (s.VtrSerialNo.empty()) s.VtrSerialNo = s.SysconVer;
    s.VtrName = s.VtrId + s.VtrInduce + "_" + s.VtrSerialNo;
    form_.setCaption("RF ADJUST TOOL : " + s.VtrName);
}

void Connection::Form_Activate() {
    Shared& s = ctx_.shared;
    auto& dialogs = ctx_.platform.dialogs();
    // Steps whose read error is no fault: an older recorder has neither
    // version text nor induce code to give.
    static constexpr std::string_view ReadVersion = "read the version",
                                      ReadInduce = "read the induce code";
    std::optional<std::string> induceToSend;  // asked of the operator, not yet sent
    const std::vector<Step> steps = {
        [&] {
            if (s.FormInitDone) return;
            s.FormInitDone = true;
            form_.FormInit();
        },
        [&] {
            // Remote mode, the message blinking while the recorder is in local.
            while ((s.VtrStatus = rs_.RemoteCheck()) != "REMOTE") {
                if (s.StopReq) throw StepsDone{};  // the window is being closed
                dialogs.beep();
                form_.message("Please Set REMOTE !!");
                form_.messageColour(colors::Red);
                rs_.link().RsWait(2000);
                form_.message("");
                rs_.link().RsWait(1000);
            }
        },
        [&] {
            form_.message("Please Select MENU !!");
            form_.messageColour(colors::Black);
        },
        [&] {
            s.VtrSupported = false;
            s.VtrId = rs_.IdRead();
            if (!isSupportedModel(s.VtrId)) Raise(err::DifferentProgram);
        },
        [&] {
            const int fr = rs_.FrRead();
            if (s.VtrId.find("7310") != std::string::npos && fr == 0) {
                dialogs.msgBox("SYSCON software version is not higher than 1.12 !",
                               platform::Buttons::Ok, platform::Icon::None, "ERROR Message");
                Raise(err::DifferentProgram);
            }
            s.VtrSupported = isSupportedModel(s.VtrId);
        },
        {ReadVersion, [&] { s.SysconVer = rs_.SqRead(); }},
        {ReadInduce, [&] { s.VtrInduce = rs_.InduceRead(); }},
        [&] {
            if (s.VtrInduce != "   ") return;
            std::string answer;
            do {
                answer = dialogs.inputBox("Please input VTR Induce !(3 Charactor)", "VTR Induce",
                                          s.VtrInduce);
            } while (!answer.empty() && answer.size() > 3);
            s.VtrInduce = induceCode(answer);
            induceToSend = s.VtrInduce;
        },
        // "$DI" is a step of its own, so that Retry after a failed write sends
        // the code again instead of finding it stored and passing on.
        [&] {
            if (!induceToSend) return;
            rs_.InduceSet(*induceToSend);
            induceToSend.reset();
        },
        [&] { nameRecorder(); },
        // A run the tool did not end is put right before anything else.
        [&] {
            if (s.VtrSupported) dealWithUnfinishedRun(ctx_);
        },
        [&] { rs_.TransportCtrl(link::Transport::TcSel); },
        [&] {
            s.VtrStatus = rs_.StatusRead();
            if (s.VtrStatus == "EJECT") return;
            if (s.VtrStatus == "REC") {
                do {
                    rs_.TransportCtrl(link::Transport::Stop);
                    s.VtrStatus = rs_.StatusRead();
                } while (s.VtrStatus != "STOP");
            }
            do {
                rs_.TransportCtrl(link::Transport::Eject);
                s.VtrStatus = rs_.StatusRead();
            } while (s.VtrStatus != "EJECT");
        },
        [&] { form_.status("EJECT"); },
        [&] {
            form_.timeCode({"**", "**", "**", "**"});
            form_.remain({"**", "**", "**"});
            form_.channelLabels({"**", "**", "**", "**"});
            form_.errorBars({});
        },
    };
    runSteps(steps, [&](const RfError& e, std::string_view step) {
        if (e.number() == err::ErrReceive && step == ReadVersion) {
            s.SysconVer = "---------";
            return ErrorChoice::Ignore;
        }
        if (e.number() == err::ErrReceive && step == ReadInduce) {
            s.VtrInduce = "   ";
            return ErrorChoice::Ignore;
        }
        // Otherwise the same choice as in a programme: Abort logs and ends.
        return run_.onError(e);
    });
}

void Connection::SetInduce() {
    Shared& s = ctx_.shared;
    std::string answer;
    do {
        answer = ctx_.platform.dialogs().inputBox("Please input VTR Induce !(3 Charactor)",
                                                  "VTR Induce", s.VtrInduce);
    } while (answer.size() > 3);
    if (answer.empty()) return;
    s.VtrInduce = induceCode(answer);
    // A link failure here gets the same choice as in a programme.
    const std::vector<Step> steps = {[&] { rs_.InduceSet(s.VtrInduce); }, [&] { nameRecorder(); }};
    runSteps(steps, [&](const RfError& e, std::string_view) { return run_.onError(e); });
}

void Connection::stopAndEject() {
    Shared& s = ctx_.shared;
    s.VtrStatus = rs_.StatusRead();
    if (s.VtrStatus == "EJECT") return;
    // Bounded in time as the programmes' waits that STOP cannot end are, so a
    // transport that never gets there cannot keep the window open.
    measure::TapeHandling tape(ctx_);
    if (s.VtrStatus == "REC") tape.transportUntil(link::Transport::Stop, false);
    tape.transportUntil(link::Transport::Eject, false);
}

void Connection::Form_QueryUnload() {
    Shared& s = ctx_.shared;
    std::optional<std::string> failure;
    try {
        if (s.AdjModeOn || s.RecModeOn) rs_.AdjModeSet(link::AdjMode::Stop);
        stopAndEject();
    } catch (const RfError& e) {
        failure = errorText(e);
    }
    host_.endProgram(failure);
}

}  // namespace rf::app

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
    if (ctx_.recorder.VtrSerialNo.empty()) ctx_.recorder.VtrSerialNo = ctx_.recorder.SysconVer;
    ctx_.recorder.VtrName = ctx_.recorder.nameWithSerial();
    form_.setCaption("RF ADJUST TOOL : " + ctx_.recorder.VtrName);
}

void Connection::Form_Activate() {
    auto& dialogs = ctx_.platform.dialogs();
    // Steps whose read error is no fault: an older recorder has neither
    // version text nor induce code to give.
    static constexpr std::string_view ReadVersion = "read the version",
                                      ReadInduce = "read the induce code";
    std::optional<std::string> induceToSend;  // asked of the operator, not yet sent
    const std::vector<Step> steps = {
        [&] {
            if (ctx_.flags.FormInitDone) return;
            ctx_.flags.FormInitDone = true;
            form_.FormInit();
        },
        [&] {
            // Remote mode, the message blinking while the recorder is in local.
            while ((ctx_.recorder.VtrStatus = rs_.RemoteCheck()) != "REMOTE") {
                if (ctx_.stopRequested()) return Flow::Finish;  // the window is being closed
                dialogs.beep();
                form_.message("Please Set REMOTE !!");
                form_.messageColour(colors::Red);
                rs_.link().RsWait(2000);
                form_.message("");
                rs_.link().RsWait(1000);
            }
            return Flow::Next;
        },
        [&] {
            form_.message("Please Select MENU !!");
            form_.messageColour(colors::Black);
        },
        [&] {
            ctx_.recorder.VtrSupported = false;
            ctx_.recorder.VtrId = rs_.IdRead();
            if (!isSupportedModel(ctx_.recorder.VtrId)) Raise(err::DifferentProgram);
        },
        [&] {
            const int fr = rs_.FrRead();
            if (ctx_.recorder.VtrId.find("7310") != std::string::npos && fr == 0) {
                dialogs.msgBox("SYSCON software version is not higher than 1.12 !",
                               platform::Buttons::Ok, platform::Icon::None, "ERROR Message");
                Raise(err::DifferentProgram);
            }
            ctx_.recorder.VtrSupported = isSupportedModel(ctx_.recorder.VtrId);
        },
        {ReadVersion, [&] { ctx_.recorder.SysconVer = rs_.SqRead(); }},
        {ReadInduce, [&] { ctx_.recorder.VtrInduce = rs_.InduceRead(); }},
        [&] {
            if (ctx_.recorder.VtrInduce != "   ") return;
            std::string answer;
            do {
                answer = dialogs.inputBox("Please input VTR Induce !(3 Charactor)", "VTR Induce",
                                          ctx_.recorder.VtrInduce);
            } while (!answer.empty() && answer.size() > 3);
            ctx_.recorder.VtrInduce = induceCode(answer);
            induceToSend = ctx_.recorder.VtrInduce;
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
            if (ctx_.recorder.VtrSupported) dealWithUnfinishedRun(ctx_);
        },
        [&] { rs_.TransportCtrl(link::Transport::TcSel); },
        [&] {
            ctx_.recorder.VtrStatus = rs_.StatusRead();
            if (ctx_.recorder.VtrStatus == "EJECT") return;
            if (ctx_.recorder.VtrStatus == "REC") {
                do {
                    rs_.TransportCtrl(link::Transport::Stop);
                    ctx_.recorder.VtrStatus = rs_.StatusRead();
                } while (ctx_.recorder.VtrStatus != "STOP");
            }
            do {
                rs_.TransportCtrl(link::Transport::Eject);
                ctx_.recorder.VtrStatus = rs_.StatusRead();
            } while (ctx_.recorder.VtrStatus != "EJECT");
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
            ctx_.recorder.SysconVer = "---------";
            return ErrorChoice::Ignore;
        }
        if (e.number() == err::ErrReceive && step == ReadInduce) {
            ctx_.recorder.VtrInduce = "   ";
            return ErrorChoice::Ignore;
        }
        // Otherwise the same choice as in a programme: Abort logs and ends.
        return run_.onError(e);
    });
}

void Connection::SetInduce() {
    std::string answer;
    do {
        answer = ctx_.platform.dialogs().inputBox("Please input VTR Induce !(3 Charactor)",
                                                  "VTR Induce", ctx_.recorder.VtrInduce);
    } while (answer.size() > 3);
    if (answer.empty()) return;
    ctx_.recorder.VtrInduce = induceCode(answer);
    // A link failure here gets the same choice as in a programme.
    const std::vector<Step> steps = {[&] { rs_.InduceSet(ctx_.recorder.VtrInduce); },
                                     [&] { nameRecorder(); }};
    runSteps(steps, [&](const RfError& e, std::string_view) { return run_.onError(e); });
}

void Connection::stopAndEject() {
    ctx_.recorder.VtrStatus = rs_.StatusRead();
    if (ctx_.recorder.VtrStatus == "EJECT") return;
    // Bounded in time as the programmes' waits that STOP cannot end are, so a
    // transport that never gets there cannot keep the window open.
    measure::TapeHandling tape(ctx_);
    if (ctx_.recorder.VtrStatus == "REC") tape.transportOnStopPath(link::Transport::Stop);
    tape.transportOnStopPath(link::Transport::Eject);
}

void Connection::Form_QueryUnload() {
    std::optional<std::string> failure;
    try {
        if (ctx_.recorder.AdjModeOn || ctx_.recorder.RecModeOn) rs_.AdjModeSet(link::AdjMode::Stop);
        stopAndEject();
    } catch (const RfError& e) {
        failure = errorText(e);
    }
    host_.endProgram(failure);
}

}  // namespace rf::app

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/tool.h"
#include "platform/virtual/virtual_platform.h"
#include "sim/recorder.h"
#include "sim/sim_peer.h"
#include "temp_dir.h"

namespace rf::test {

using namespace std::chrono_literals;

inline const std::string GoodRsSet = "1,\"9600\",\"N\",\"8\",\"1\"\r\n";
inline const std::string InducePrompt = "Please input VTR Induce !(3 Charactor)";

// The whole tool in a fresh working directory with its two settings files, on
// the virtual platform, with the simulated recorder at the end of the line.
struct ToolRig {
    explicit ToolRig(sim::RecorderConfig config = {})
        : recorder(std::move(config)), peer(recorder, platform) {
        writeFile("DVTRRF.DAT", "10,20,30\r\n");
        writeFile("RSSET.DAT", GoodRsSet);
        platform.setPeer(&peer);
    }

    platform::virt::ScriptedDialogs& dialogs() { return platform.dialogs(); }
    platform::virt::Micros now() { return platform.scheduler().now(); }
    void wait(platform::virt::Micros d) { platform.scheduler().runUntil(now() + d); }
    // Runs a virtual-time action at `at` (an operator's click, a tape put in).
    void at(platform::virt::Micros when, std::function<void()> action) {
        platform.scheduler().at(when, std::move(action));
    }

    // Starts the tool as an operator would, answering the induce question
    // the simulated recorder (which has no induce code yet) leads to.
    bool startUp(const std::string& induce = "xyz") {
        dialogs().expectInput(InducePrompt, induce);
        return tool.Main();
    }

    TempWorkDir dir;
    platform::virt::VirtualPlatform platform;
    sim::Recorder recorder;
    sim::SimPeer peer;
    app::Tool tool{platform};
};

// The frames the tool wrote from the `from`-th record of the line on, as their
// texts (without STX and ETX).
inline std::vector<std::string> sent(ToolRig& rig, std::size_t from = 0) {
    std::vector<std::string> out;
    const auto& wire = rig.platform.wire();
    for (std::size_t i = from; i < wire.size(); ++i)
        if (wire[i].dir == platform::virt::WireRecord::Dir::ToPeer)
            out.push_back(wire[i].bytes.substr(1, wire[i].bytes.size() - 2));
    return out;
}

// Calls `inject` once, the first time `when` holds, looking every 5 ms of
// virtual time.
inline void onceWhen(ToolRig& rig, std::function<bool()> when, std::function<void()> inject) {
    rig.at(rig.now() + 5ms, [&rig, when, inject] {
        if (when())
            inject();
        else
            onceWhen(rig, when, inject);
    });
}

// An Error Rate run of the first two HDLP playback blocks.
inline void errorRateRun(app::Tool& tool) {
    using shell::CheckBoxId;
    tool.choose(run::ProgramItem::ErrorRate);
    tool.partAdjCheck(1);
    for (CheckBoxId box : {CheckBoxId::PbLp2, CheckBoxId::PbLp3, CheckBoxId::PbLp4,
                           CheckBoxId::PbSp, CheckBoxId::PbPro, CheckBoxId::PbDv})
        tool.checkBox(box);
    tool.choose(run::ProgramItem::Start);
}

// Every box from now on answered: a YesNo one `answer`, any other Ok.
inline void answerEveryBox(ToolRig& rig, platform::Answer answer) {
    rig.dialogs().setFallback([answer](const platform::virt::DialogRecord& shown) {
        auto r = shown;
        r.answer = shown.buttons == platform::Buttons::YesNo ? answer : platform::Answer::Ok;
        return r;
    });
}

// The tool killed where it stands: nothing of its own runs after it.
struct Killed {};

// Kills the rig's tool the first time `when` holds, keeping the journal then on
// the disk in `journal` (the unwinding that follows is no part of a kill).
inline void killWhen(ToolRig& rig, std::function<bool()> when, std::string& journal) {
    onceWhen(rig, std::move(when), [&journal] {
        journal = readFile(run::JournalFileName);
        throw Killed{};
    });
}

// A second tool started on the rig's line and working directory after a kill
// that left `journal`, its boxes answered as answerEveryBox does. True when it started.
inline bool startAfterKill(ToolRig& rig, app::Tool& next, const std::string& journal,
                           platform::Answer answer) {
    rig.tool.closePort();
    writeFile(run::JournalFileName, journal);
    answerEveryBox(rig, answer);
    return next.Main();
}

}  // namespace rf::test

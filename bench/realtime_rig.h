#pragma once

// The benchmarks' rigs: the whole tool in real time on the Qt platform,
// talking over a pseudo-terminal to vtrsim, with its dialogs answered by a
// script; the same tool in virtual time against the same simulated recorder;
// and the runs both make, as an operator would.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/tool.h"
#include "core/errors.h"
#include "demo/demo.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/tapped_port.h"
#include "platform/virtual/virtual_platform.h"
#include "platform/waits.h"
#include "sim/recorder.h"
#include "sim/sim_peer.h"
#include "temp_dir.h"
#include "vtrsim_process.h"

namespace rf::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The recorder both rigs talk to: seed 1, QT7310, induce code DMO, the tape
// changer on, 9600 baud. vtrsim is started with the options that make it.
inline sim::RecorderConfig recorderConfig() {
    return sim::builtInRecorderConfig();
}
inline const QStringList VtrsimOptions = {"--changer", "--induce", "DMO"};

// Recorder time that passes before the tool starts: the changer has put the
// first tape in (3 s) and threaded it (2 s), so the tool finds the same
// recorder in both rigs whatever vtrsim took to come up.
inline constexpr std::chrono::seconds StartDelay{6};

// The port name RSSET.DAT gives; the real rig registers it with its platform.
inline constexpr const char* PortName = "VTRSIM";

// One Start of a programme on one block, or one upload.
enum class Run { ErrorRatePb, ErrorRateRec, AdjustPb, AdjustRec, Upload };
inline constexpr Run AllRuns[] = {Run::ErrorRatePb, Run::ErrorRateRec, Run::AdjustPb,
                                  Run::AdjustRec, Run::Upload};

inline const char* runName(Run r) {
    static const char* names[] = {"error_rate_pb", "error_rate_rec", "adjust_pb", "adjust_rec",
                                  "upload"};
    return names[static_cast<int>(r)];
}
inline const char* programmeName(Run r) {
    switch (r) {
        case Run::ErrorRatePb:
        case Run::ErrorRateRec:
            return "error_rate";
        case Run::AdjustPb:
        case Run::AdjustRec:
            return "adjust";
        case Run::Upload:
            break;
    }
    return "upload";
}

// Makes one run as an operator would: the programme, its block (the MAGVEX
// HDLP Conf playback block alone, or the HDLP record block), Start; or File >
// Load of the data file and "Data UpLoad". False when the tool ended instead.
inline bool makeRun(app::Tool& tool, Run r) {
    using run::ProgramItem;
    try {
        if (r == Run::Upload) {
            tool.menuFile(1);
            if (!tool.tables().FileLoaded) return false;
            tool.choose(ProgramItem::UpLoad);
            return !tool.ended();
        }
        const bool adjust = r == Run::AdjustPb || r == Run::AdjustRec;
        tool.choose(adjust ? ProgramItem::Adjust : ProgramItem::ErrorRate);
        if (r == Run::ErrorRatePb || r == Run::AdjustPb) {
            tool.partAdjCheck(1);  // every playback block, then all but the first off
            using shell::CheckBoxId;
            for (CheckBoxId box :
                 {CheckBoxId::PbLp1, CheckBoxId::PbLp2, CheckBoxId::PbLp3, CheckBoxId::PbLp4,
                  CheckBoxId::PbSp, CheckBoxId::PbPro, CheckBoxId::PbDv})
                tool.checkBox(box);
        } else {
            tool.partAdjCheck(2);
        }
        tool.choose(ProgramItem::Start);
        return !tool.ended();
    } catch (const ProgramEnd&) {
        return false;
    }
}

// What the tool sent and when its replies came, in seconds from the start of
// the rig's clock: one entry for each frame written.
struct Exchange {
    std::string frame;
    double sentAt = 0;
    double repliedAt = -1;  // the last arrival before the next frame; -1 for none
};
using Trace = std::vector<Exchange>;

// The two settings files, the line on `port`.
inline void writeSettings(const std::string& port) {
    test::writeFile("DVTRRF.DAT", "10,20,30\r\n");
    test::writeFile("RSSET.DAT", "\"" + port + "\",\"9600\",\"N\",\"8\",\"1\"\r\n");
}

// The files every run needs in the working directory: the two settings files
// naming PortName, and a data file for the upload, saved by an unattended
// Adjust run on every block of the same recorder in virtual time (File >
// Save). Returns the data file's path.
inline std::string writeWorkFiles() {
    const fs::path data = fs::current_path() / "upload.dst";
    writeSettings(PortName);
    test::TempWorkDir scratch;
    writeSettings("SIM");  // the demo runs on the built-in recorder
    std::ostringstream out, err;
    if (demo::runDemo("adjust", out, err, data.string()) != 0)
        throw std::runtime_error("no data file for the upload: " + err.str());
    return data.string();
}

// The answers of the unattended operator: the data file in a file dialog,
// the default everywhere else.
inline platform::virt::DialogRecord answer(const platform::virt::DialogRecord& d,
                                           const std::string& dataFile) {
    // A file that is not there is not offered again: the dialog is cancelled.
    return demo::unattendedAnswer(d, {}, fs::exists(dataFile) ? dataFile : std::string{});
}

// The whole tool on the Qt platform in a fresh working directory, its port on
// vtrsim's pseudo-terminal. A QApplication must exist first.
class RealTimeRig {
  public:
    // With a trace, every frame and arrival on the line is written into it.
    explicit RealTimeRig(Trace* trace = nullptr) {
        platform_.useDialogs(dialogs_);
        dialogs_.setFallback(
            [this](const platform::virt::DialogRecord& d) { return answer(d, dataFile_); });
        platform_.registerPort(PortName, [this, trace](platform::Platform& p) {
            // With a trace, every frame written and every arrival read goes into it.
            platform::TappedPort::Taps taps;
            if (trace) {
                taps.written = [this, trace](std::string_view bytes) {
                    trace->push_back({std::string(bytes), seconds()});
                };
                taps.read = [this, trace](const std::string&) {
                    if (!trace->empty()) trace->back().repliedAt = seconds();
                };
            }
            return std::make_unique<platform::TappedPort>(
                std::make_unique<platform::qt::QtSerialPort>(p, link_.string()), std::move(taps));
        });
        tool_ = std::make_unique<app::Tool>(platform_);
    }

    // Waits for vtrsim to serve and for StartDelay of its time, then starts
    // the tool (the connection check). False, with the reason, when either fails.
    bool start(std::string& why) {
        if (!vtrsim_.serving()) {
            why = "vtrsim does not serve: " + vtrsim_.output;
            return false;
        }
        // vtrsim starts its recorder just after it makes the link, which
        // serving() has seen within the last 10 ms.
        std::this_thread::sleep_for(StartDelay);
        started_ = Clock::now();
        try {
            if (tool_->Main() && !tool_->ended()) return true;
        } catch (const ProgramEnd&) {
        }
        why = "the tool did not start: " + demo::lastErrorShown(dialogs_);
        return false;
    }

    // Seconds since the tool was started.
    double seconds() const {
        return std::chrono::duration<double>(Clock::now() - started_).count();
    }
    // Lets the tool wait, its events running, for `ms` milliseconds.
    void idle(int ms) {
        bool fired = false;
        platform::WaitTimer(platform_, fired).pause(ms);
    }

    app::Tool& tool() { return *tool_; }
    platform::qt::QtPlatform& platform() { return platform_; }
    test::Vtrsim& vtrsim() { return vtrsim_; }
    std::string why() const { return demo::lastErrorShown(dialogs_); }

  private:
    test::TempWorkDir dir_;
    const std::string dataFile_ = writeWorkFiles();
    const fs::path link_ = dir_.path() / "vtr";
    test::Vtrsim vtrsim_{link_, VtrsimOptions};
    Clock::time_point started_ = Clock::now();
    platform::qt::QtPlatform platform_{"rfadjust-bench-" + std::to_string(::getpid()) + ".lock"};
    platform::virt::ScriptedDialogs dialogs_{
        [this] {
            return std::chrono::duration_cast<platform::virt::Micros>(Clock::now() - started_);
        },
        [this](platform::virt::Micros d) { idle(static_cast<int>(d.count() / 1000)); }};
    std::unique_ptr<app::Tool> tool_;
};

// The same tool in virtual time against the same recorder, in a fresh working
// directory; the recorder's clock is the platform's.
class VirtualRig {
  public:
    VirtualRig() {
        platform_.setPeer(&peer_);
        platform_.dialogs().setFallback(
            [this](const platform::virt::DialogRecord& d) { return answer(d, dataFile_); });
        platform_.scheduler().runUntil(StartDelay);
    }

    bool start(std::string& why) {
        try {
            if (tool_.Main() && !tool_.ended()) return true;
        } catch (const ProgramEnd&) {
        }
        why = "the tool did not start: " + demo::lastErrorShown(platform_.dialogs());
        return false;
    }
    // Recorder seconds since the tool was started.
    double seconds() const {
        return std::chrono::duration<double>(platform_.elapsed() - StartDelay).count();
    }
    // The line so far as a trace: each frame the tool wrote, and the last
    // arrival after it.
    Trace trace() const {
        Trace t;
        using Dir = platform::virt::WireRecord::Dir;
        for (const auto& w : platform_.wire()) {
            const double at = std::chrono::duration<double>(w.at - StartDelay).count();
            if (w.dir == Dir::ToPeer)
                t.push_back({w.bytes, at});
            else if (!t.empty())
                t.back().repliedAt = at;
        }
        return t;
    }

    app::Tool& tool() { return tool_; }
    platform::virt::VirtualPlatform& platform() { return platform_; }
    std::string why() { return demo::lastErrorShown(platform_.dialogs()); }

  private:
    test::TempWorkDir dir_;
    const std::string dataFile_ = writeWorkFiles();
    platform::virt::VirtualPlatform platform_;
    sim::Recorder recorder_{recorderConfig()};
    sim::SimPeer peer_{recorder_, platform_};
    app::Tool tool_{platform_};
};

}  // namespace rf::bench

#include "demo/rehearsal.h"

#include <stdlib.h>

#include <charconv>
#include <filesystem>
#include <fstream>

#include "demo/demo.h"
#include "platform/virtual/virtual_platform.h"
#include "sim/recorder.h"
#include "sim/sim_peer.h"

namespace rf::demo {

namespace {

namespace fs = std::filesystem;

// A directory of the rehearsal's own, removed with it.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "rfadjust-rehearsal-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

bool writeSettings(const fs::path& dir, const StartupSettings& s) {
    std::ofstream dvtrRf(dir / app::DvtrRfFile, std::ios::binary);
    dvtrRf << s.DvtrRf[0] << ',' << s.DvtrRf[1] << ',' << s.DvtrRf[2] << "\r\n";
    std::ofstream rsSet(dir / app::RsSetFile, std::ios::binary);
    const auto quoted = [](const std::string& field) { return '"' + field + '"'; };
    rsSet << quoted("SIM") << ',' << quoted(s.RsBaud) << ',' << quoted(s.RsParity) << ','
          << quoted(s.RsDataBit) << ',' << quoted(s.RsStopBit) << "\r\n";
    return dvtrRf.good() && rsSet.good();
}

int baudOf(const std::string& text) {
    int baud = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), baud);
    return ec == std::errc{} && baud > 0 ? baud : 9600;
}

}  // namespace

std::optional<run::RunPlan> rehearse(const app::RunRehearsal& run) {
    const ScratchDir dir;
    if (dir.path().empty() || !writeSettings(dir.path(), run.settings)) return std::nullopt;

    sim::RecorderConfig config = sim::builtInRecorderConfig();
    config.id = run.recorder.VtrId;
    if (!run.recorder.SysconVer.empty()) config.sysconVersion = run.recorder.SysconVer;
    const bool induced = run.recorder.VtrInduce.find_first_not_of(' ') != std::string::npos;
    if (induced) config.induce = run.recorder.VtrInduce;
    config.baud = baudOf(run.settings.RsBaud);

    platform::virt::VirtualPlatform platform;
    sim::Recorder recorder(config);
    sim::SimPeer peer(recorder, platform);
    platform.setPeer(&peer);
    platform.dialogs().setFallback(
        [&](const platform::virt::DialogRecord& d) { return unattendedAnswer(d, config.induce); });
    try {
        app::Tool tool(platform, dir.path());
        if (!tool.Main()) return std::nullopt;
        tool.choose(run.adjust ? run::ProgramItem::Adjust : run::ProgramItem::ErrorRate);
        tool.partAdjCheck(run.part);
        tool.selection() = run.selection;
        tool.tables() = run.tables;
        tool.choose(run::ProgramItem::Start);
        const run::RunTimeline& timeline = tool.context().timeline;
        const auto length = timeline.length();
        const auto& lastRun = tool.runControl().lastRun();
        if (tool.ended() || !length || !lastRun || !lastRun->completed()) return std::nullopt;
        run::RunPlan plan{timeline.marks(), *length};
        tool.endProgram();
        return plan;
    } catch (const ProgramEnd&) {
        return std::nullopt;
    } catch (const RfError&) {
        return std::nullopt;
    }
}

}  // namespace rf::demo

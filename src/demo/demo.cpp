#include "demo/demo.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "app/settings.h"
#include "app/tool.h"
#include "core/delimited.h"
#include "demo/adjust_summary.h"
#include "platform/virtual/virtual_platform.h"
#include "report/report_pdf.h"
#include "run/outcome.h"
#include "sim/recorder.h"
#include "sim/sim_peer.h"

namespace rf::demo {

namespace {

using app::readRsSet;
using app::RsSetFile;
using app::RsSettings;
using app::Tool;
using platform::Answer;
using platform::Buttons;
using platform::virt::DialogRecord;

std::string hms(std::chrono::microseconds t) {
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(t).count();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    return buf;
}

}  // namespace

// File > Load of the data file, then "Data UpLoad" to the "User" area.
static int uploadFile(Tool& tool, const platform::virt::ScriptedDialogs& dialogs,
                      const std::string& dataFile, std::ostream& out, std::ostream& err) {
    tool.menuFile(1);
    if (!tool.tables().FileLoaded) {
        err << "rfadjust: " << dataFile << " could not be loaded: "
            << (std::filesystem::exists(dataFile) ? lastErrorShown(dialogs) : "There is no file.")
            << '\n';
        tool.endProgram();
        return 1;
    }
    tool.choose(run::ProgramItem::UpLoad);
    if (tool.ended()) {
        err << "rfadjust: the upload did not complete: " << lastErrorShown(dialogs) << '\n';
        return 1;
    }
    out << "UpLoad of " << dataFile << " (" << tool.recorder().VtrName
        << ") to the simulated recorder, " << tool.selection().AdjTargetCount << " blocks\n";
    tool.endProgram();
    return 0;
}

DialogRecord unattendedAnswer(const DialogRecord& shown, const std::string& induce,
                              const std::string& dataFile) {
    DialogRecord d = shown;
    if (d.kind == DialogRecord::Kind::FileSave || d.kind == DialogRecord::Kind::FileOpen ||
        d.kind == DialogRecord::Kind::Choice) {
        d.answerText = d.kind == DialogRecord::Kind::Choice ? d.defaultText : dataFile;
        return d;
    }
    if (d.kind == DialogRecord::Kind::InputBox) {
        if (d.text == "Please input VTR Serial No or Manufact No !")
            d.answerText = "DEMO0001";
        else if (!induce.empty() && d.text == "Please input VTR Induce !(3 Charactor)")
            d.answerText = induce;
        else
            d.answerText = d.defaultText;
        return d;
    }
    switch (d.buttons) {
        case Buttons::Ok:
        case Buttons::OkCancel:
            d.answer = Answer::Ok;
            break;
        case Buttons::YesNo:
            d.answer = Answer::Yes;
            break;
        case Buttons::AbortRetryIgnore:
            d.answer = Answer::Abort;
            break;
    }
    return d;
}

std::optional<std::string> simulatorRefusal() {
    try {
        const RsSettings settings = readRsSet(RsSetFile);
        if (settings.port.name == "SIM") return std::nullopt;
        return std::string("rfadjust: the demo runs only on the simulated recorder, but ") +
               RsSetFile + " names the port \"" + settings.port.name +
               "\"; put \"SIM\" in its port field.";
    } catch (const RfError& e) {
        return std::string("rfadjust: ") + RsSetFile + ": " + e.what();
    }
}

platform::DateTime localNow() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string lastErrorShown(const platform::virt::ScriptedDialogs& dialogs) {
    const auto& shown = dialogs.shown();
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
        if (it->title == "ERROR Message" || it->title == "RS232-C Communication Error")
            return it->text;
    return "the program ended";
}

int runDemo(const std::string& programme, std::ostream& out, std::ostream& err,
            const std::string& dataFile) {
    if (programme != "error-rate" && programme != "adjust" &&
        !(programme == "upload" && !dataFile.empty())) {
        err << "rfadjust: unknown demo \"" << programme << "\" (error-rate, adjust or upload)\n";
        return 2;
    }
    if (const auto refusal = simulatorRefusal()) {
        err << *refusal << '\n';
        return 2;
    }
    platform::virt::VirtualPlatform platform(localNow());
    sim::Recorder recorder(sim::builtInRecorderConfig());
    sim::SimPeer peer(recorder, platform);
    platform.setPeer(&peer);
    // A file dialog is answered with the data file once: shown again (the
    // file was not there), it is cancelled.
    platform.dialogs().setFallback([&dataFile, files = 0](const DialogRecord& d) mutable {
        const bool file =
            d.kind == DialogRecord::Kind::FileSave || d.kind == DialogRecord::Kind::FileOpen;
        return unattendedAnswer(d, {}, file && files++ > 0 ? std::string{} : dataFile);
    });
    Tool tool(platform);
    tool.setReportWriter(report::writePdf);
    const auto wallStart = std::chrono::steady_clock::now();

    auto reason = [&] { return lastErrorShown(platform.dialogs()); };
    try {
        if (!tool.Main()) {
            err << "rfadjust: the demo could not start: " << reason() << '\n';
            return 1;
        }
        if (programme == "upload") return uploadFile(tool, platform.dialogs(), dataFile, out, err);
        if (programme == "error-rate") tool.choose(run::ProgramItem::ErrorRate);
        tool.partAdjCheck(0);
        tool.choose(run::ProgramItem::Start);
        if (!dataFile.empty() && !tool.ended()) tool.menuFile(0);
        if (tool.ended()) {
            err << "rfadjust: the run did not complete: " << reason() << '\n';
            return 1;
        }
    } catch (const ProgramEnd&) {
        err << "rfadjust: the run did not complete: " << reason() << '\n';
        return 1;
    }
    const auto wall = std::chrono::steady_clock::now() - wallStart;
    out << (programme == "error-rate" ? "Error Rate" : "Adjust") << " programme on "
        << tool.recorder().VtrName << " (simulated recorder), all blocks\n";
    if (programme == "adjust")
        adjustSummary(tool.tables(), tool.rates(), tool.adjustRecord(), recorder.signal(), out);
    else
        errorRateSummary(tool.rates(), out);
    out << "Recorder time " << hms(platform.elapsed()) << ", computed in "
        << std::chrono::duration_cast<std::chrono::milliseconds>(wall).count() << " ms\n";
    out << "Operation log: " << tool.settings().AdjLogFile << '\n';
    if (programme == "adjust")
        out << "Report: " << (tool.lastReport().empty() ? "not written" : tool.lastReport())
            << '\n';
    if (!dataFile.empty()) out << "Data file: " << dataFile << '\n';
    // The last line says how the run ended, as the report's "Run" row does.
    const auto& lastRun = tool.runControl().lastRun();
    const std::string outcome = lastRun ? run::outcomeLine(*lastRun) : "Run not started";
    out << outcome << '\n';
    // The verdict the window showed: one line, with every failing item.
    if (lastRun) out << "Verdict: " << tool.verdictWindow().verdict.line() << '\n';
    tool.endProgram();
    if (lastRun && lastRun->completed()) return 0;
    err << "rfadjust: the run did not complete: " << outcome << '\n';
    return 1;
}

}  // namespace rf::demo

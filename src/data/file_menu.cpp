#include "data/file_menu.h"

#include <cctype>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/files.h"
#include "data/data_file.h"

namespace rf::data {

using platform::Answer;
using platform::Buttons;
using platform::FileDialog;
using platform::Icon;

namespace {

bool existsWithData(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return !ec && size > 0;
}

// The name of the file when `path` names one of the tool's own files (its
// settings, its log, its history files), which a save must never replace.
std::optional<std::string> toolsOwnFile(const std::string& path, const StartupSettings& settings) {
    const auto upper = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    // By the name chosen and by the file a link there names.
    for (const std::string& chosen : {path, linkTarget(path)}) {
        const std::string name = std::filesystem::path(chosen).filename().string();
        for (const std::string& own :
             {std::string("DVTRRF.DAT"), std::string("RSSET.DAT"), settings.ErrDataFile,
              settings.EvrDataFile, settings.AdjLogFile, std::string(run::JournalFileName)}) {
            const std::string ownName = std::filesystem::path(own).filename().string();
            if (upper(name) == upper(ownName)) return ownName;
        }
    }
    return std::nullopt;
}

}  // namespace

void FileMenu::MenuFileSelect_Click(int index) {
    if (index == menuIndex(run::FileItem::Save)) save();
    if (index == menuIndex(run::FileItem::Load)) load();
}

ErrorChoice FileMenu::onError(const RfError& error) {
    // The existence tests ask the file system and raise nothing, so a 53 here
    // is a file that exists and could not be opened: reported like the rest.
    // Either way the file and the reason follow on a second line: a save may
    // have written some of its three files.
    std::string text = error.number() == err::PermissionDenied ? "File Not Write !"
                                                               : otherErrorText(error.number());
    if (!error.detail().empty()) text += "\n" + error.detail();
    const Answer answer = ctx_.platform.dialogs().msgBox(text, Buttons::AbortRetryIgnore,
                                                         Icon::Critical, "ERROR Message");
    ctx_.logAnswer(text, answer);
    if (answer == Answer::Retry) return ErrorChoice::Retry;
    // Ignore gives the command up: the steps stop, and the window, idle
    // before the command, stays idle.
    if (answer == Answer::Abort) hooks_.endProgram(text);
    return ErrorChoice::Abort;
}

void FileMenu::save() {
    platform::Dialogs& dialogs = ctx_.platform.dialogs();
    std::string path;
    SaveTexts texts;
    platform::DateTime at = ctx_.platform.now();
    std::vector<Step> steps = {
        [&] {
            if (!ctx_.tables.DownLoadDone && !ctx_.tables.FileLoaded &&
                ctx_.selection.AdjTargetCount != ctx_.selection.AdjDoneCount) {
                dialogs.msgBox(
                    "It can not save !\nNo run has completed the selected blocks, and no "
                    "adjustment data was downloaded or loaded: complete a run of the selected "
                    "blocks, download the data from the recorder (Program, Data DownLoad) or "
                    "load a data file (File, Load).",
                    Buttons::Ok, Icon::None, "Save Prohibit");
                return Flow::Finish;
            }
            return Flow::Next;
        },
        [&] {
            const std::string answer =
                dialogs.inputBox("Please input VTR Serial No or Manufact No !", "VTR No Input",
                                 ctx_.recorder.VtrSerialNo);
            if (answer.empty()) return Flow::Finish;
            ctx_.recorder.VtrSerialNo = answer;
            ctx_.recorder.VtrName = ctx_.recorder.nameWithSerial();
            hooks_.setCaption("RF ADJUST TOOL : " + ctx_.recorder.VtrName);
            return Flow::Next;
        },
        [&] {
            // The name as a file name: the version that stands in for a serial
            // number ends in a blank, which a file name should not.
            std::string name = ctx_.recorder.VtrName;
            name.erase(name.find_last_not_of(' ') + 1);
            for (;;) {
                path =
                    dialogs.fileDialog(FileDialog::Save, "Data File | *.dst;*.dat", name + ".dst");
                if (path.empty()) return Flow::Finish;
                if (const auto own = toolsOwnFile(path, settings_)) {
                    dialogs.msgBox(*own +
                                       " is a file of this tool and cannot be overwritten. "
                                       "Please choose another name !",
                                   Buttons::Ok, Icon::Exclamation, "Save Prohibit");
                    continue;
                }
                if (!existsWithData(path)) return Flow::Next;
                if (dialogs.msgBox("There is same file. Are you OK ?", Buttons::YesNo,
                                   Icon::Question, "Same File") == Answer::Yes)
                    return Flow::Next;
            }
        },
        [&] {
            // Both history files' headers carry the same moment.
            at = ctx_.platform.now();
            texts = saveTexts(ctx_.rates, ctx_.tables, ctx_.selection.AdjTarget,
                              ctx_.recorder.VtrName, at);
        },
        [&] { replaceFile(path, texts.dataFile); },
        [&] { appendFile(settings_.ErrDataFile, texts.errHistory); },
        [&] { appendFile(settings_.EvrDataFile, texts.evrHistory); },
    };
    runCommand("File Save", steps, at);
}

void FileMenu::runCommand(const std::string& programme, std::vector<Step> steps,
                          const platform::DateTime& at) {
    bool end = false, givenUp = false;
    steps.push_back([&end] { end = true; });
    runSteps(steps, [&](const RfError& e, std::string_view) {
        const ErrorChoice choice = onError(e);
        givenUp = givenUp || choice == ErrorChoice::Ignore;
        return choice;
    });
    if (end && !givenUp && hooks_.done) hooks_.done(programme, at);
}

void FileMenu::load() {
    platform::Dialogs& dialogs = ctx_.platform.dialogs();
    std::string path;
    platform::DateTime at = ctx_.platform.now();
    std::vector<Step> steps = {
        [&] {
            for (;;) {
                path = dialogs.fileDialog(FileDialog::Open, "Data File | *.dst", "");
                if (path.empty()) return Flow::Finish;
                if (existsWithData(path)) return Flow::Next;
                dialogs.msgBox("There is no file.", Buttons::Ok, Icon::Question, "Not File");
            }
        },
        [&] {
            at = ctx_.platform.now();
            const LoadedHeader header =
                loadDataFile(path, ctx_.selection.AdjTarget, ctx_.rates, ctx_.tables);
            ctx_.recorder.VtrName = header.VtrName;
            ctx_.LogDsp(header.date + header.time + header.VtrName + "Load !");
            hooks_.setCaption("RF ADJUST TOOL : " + ctx_.recorder.VtrName);
        },
        [&] {
            ctx_.tables.FileLoaded = true;
            hooks_.FormInit();
        },
    };
    runCommand("File Load", steps, at);
}

}  // namespace rf::data

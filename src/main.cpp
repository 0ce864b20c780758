// rfadjust: the operator's RF adjustment tool.
#include <QApplication>
#include <QFont>

#include "app/tool.h"
#include "core/errors.h"
#include "core/steps.h"
#include "platform/qt/qt_platform.h"

namespace {

// Asks the recorder on the line who it is and whether it is in remote mode, and
// tells the operator; a link error offers Abort, Retry and Ignore.
void identifyRecorder(rf::app::Tool& tool) {
    using rf::platform::Answer;
    auto& s = tool.shared();
    auto& rs = tool.rs();
    std::string mode;
    const std::vector<rf::Step> steps = {
        [&] { s.VtrStatus = mode = rs.RemoteCheck(); },
        [&] { s.VtrId = rs.IdRead(); },
    };
    const auto outcome = rf::runSteps(steps, [&](const rf::RfError& e, std::size_t) {
        s.ErrMsgText = rf::linkErrorText(e.number());
        Answer answer =
            tool.platform().dialogs().msgBox(s.ErrMsgText, rf::platform::Buttons::AbortRetryIgnore,
                                             rf::platform::Icon::Critical, "ERROR Message");
        if (answer == Answer::Retry) return rf::ErrorChoice::Retry;
        if (answer == Answer::Ignore) return rf::ErrorChoice::Ignore;
        tool.endProgram(s.ErrMsgText);
        return rf::ErrorChoice::Abort;
    });
    if (outcome == rf::StepsOutcome::Aborted) return;
    tool.platform().dialogs().msgBox("Recorder on " + s.RsPortName + ": " +
                                         (s.VtrId.empty() ? "(no answer)" : s.VtrId) +
                                         (mode.empty() ? "" : ", " + mode),
                                     rf::platform::Buttons::Ok, rf::platform::Icon::Information,
                                     "RF ADJUST TOOL :QT7310/7320/7330");
    tool.endProgram();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setFont(QFont("Arial"));
    rf::platform::qt::QtPlatform platform;
    rf::app::Tool tool(platform);
    try {
        if (!tool.Main()) return 0;
        identifyRecorder(tool);
    } catch (const rf::ProgramEnd&) {
    }
    return 0;
}

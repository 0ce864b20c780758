// End signals on the whole tool on its Qt platform, against vtrsim, in real time.
#include <gtest/gtest.h>

#include <QTimer>
#include <csignal>
#include <regex>

#include "app/tool.h"
#include "demo/demo.h"
#include "platform/qt/end_signals.h"
#include "platform/qt/qt_platform.h"
#include "temp_dir.h"
#include "vtrsim_process.h"

namespace rf {

TEST(EndSignals, TwoSignalsInARunCloseTheToolAsItsWindowDoesAndTheRecorderIsPutBack) {
    test::TempWorkDir dir;
    test::Vtrsim vtrsim{dir.path() / "vtr", {"--changer", "--induce", "DMO"}};
    ASSERT_TRUE(vtrsim.serving() && vtrsim.says("type help")) << vtrsim.output;
    test::writeFile("DVTRRF.DAT", "10,20,30\r\n");
    test::writeFile("RSSET.DAT", "\"" + vtrsim.link.string() + "\",\"9600\",\"N\",\"8\",\"1\"\r\n");
    platform::qt::QtPlatform platform;  // its lock in the test's own directory
    platform::virt::ScriptedDialogs dialogs{[] { return platform::virt::Micros{0}; }, [](auto) {}};
    dialogs.setFallback([](const auto& d) { return demo::unattendedAnswer(d, {}, ""); });
    platform.useDialogs(dialogs);
    app::Tool tool(platform);
    platform::qt::EndSignals watch(platform, [&](int) { tool.closeRequested(); });
    // Once the recorder is in adjustment mode; the second must not cut the close short.
    QTimer poll;
    poll.callOnTimeout([&] {
        if (!tool.recorder().AdjModeOn) return;
        poll.stop();
        std::raise(SIGTERM);
        std::raise(SIGHUP);
    });
    try {
        ASSERT_TRUE(tool.Main());
        tool.choose(run::ProgramItem::ErrorRate);
        tool.partAdjCheck(1);  // PB
        poll.start(20);
        tool.choose(run::ProgramItem::Start);
    } catch (const ProgramEnd&) {
    }
    EXPECT_TRUE(tool.ended());
    EXPECT_EQ(vtrsim.ask("status", "status ").find("adjustment mode"), std::string::npos);
    const std::string log = test::readFile("QT7310AdjLog.txt");
    EXPECT_TRUE(std::regex_search(log, std::regex("\"[0-9-]{10}\",\"[0-9:]{8}\"\r\n$"))) << log;
}

}  // namespace rf

// The tool's runs kept as they end, on the records store a RECORDS.DAT names:
// a PostgreSQL server of the test's own, stopped for a while in the middle.
#include <gtest/gtest.h>

#include "demo/demo.h"
#include "pg_server.h"
#include "records/run_keeper.h"
#include "tool_rig.h"

namespace rf {
namespace {

using test::errorRateRun;

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(KeptRuns, EveryRunGoesInAndAStoreOutOfReachIsToldOnceAndLosesNothing) {
    test::PgServer server;
    test::ToolRig rig(sim::builtInRecorderConfig());
    test::writeFile(store::SettingsFileName, server.recordsDat());
    rig.dialogs().setFallback(
        [](const platform::virt::DialogRecord& d) { return demo::unattendedAnswer(d); });
    rig.tool.setRunKeeper(records::runKeeper(rig.tool, rig.dir.path(), "bench-1", rig.dialogs()));
    ASSERT_TRUE(rig.tool.Main());

    errorRateRun(rig.tool);
    EXPECT_EQ(rig.tool.window().RecordsNotice, "");
    server.stop();
    errorRateRun(rig.tool);
    errorRateRun(rig.tool);  // the same store, the same notice
    const std::string notice = rig.tool.window().RecordsNotice;
    EXPECT_EQ(notice.rfind("Run queued: ", 0), 0u) << notice;
    EXPECT_EQ(count(test::readFile("QT7310AdjLog.txt"), "Run queued: "), 1u);
    server.start();
    errorRateRun(rig.tool);
    EXPECT_EQ(rig.tool.window().RecordsNotice, "");

    // Every run, once, in the order made; the drum hours as the simulated
    // recorder counts them (whole hours since its start, the tape having run).
    store::RecordsStore store(server.settings(), rig.dir.path());
    const auto runs = store.recorderRuns(rig.tool.recorder().VtrName);
    std::vector<std::string> programmes;
    for (const auto& r : runs)
        programmes.push_back(r.programme);
    EXPECT_EQ(programmes, std::vector<std::string>(4, "Error Rate"));
    EXPECT_EQ(store.queuedRuns(), 0);
    const int hours = static_cast<int>(rig.recorder.drumHours(rig.now()));
    EXPECT_EQ(runs.back().drumHours, hours);
    EXPECT_EQ(runs.front().bench, "bench-1");
    EXPECT_EQ(runs.back().verdictLine, rig.tool.verdictWindow().verdict.line());
    EXPECT_EQ(runs.back().blocks, (std::vector<std::string>{"MAGVEX HDLP,18000rpm,PB,PB,Conf",
                                                            "MAGVEX HDLP,18000rpm,PB,PB,SubConf"}));
    EXPECT_EQ(runs.back().rates.size(), 24u);  // of each block three groups of four heads
}

}  // namespace
}  // namespace rf

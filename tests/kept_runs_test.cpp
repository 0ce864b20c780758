// The tool's runs kept as they end, on the records store a RECORDS.DAT names:
// a PostgreSQL server of the test's own, stopped for a while in the middle.
#include <gtest/gtest.h>

#include <algorithm>

#include "data/data_transfer.h"
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

template <typename Row>
std::vector<Row> sorted(std::vector<Row> rows) {
    std::ranges::sort(rows, [](const Row& a, const Row& b) {
        return std::tie(a.block, a.head, a.left) < std::tie(b.block, b.head, b.left) ||
               (std::tie(a.block, a.head, a.left) == std::tie(b.block, b.head, b.left) &&
                a.item < b.item);
    });
    return rows;
}

// The values the simulated recorder holds in an area for the blocks of the
// selection, as a record's rows; `found` as well when the run only read them.
std::vector<history::ValueRow> recorderValues(test::ToolRig& rig, int area, bool found) {
    std::vector<history::ValueRow> rows;
    const auto add = [&](const BlockSel& b, std::string item, std::string_view head, int v) {
        rows.push_back({run::blockName(b), std::move(item), std::string(head),
                        found ? std::optional(v) : std::nullopt, v});
    };
    forEachBlock([&](int d, int f, int r, int c, int k, int h) {
        if (!rig.tool.selection().AdjTarget(d, f, r, c, k, h)) return;
        const BlockSel b{static_cast<std::int16_t>(f), static_cast<std::int16_t>(r),
                         static_cast<std::int16_t>(c), static_cast<std::int16_t>(k), 0};
        if (d == dir::Playback) {
            const auto& items = rig.recorder.levelBlock(area, f, r, c, k, h);
            for (std::size_t i = 0; i < items.size(); ++i)
                add(b, history::levelItemName(int(i)), history::Channels[std::size_t(h)], items[i]);
        } else {
            const auto& values = rig.recorder.recValues(area, f, r, k, h);
            for (std::size_t i = 0; i < values.size(); ++i)
                add(b, history::recordItemName(int(i)), history::Heads[std::size_t(h * 2) + i % 2],
                    values[i]);
        }
    });
    return sorted(std::move(rows));
}

// A transfer keeps the values the recorder holds at its end, read from the
// simulated recorder itself; a save keeps what its history files hold, which
// a later import of those files then finds there already.
TEST(KeptRuns, TransfersKeepTheRecordersValuesAndASaveIsNotImportedAgain) {
    test::ToolRig rig;
    rig.tool.setRunKeeper(records::runKeeper(rig.tool, rig.dir.path(), "bench-1", rig.dialogs()));
    ASSERT_TRUE(rig.startUp());
    const auto transfer = [&](run::ProgramItem item) {
        rig.dialogs().expectChoice(data::AreaLabel, "User");
        rig.dialogs().expectMsgBox("Are you OK ?", platform::Answer::Ok);
        rig.tool.choose(item);
    };
    // The save asks the serial number, which the recorder's name takes on.
    const std::string unnamed = rig.tool.recorder().VtrName;
    transfer(run::ProgramItem::DownLoad);
    const int area = rig.tool.tables().AreaNo;
    const auto asFound = recorderValues(rig, area, true);
    transfer(run::ProgramItem::Initialize);
    const auto initialised = recorderValues(rig, area, false);
    rig.dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
    rig.dialogs().expectFile(platform::FileDialog::Save, "Data File | *.dst;*.dat", "r.dst");
    rig.tool.menuFile(0);
    ASSERT_EQ(rig.dialogs().pending(), 0u);

    store::RecordsStore store(rig.dir.path());
    auto runs = store.recorderRuns(unnamed);
    for (const history::RunRecord& r : store.recorderRuns(rig.tool.recorder().VtrName))
        runs.push_back(r);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].programme, "Data DownLoad");
    EXPECT_EQ(sorted(runs[0].values), asFound);
    EXPECT_EQ(runs[1].programme, "Data Initialize");
    EXPECT_EQ(sorted(runs[1].values), initialised);
    EXPECT_NE(asFound, initialised);

    // The save's record against its history files read back into a store of
    // their own; into this store they add nothing.
    const history::RunRecord& save = runs[2];
    EXPECT_EQ(save.programme, "File Save");
    const auto other = rig.dir.path() / "apart";
    std::filesystem::create_directory(other);
    store::RecordsStore apart(other);
    std::vector<history::ValueRow> values;
    std::vector<history::RateRow> rates;
    for (const auto& file : {rig.dir.path() / "QT7310Err.dat", rig.dir.path() / "QT7310Evr.dat"}) {
        const store::ImportResult again = store.importHistoryFile(file);
        EXPECT_EQ(again.added, 0) << file;
        EXPECT_EQ(again.alreadyThere, 1) << file;
        EXPECT_EQ(apart.importHistoryFile(file).added, 1) << file;
    }
    for (const history::RunRecord& r : apart.recorderRuns(save.recorder.vtrName)) {
        EXPECT_EQ(r.dateTime, save.dateTime);
        values.insert(values.end(), r.values.begin(), r.values.end());
        rates.insert(rates.end(), r.rates.begin(), r.rates.end());
    }
    EXPECT_EQ(sorted(values), sorted(save.values));
    EXPECT_EQ(rates, save.rates);
    EXPECT_EQ(store.recorderRuns(save.recorder.vtrName).size(), 1u);
}

}  // namespace
}  // namespace rf

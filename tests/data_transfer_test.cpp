#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "data/data_transfer.h"
#include "tool_rig.h"

namespace rf::data {
namespace {

using platform::Answer;
using platform::FileDialog;
using run::ProgramItem;
using test::ToolRig;

// The recorder's stored data of every block the tool transfers, in both areas.
using RecorderData = std::vector<std::vector<std::int16_t>>;

struct TransferRig : ToolRig {
    TransferRig() { EXPECT_TRUE(startUp()); }

    void transfer(ProgramItem item, const std::string& area) {
        dialogs().expectChoice(AreaLabel, area);
        dialogs().expectMsgBox("Are you OK ?", Answer::Ok);
        tool.choose(item);
    }
    RecorderData stored() {
        RecorderData out;
        for (int area = 0; area <= 1; ++area)
            forEachBlock([&](int d, int f, int r, int c, int k, int h) {
                if (!tool.selection().AdjTarget(d, f, r, c, k, h)) return;
                if (d == dir::Playback) {
                    const auto& b = recorder.levelBlock(area, f, r, c, k, h);
                    out.emplace_back(b.begin(), b.end());
                } else {
                    const auto& v = recorder.recValues(area, f, r, k, h);
                    out.emplace_back(v.begin(), v.end());
                }
            });
        return out;
    }
    // The commands sent, without their frames.
    std::vector<std::string> sent() {
        std::vector<std::string> out;
        for (const auto& w : platform.wire())
            if (w.dir == platform::virt::WireRecord::Dir::ToPeer)
                out.push_back(w.bytes.substr(1, w.bytes.size() - 2));
        return out;
    }
};

TEST(DataTransfer, DownloadSaveInitialiseLoadUploadLeavesTheRecorderAsItWas) {
    TransferRig rig;
    const RecorderData before = rig.stored();
    rig.platform.clearWire();
    rig.transfer(ProgramItem::DownLoad, "User");
    // Record blocks first, each in its own period of adjustment mode.
    const auto sent = rig.sent();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[0], "$SA:0720");
    EXPECT_EQ(sent[1].substr(0, 6), "$RR:00");
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "$ND"), rig.tool.selection().AdjTargetCount);

    rig.dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
    rig.dialogs().expectFile(FileDialog::Save, "Data File | *.dst;*.dat", "r.dst");
    rig.tool.menuFile(0);
    rig.transfer(ProgramItem::Initialize, "User");
    EXPECT_NE(rig.stored(), before);
    rig.dialogs().expectFile(FileDialog::Open, "Data File | *.dst", "r.dst");
    rig.tool.menuFile(1);
    rig.transfer(ProgramItem::UpLoad, "User");
    EXPECT_EQ(rig.stored(), before);
    EXPECT_EQ(rig.dialogs().pending(), 0u);
}

TEST(DataTransfer, InitialiseSendsTheDefaultsButKeepsTheMagPairOfAPlaybackBlock) {
    TransferRig rig;
    const sim::LevelItems found = rig.recorder.levelBlock(0, 7, 2, 1, 0, 1);
    const std::vector<std::int16_t> defaults(rig.tool.tables().PbIniData.row(7, 2, 1, 0, 1).begin(),
                                             rig.tool.tables().PbIniData.row(7, 2, 1, 0, 1).end());
    rig.transfer(ProgramItem::Initialize, "User");
    const sim::LevelItems now = rig.recorder.levelBlock(0, 7, 2, 1, 0, 1);
    for (std::size_t i = 0; i < 29; ++i)
        EXPECT_EQ(now[i], i == 2 || i == 3 ? found[i] : defaults[i]) << "item " << i;
    EXPECT_EQ(rig.tool.tables().PbDataRead(7, 2, 1, 0, 1, 2), found[2]);
    EXPECT_TRUE(rig.tool.tables().DownLoadDone);
}

// Killed half-way, an initialisation is written in full at the next start:
// the recorder ends as one initialised without a break.
TEST(DataTransfer, AnInitialisationKilledHalfWayIsCompletedAtTheNextStart) {
    TransferRig whole, rig;
    whole.transfer(ProgramItem::Initialize, "User");
    std::string journal;
    test::killWhen(
        rig, [&] { return std::ranges::count(rig.sent(), "$ND") == 19; }, journal);
    EXPECT_THROW(rig.transfer(ProgramItem::Initialize, "User"), test::Killed);
    app::Tool next{rig.platform};
    EXPECT_TRUE(test::startAfterKill(rig, next, journal, Answer::Yes));
    EXPECT_EQ(rig.stored(), whole.stored());
    EXPECT_FALSE(std::filesystem::exists(run::JournalFileName));
}

TEST(DataTransfer, ARefusalClosingTheAreaWindowOrCancellingSendsNothing) {
    TransferRig rig;
    rig.platform.clearWire();
    rig.dialogs().expectMsgBox(  // right after start-up: why, and what the operator can do
        "It can not save !\nNo run has completed the selected blocks, and no adjustment data was "
        "downloaded or loaded: complete a run of the selected blocks, download the data from the "
        "recorder (Program, Data DownLoad) or load a data file (File, Load).",
        Answer::Ok);
    rig.tool.menuFile(0);
    rig.dialogs().expectMsgBox("It can not UpLoad !", Answer::Ok);
    rig.tool.choose(ProgramItem::UpLoad);
    rig.dialogs().expectChoice(AreaLabel, "");
    rig.tool.choose(ProgramItem::DownLoad);
    rig.dialogs().expectChoice(AreaLabel, "Default");
    rig.dialogs().expectMsgBox("Are you OK ?", Answer::Cancel);
    rig.tool.choose(ProgramItem::Initialize);
    EXPECT_TRUE(rig.platform.wire().empty());
    EXPECT_TRUE(rig.tool.window().MenuFile.enabled);
    EXPECT_FALSE(rig.tool.tables().DownLoadDone);
    EXPECT_EQ(rig.dialogs().shown().end()[-2].title, AreaCaption);
}

TEST(DataTransfer, RetryRepeatsTheFailedCommandAloneAndIgnoreGoesOn) {
    for (Answer answer : {Answer::Retry, Answer::Ignore}) {
        TransferRig rig;
        rig.recorder.faults().levelRange.count = 1;  // the first equaliser block read
        rig.platform.clearWire();
        rig.dialogs().expectChoice(AreaLabel, "User");
        rig.dialogs().expectMsgBox("Are you OK ?", Answer::Ok);
        rig.dialogs().expectMsgBox("Other Error No =  204", answer);
        rig.tool.choose(ProgramItem::DownLoad);
        const auto sent = rig.sent();
        const auto failed = std::find(sent.begin(), sent.end(), "$PR:002");
        ASSERT_NE(failed, sent.end());
        EXPECT_EQ(failed[1], answer == Answer::Retry ? "$PR:002" : "$ND");
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "$ND"), rig.tool.selection().AdjTargetCount);
        EXPECT_TRUE(rig.tool.tables().DownLoadDone);
        // The box, the answer and the transfer's outcome are in the log.
        const std::string log = test::readFile("QT7310AdjLog.txt"),
                          head = "\"Data DownLoad\",\"User\",\"" +
                                 std::to_string(rig.tool.selection().AdjTargetCount) +
                                 " blocks\",\"";
        EXPECT_NE(log.find(head + "started\"\r\n\"ERROR Message\",\"Other Error No =  204\",\"" +
                           (answer == Answer::Retry
                                ? "Retry\"\r\n" + head + "completed\""
                                : "Ignore\"\r\n" + head + "completed, 1 command(s) ignored\"")),
                  std::string::npos)
            << log;
    }
}

}  // namespace
}  // namespace rf::data

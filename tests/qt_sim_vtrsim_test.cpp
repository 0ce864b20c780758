// The real serial path end to end: the Qt serial port and the link talk to the
// vtrsim program through its pseudo-terminal, while the test works vtrsim's
// front panel through its standard input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <fstream>

#include "link/rs_commands.h"
#include "link/rs_link.h"
#include "platform/qt/qt_platform.h"
#include "temp_dir.h"
#include "vtrsim_process.h"

namespace {

using rf::link::Rs;
using rf::link::RsLink;
using rf::platform::qt::QtPlatform;
using rf::test::Vtrsim;
namespace fs = std::filesystem;

class ToolOnVtrsim : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(vtrsim.serving()) << vtrsim.output;
        port = platform.createSerialPort(link.string());
        port->open({});
        rfLink.attach(port.get());
    }
    void TearDown() override { rfLink.attach(nullptr); }

    rf::test::TempWorkDir dir;
    fs::path link = dir.path() / "vtr";
    Vtrsim vtrsim{link, {"--trace", "--id", "QT7320"}};
    QtPlatform platform{"rfadjust-qt-sim-vtrsim-test-" + std::to_string(::getpid()) + ".lock"};
    std::unique_ptr<rf::platform::SerialPort> port;
    RsLink rfLink{platform};
    Rs rs{rfLink};
};

TEST_F(ToolOnVtrsim, ToolReadsTheRecorderAndRunsATapeLoadedAtItsFrontPanel) {
    EXPECT_EQ(rs.IdRead(), "QT7320");
    EXPECT_EQ(rs.StatusRead(), "EJECT");
    EXPECT_EQ(rs.FrRead(), 1);  // no tape

    vtrsim.panel("insert HDLP MASTER");
    ASSERT_TRUE(vtrsim.says("inserted HDLP MASTER")) << vtrsim.output;
    for (int i = 0; i < 30 && rs.StatusRead() != "STOP"; ++i)
        rfLink.RsWait(100);
    ASSERT_EQ(rs.StatusRead(), "STOP");
    EXPECT_EQ(rs.FrRead(), 7);

    // Play until PLAY, as the tool does: the servos take 0.8 s to lock.
    for (int i = 0; i < 4 && rs.StatusRead() != "PLAY"; ++i)
        rs.TransportCtrl(rf::link::Transport::Play);
    EXPECT_EQ(rs.StatusRead(), "PLAY");
    // The remaining time is unknown until the tape has run two seconds.
    EXPECT_EQ(rs.QhrRead(1), (std::array<std::string, 3>{"FF", "FF", "FF"}));
    rfLink.RsWait(2000);
    const auto remaining = rs.QhrRead(1);
    EXPECT_EQ(remaining[0] + remaining[1], "0029");

    vtrsim.panel("status");
    EXPECT_TRUE(vtrsim.says("status PLAY, tape HDLP MASTER")) << vtrsim.output;
    // A line condition cannot cross a pseudo-terminal; vtrsim says so.
    vtrsim.panel("fault framing");
    EXPECT_TRUE(vtrsim.says("line event framing not deliverable over a pseudo-terminal"))
        << vtrsim.output;
    // --trace shows both directions of the line.
    EXPECT_NE(vtrsim.output.find("tool <STX>QID<ETX>"), std::string::npos);
    EXPECT_NE(vtrsim.output.find("vtr  <ACK><STX>QT7320<ETX>"), std::string::npos);
}

TEST_F(ToolOnVtrsim, KeepsServingAfterTheEndOfItsInputAndEndsOnSigtermTakingItsLink) {
    vtrsim.process.closeWriteChannel();
    ASSERT_TRUE(vtrsim.says("serving on until")) << vtrsim.output;
    EXPECT_EQ(rs.IdRead(), "QT7320");

    vtrsim.process.terminate();
    ASSERT_TRUE(vtrsim.process.waitForFinished(5000));
    EXPECT_EQ(vtrsim.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(vtrsim.process.exitCode(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(Vtrsim, QuitOrTheEndOfInputWithExitOnEofEndsItAndTakesTheLinkAway) {
    rf::test::TempWorkDir dir;
    const fs::path link = dir.path() / "vtr";
    {
        Vtrsim quitting(link);
        ASSERT_TRUE(quitting.serving()) << quitting.output;
        quitting.panel("quit");
        ASSERT_TRUE(quitting.process.waitForFinished(5000));
        EXPECT_EQ(quitting.process.exitCode(), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    }
    Vtrsim ending(link, {"--exit-on-eof"});
    ASSERT_TRUE(ending.serving()) << ending.output;
    ending.process.closeWriteChannel();
    ASSERT_TRUE(ending.process.waitForFinished(5000));
    EXPECT_EQ(ending.process.exitCode(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(Vtrsim, ReplacesAnOldLinkButLeavesAnOrdinaryFileAlone) {
    rf::test::TempWorkDir dir;
    const fs::path stale = dir.path() / "stale";
    fs::create_symlink("/dev/pts/no-such-terminal", stale);
    Vtrsim replacing(stale);
    EXPECT_TRUE(replacing.serving()) << replacing.output;
    EXPECT_TRUE(replacing.says("replaced the old link")) << replacing.output;

    const fs::path file = dir.path() / "notes.txt";
    std::ofstream(file) << "keep me";
    Vtrsim refusing(file);
    ASSERT_TRUE(refusing.process.waitForFinished(5000));
    EXPECT_NE(refusing.process.exitCode(), 0);
    EXPECT_NE(refusing.process.readAllStandardError().toStdString().find("not a symbolic link"),
              std::string::npos);
    EXPECT_EQ(rf::test::readFile(file.string()), "keep me");
}

}  // namespace

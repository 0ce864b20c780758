#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "app/settings.h"
#include "tool_rig.h"

namespace rf::app {
namespace {

using namespace std::chrono_literals;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using platform::virt::VirtualPlatform;
using test::GoodRsSet;
using test::readFile;
using test::writeFile;

const std::string StartLine = "\"12-05-2026\",\"02:33:38\"\r\n";

class StartUp : public ::testing::Test, public test::ToolRig {};

TEST_F(StartUp, ReadsBothFilesOpensThePortAndStartsTheLogWithADateLine) {
    ASSERT_TRUE(startUp());
    EXPECT_EQ(tool.settings().DvtrRf, (std::array<std::int16_t, 3>{10, 20, 30}));
    EXPECT_TRUE(platform.port()->isOpen());
    EXPECT_EQ(platform.port()->name(), "/dev/ttyS0");
    EXPECT_EQ(platform.port()->settings(),
              (platform::PortSettings{9600, platform::Parity::None, 8, platform::StopBits::One}));
    EXPECT_EQ(readFile("QT7310AdjLog.txt"), StartLine);
    EXPECT_TRUE(tool.window().visible);
    EXPECT_EQ(platform.dialogs().pending(), 0u);
}

TEST_F(StartUp, ASecondCopyEndsSilently) {
    auto registry = std::make_shared<platform::virt::InstanceRegistry>();
    VirtualPlatform first({2026, 12, 5, 2, 33, 38}, registry);
    VirtualPlatform second({2026, 12, 5, 2, 33, 38}, registry);
    Tool one(first), two(second);
    EXPECT_TRUE(first.acquireSingleInstance());
    EXPECT_FALSE(two.Main());
    EXPECT_TRUE(second.dialogs().shown().empty());
    EXPECT_EQ(second.port(), nullptr);
}

TEST(StartUpFiles, AMissingFileIsNamedRetryGoesOnOnceItIsBackAndAbortOrIgnoreEnd) {
    for (const std::string file : {"DVTRRF.DAT", "RSSET.DAT"})
        for (Answer answer : {Answer::Retry, Answer::Abort, Answer::Ignore}) {
            SCOPED_TRACE(file + " answered " + std::to_string(static_cast<int>(answer)));
            const bool retry = answer == Answer::Retry;
            test::ToolRig rig;
            const std::string content = readFile(file);
            std::filesystem::remove(file);
            // The operator puts the file back while the message is up.
            rig.at(1ms, [&] { writeFile(file, content); });
            rig.dialogs().expectMsgBox(file + " Not Found !!", answer, 10ms);
            EXPECT_EQ(retry ? rig.startUp() : rig.tool.Main(), retry);
            const auto& shown = rig.dialogs().shown().front();
            EXPECT_EQ(shown.title, "ERROR Message");
            EXPECT_EQ(shown.buttons, Buttons::AbortRetryIgnore);
            EXPECT_EQ(shown.icon, Icon::Critical);
            EXPECT_EQ(rig.tool.settings().DvtrRf[2], retry || file == "RSSET.DAT" ? 30 : 0);
            EXPECT_EQ(rig.platform.port() != nullptr, retry);
            EXPECT_EQ(std::filesystem::exists("QT7310AdjLog.txt"), retry);
            EXPECT_EQ(rig.tool.ended(), !retry);
            EXPECT_EQ(rig.platform.endRequested(), !retry);
        }
}

TEST_F(StartUp, BadSettingsShowTheRunTimeErrorWithTheFileOnASecondLine) {
    struct Case {
        std::string dvtrrf, rsset, message;
    };
    const std::vector<Case> cases = {
        {"1,2\r\n", GoodRsSet, "Other Error No =  62\nDVTRRF.DAT"},
        {"1,2,3\r\n", "COM1,\"9600\",\"N\",\"8\",\"1\"\r\n",
         "Other Error No =  13\nRSSET.DAT: \"COM1\" is not a number"},
        {"1,2,3\r\n", "1,\"9600\",\"X\",\"8\",\"1\"\r\n",
         "Other Error No =  380\nSettings \"9600,X,8,1\": the parity must be N, E, O, M or S"},
        {"1,2,3\r\n", "0,\"9600\",\"N\",\"8\",\"1\"\r\n",
         "Other Error No =  8002\nport 0: ports are numbered from 1 in RSSET.DAT"},
        // A byte-order mark is passed over; a device, a pipe or a file far too
        // large for settings is not read.
        {"\xEF\xBB\xBF"
         "1,2,3\r\n",
         "\xEF\xBB\xBF"
         "COM1,\"9600\",\"N\",\"8\",\"1\"\r\n",
         "Other Error No =  13\nRSSET.DAT: \"COM1\" is not a number"},
        {"1,2,3\r\n" + std::string(64 * 1024, ' '), GoodRsSet,
         "Other Error No =  75\nDVTRRF.DAT: larger than 65536 bytes"},
        {"1,2,3\r\n", "/dev/zero", "Other Error No =  75\nRSSET.DAT: a device, not a file"},
        {"1,2,3\r\n", "|", "Other Error No =  75\nRSSET.DAT: a pipe, not a file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        VirtualPlatform p;
        Tool t(p);
        writeFile("DVTRRF.DAT", c.dvtrrf);
        std::filesystem::remove("RSSET.DAT");
        if (c.rsset == "/dev/zero")
            std::filesystem::create_symlink(c.rsset, "RSSET.DAT");
        else if (c.rsset == "|")
            ::mkfifo("RSSET.DAT", 0600);
        else
            writeFile("RSSET.DAT", c.rsset);
        p.dialogs().expectMsgBox(c.message, Answer::Abort);
        EXPECT_FALSE(t.Main());
        EXPECT_EQ(p.dialogs().pending(), 0u);
    }
}

TEST_F(StartUp, APortThatCannotBeOpenedIsNamedWithTheReasonAndRetryTriesAgain) {
    platform.refuseOpen(err::PortInvalid, "No such file or directory", 2);
    const std::string message = "Other Error No =  8002\n/dev/ttyS0: No such file or directory";
    platform.dialogs().expectMsgBox(message, Answer::Retry);
    platform.dialogs().expectMsgBox(message, Answer::Retry);
    ASSERT_TRUE(startUp());
    EXPECT_TRUE(platform.port()->isOpen());
    // The log is opened once, after the port.
    EXPECT_EQ(readFile("QT7310AdjLog.txt"), StartLine);
}

TEST_F(StartUp, ALogThatExistsIsExtendedNeverTruncated) {
    writeFile("QT7310AdjLog.txt", "\"earlier run\"\r\n");
    ASSERT_TRUE(startUp());
    const auto started = readFile("QT7310AdjLog.txt");
    tool.endProgram();
    // The start line, then the end line with the time the connection check took.
    EXPECT_EQ(started, "\"earlier run\"\r\n" + StartLine);
    EXPECT_EQ(readFile("QT7310AdjLog.txt").substr(0, started.size()), started);
    EXPECT_EQ(readFile("QT7310AdjLog.txt").substr(started.size(), 14), "\"12-05-2026\",\"");
}

TEST_F(StartUp, AFatalCommunicationEventIsShownLoggedAndEndsTheProgram) {
    ASSERT_TRUE(startUp());
    const auto started = now();
    const std::size_t before = platform.wire().size();
    platform.dialogs().expectMsgBox("Parity Error", Answer::Ok);
    platform.port()->deliverEvent(platform::comm::RxParity, started + 2s);
    EXPECT_THROW(tool.link().RsWait(5000), ProgramEnd);
    EXPECT_EQ(test::sent(*this, before), std::vector<std::string>{"QOD:11"});  // made safe
    EXPECT_LT(now(), started + 3s);
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_EQ(log.substr(0, StartLine.size() + 16), StartLine + "\"Parity Error\"\r\n");
    EXPECT_EQ(log.size(), StartLine.size() * 2 + 16);
    EXPECT_FALSE(tool.port()->isOpen());
    EXPECT_TRUE(tool.ended());
}

}  // namespace
}  // namespace rf::app

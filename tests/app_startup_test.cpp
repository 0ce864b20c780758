#include <gtest/gtest.h>

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
    const Shared& s = tool.shared();
    EXPECT_EQ(s.DvtrRf, (std::array<std::int16_t, 3>{10, 20, 30}));
    EXPECT_EQ(s.RsPortNo, 1);
    EXPECT_EQ(s.RsPortName, "/dev/ttyS0");
    EXPECT_TRUE(s.InduceCheck);
    ASSERT_NE(platform.port(), nullptr);
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

TEST_F(StartUp, AMissingSettingsFileIsNamedAndRetryGoesOnOnceItIsInPlace) {
    for (const std::string file : {"DVTRRF.DAT", "RSSET.DAT"}) {
        SCOPED_TRACE(file);
        test::ToolRig rig;
        const std::string content = readFile(file);
        std::filesystem::remove(file);
        // The operator puts the file back while the message is up, then answers Retry.
        rig.at(1ms, [&] { writeFile(file, content); });
        rig.dialogs().expectMsgBox(file + " Not Found !!", Answer::Retry, 10ms);
        ASSERT_TRUE(rig.startUp());
        const auto& shown = rig.dialogs().shown().front();
        EXPECT_EQ(shown.title, "ERROR Message");
        EXPECT_EQ(shown.buttons, Buttons::AbortRetryIgnore);
        EXPECT_EQ(shown.icon, Icon::Critical);
        EXPECT_EQ(rig.tool.shared().DvtrRf[2], 30);
        EXPECT_TRUE(rig.platform.port()->isOpen());
    }
}

TEST_F(StartUp, AbortOrIgnoreAtStartUpEndsWithoutTouchingPortOrLog) {
    for (Answer answer : {Answer::Abort, Answer::Ignore}) {
        VirtualPlatform p;
        Tool t(p);
        std::filesystem::remove("RSSET.DAT");
        p.dialogs().expectMsgBox("RSSET.DAT Not Found !!", answer);
        EXPECT_FALSE(t.Main());
        EXPECT_TRUE(t.ended());
        EXPECT_TRUE(p.endRequested());
        EXPECT_EQ(p.port(), nullptr);
        EXPECT_FALSE(std::filesystem::exists("QT7310AdjLog.txt"));
        writeFile("RSSET.DAT", GoodRsSet);
    }
}

TEST_F(StartUp, BadSettingsShowTheRunTimeErrorWithTheFileOnASecondLine) {
    struct Case {
        const char* dvtrrf;
        const char* rsset;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"1,2,x\r\n", GoodRsSet.c_str(), "Other Error No =  13\nDVTRRF.DAT: \"x\" is not a number"},
        {"1,2\r\n", GoodRsSet.c_str(), "Other Error No =  62\nDVTRRF.DAT"},
        {"1,2,3\r\n", "COM1,\"9600\",\"N\",\"8\",\"1\"\r\n",
         "Other Error No =  13\nRSSET.DAT: \"COM1\" is not a number"},
        {"1,2,3\r\n", "1,\"9600\",\"N\"\r\n", "Other Error No =  62\nRSSET.DAT"},
        {"1,2,3\r\n", "1,\"9600\",\"X\",\"8\",\"1\"\r\n",
         "Other Error No =  380\nSettings \"9600,X,8,1\": the parity must be N, E, O, M or S"},
        {"1,2,3\r\n", "0,\"9600\",\"N\",\"8\",\"1\"\r\n",
         "Other Error No =  8002\nport 0: ports are numbered from 1 in RSSET.DAT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        VirtualPlatform p;
        Tool t(p);
        writeFile("DVTRRF.DAT", c.dvtrrf);
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

TEST(PortSettingField, NumbersNameTheSerialDevicesAndQuotedTextIsTheNameItself) {
    struct Case {
        DelimitedField field;
        std::int16_t number;
        std::string name;
    };
    for (const Case& c : std::vector<Case>{{{"1", false}, 1, "/dev/ttyS0"},
                                           {{"4", false}, 4, "/dev/ttyS3"},
                                           {{"/dev/ttyUSB0", true}, 0, "/dev/ttyUSB0"},
                                           {{"SIM", true}, 0, "SIM"},
                                           {{"0", false}, 0, ""}}) {
        SCOPED_TRACE(c.field.text);
        auto port = portSetting(c.field);
        EXPECT_EQ(port.number, c.number);
        EXPECT_EQ(port.name, c.name);
    }
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
    platform.dialogs().expectMsgBox("Parity Error", Answer::Ok);
    platform.port()->deliverEvent(platform::comm::RxParity, started + 2s);
    // Seen from a sequence waiting: the wait unwinds with ProgramEnd.
    EXPECT_THROW(tool.link().RsWait(5000), ProgramEnd);
    const auto& box = platform.dialogs().shown().back();
    EXPECT_EQ(box.title, "RS232-C Communication Error");
    EXPECT_EQ(box.icon, Icon::Critical);
    const std::string log = readFile("QT7310AdjLog.txt");
    EXPECT_EQ(log.substr(0, StartLine.size() + 16), StartLine + "\"Parity Error\"\r\n");
    EXPECT_EQ(log.size(), StartLine.size() * 2 + 16);
    EXPECT_FALSE(tool.port()->isOpen());
    EXPECT_TRUE(tool.ended());
}

TEST(DefaultTables, HoldTheFactoryValuesForEveryBlockTheProgrammesUse) {
    auto pb = std::make_unique<PbTable>();
    auto rec = std::make_unique<RecTable>();
    presetDefaults(*pb, *rec);
    // DV playback heads, HDLP playback and record/playback heads, an ordinary format.
    EXPECT_EQ(pb->row(1, 0, 1, 0, 0)[14], 15);
    EXPECT_EQ(pb->row(1, 0, 0, 0, 0)[14], 11);
    EXPECT_EQ(pb->row(7, 2, 1, 3, 1)[14], 20);
    EXPECT_EQ(pb->row(7, 2, 0, 0, 0)[14], 14);
    EXPECT_EQ(pb->row(3, 6, 1, 2, 1)[14], 10);
    const std::array<std::int16_t, 29> dv = {0,   0,  -20, -20, 0,  2,   1,   18, 8, 400,
                                             28,  14, 110, 98,  15, 2,   2,   0,  0, -30,
                                             -10, 0,  0,   0,   0,  -30, -10, 0,  0};
    auto dvRow = pb->row(1, 0, 1, 0, 0);
    EXPECT_TRUE(std::equal(dv.begin(), dv.end(), dvRow.begin()));
    auto other = pb->row(2, 5, 1, 1, 0);
    EXPECT_EQ(other[2], -80);
    EXPECT_EQ(other[19], -32);
    EXPECT_EQ(other[26], -32);
    for (int f = 0; f <= 7; ++f)
        for (int r = 0; r <= 6; ++r)
            EXPECT_EQ(pb->row(f, r, 1, 3, 1)[9], 400);
    // Entries outside the ranges the programmes use stay 0.
    for (auto item : pb->row(8, 0, 0, 0, 0))
        EXPECT_EQ(item, 0);
    for (auto item : pb->row(7, 7, 0, 0, 0))
        EXPECT_EQ(item, 0);
    for (auto item : pb->row(7, 2, 2, 0, 0))
        EXPECT_EQ(item, 0);
    for (auto item : pb->row(7, 2, 1, 4, 0))
        EXPECT_EQ(item, 0);
    for (auto item : pb->row(7, 2, 1, 0, 2))
        EXPECT_EQ(item, 0);

    auto lp = rec->row(7, 2, 0, 0, 1);
    EXPECT_EQ(std::vector<std::int16_t>(lp.begin(), lp.end()),
              (std::vector<std::int16_t>{50, 50, -90, -90, 0}));
    auto sp = rec->row(3, 6, 0, 0, 0);
    EXPECT_EQ(std::vector<std::int16_t>(sp.begin(), sp.end()),
              (std::vector<std::int16_t>{0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace rf::app

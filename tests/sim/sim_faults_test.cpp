#include <gtest/gtest.h>

#include <functional>

#include "error_of.h"
#include "sim_rig.h"

namespace rf::test {
namespace {

using link::AdjMode;
using link::LevelKind;
using link::TimeCodeMode;

using rf::test::errorOf;

TEST(SimulatedFaults, EachReplyFaultGivesTheLinkErrorItStandsFor) {
    struct Case {
        const char* fault;
        int count;
        int error;  // 0: the exchange still succeeds
    };
    const std::vector<Case> cases = {
        {"noreply", 1, err::TimeOver},
        {"loneack", 1, err::TimeOver},
        {"slow", 1, err::TimeOver},
        {"badfirst", 6, err::AckReceive},
        {"badfirst", 5, 0},
        {"error", 6, err::ErrReceive},
        {"error", 5, 0},
        {"wrongcode", 6, err::OtherReply},
        {"split", 3, 0},
        {"stale", 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " x" + std::to_string(c.count));
        SimRig rig;
        rig.recorder.faults().replySwitch(c.fault)->count = c.count;
        std::string status;
        EXPECT_EQ(errorOf([&] { status = rig.rs.StatusRead(); }), c.error);
        if (c.error == 0) {
            EXPECT_EQ(status, "EJECT");
        }
        // Whatever happened, the line is usable again afterwards.
        rig.recorder.faults().replySwitch(c.fault)->off();
        rig.wait(1s);
        EXPECT_EQ(rig.rs.StatusRead(), "EJECT");
    }
}

TEST(SimulatedFaults, ReplyFaultsCanRunForADuration) {
    SimRig rig;
    rig.recorder.faults().noReply.until = rig.now() + 12s;
    EXPECT_EQ(errorOf([&] { rig.rs.IdRead(); }), err::TimeOver);
    EXPECT_EQ(errorOf([&] { rig.rs.IdRead(); }), err::TimeOver);
    rig.wait(3s);
    EXPECT_EQ(rig.rs.IdRead(), "QT7310");
}

TEST(SimulatedFaults, ALineEventReachesTheReceiveHandlerAsAFatalError) {
    SimRig rig;
    std::string ended;
    rig.link.setEndProgram([&](const std::string& text) {
        ended = text;
        rig.platform.requestEnd();
    });
    rig.platform.dialogs().expectMsgBox("Frame Error", platform::Answer::Ok);
    rig.peer.lineEvent(platform::comm::Frame);
    EXPECT_THROW(rig.link.RsWait(100), ProgramEnd);
    EXPECT_EQ(ended, "Frame Error");
}

TEST(SimulatedFaults, StateFaultsChangeWhatTheRecorderReports) {
    SimRig rig;
    auto& f = rig.recorder.faults();
    f.frZero = f.sqError = f.dqError = true;
    EXPECT_EQ(rig.rs.FrRead(), 0);
    EXPECT_EQ(errorOf([&] { rig.rs.SqRead(); }), err::ErrReceive);
    EXPECT_EQ(errorOf([&] { rig.rs.InduceRead(); }), err::ErrReceive);

    rig.rs.AdjModeSet(AdjMode::Start, 0, 7, 2, 0);
    f.levelRange.count = 2;
    EXPECT_EQ(errorOf([&] {
                  rig.rs.LevelRead({7, 2, 1, 0, 0}, LevelKind::Eq200);
              }),
              err::ValueRange);
    EXPECT_EQ(errorOf([&] { rig.rs.LevelRead({7, 2, 1, 0, 0}, LevelKind::Eq); }), err::ValueRange);
    EXPECT_EQ(errorOf([&] { rig.rs.LevelRead({7, 2, 1, 0, 0}, LevelKind::Eq200); }), 0);
    rig.rs.AdjModeSet(AdjMode::Stop);

    f.lowTape = f.remainUnknown = f.tcStuck = true;
    rig.load("BLANK");
    rig.rs.TransportCtrl("REC");
    rig.rs.CtsSet("23595500");
    rig.wait(20s);
    EXPECT_EQ(rig.rs.QhrRead(1)[2], "FF");
    auto tc = rig.rs.TimeCodeRead(TimeCodeMode::Tcr);
    EXPECT_EQ(tc[0] + tc[1], "2359");  // never rolls over
    f.remainUnknown = false;
    auto left = rig.rs.QhrRead(1);
    EXPECT_EQ(left[0] + left[1], "0001");  // 90 s before the end, 20 s recorded
}

}  // namespace
}  // namespace rf::test

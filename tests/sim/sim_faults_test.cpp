#include <gtest/gtest.h>

#include "error_of.h"
#include "sim_rig.h"

namespace rf::test {
namespace {

using link::AdjMode;
using link::LevelKind;

using rf::test::errorOf;

// The state faults the tool meets (fr0, sqerr, remainff, lowtape, tcstuck,
// ejectjam) are run end to end by the tool's own tests on this recorder.
TEST(SimulatedFaults, EachReplyFaultGivesTheLinkErrorItStandsForUntilItRunsOut) {
    struct Case {
        const char* fault;
        int count;
        platform::virt::Micros until;  // on for a time instead
        int error;                     // 0: the exchange still succeeds
    };
    const std::vector<Case> cases = {
        {"noreply", 1, 0s, err::TimeOver},
        {"noreply", 0, 5500ms, err::TimeOver},
        {"loneack", 1, 0s, err::TimeOver},
        {"slow", 1, 0s, err::TimeOver},
        {"badfirst", 6, 0s, err::AckReceive},
        {"badfirst", 5, 0s, 0},
        {"error", 6, 0s, err::ErrReceive},
        {"error", 5, 0s, 0},
        {"wrongcode", 6, 0s, err::OtherReply},
        {"split", 3, 0s, 0},
        {"stale", 2, 0s, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " x" + std::to_string(c.count));
        SimRig rig;
        rig.recorder.faults().replySwitch(c.fault)->count = c.count;
        rig.recorder.faults().replySwitch(c.fault)->until = c.until;
        std::string status;
        EXPECT_EQ(errorOf([&] { status = rig.rs.StatusRead(); }), c.error);
        if (c.error == 0) {
            EXPECT_EQ(status, "EJECT");
        }
        // Whatever happened, the line is usable again once the fault has run out.
        rig.wait(1s);
        EXPECT_EQ(rig.rs.StatusRead(), "EJECT");
    }
}

TEST(SimulatedFaults, ALineEventReachesTheReceiveHandlerAsAFatalError) {
    SimRig rig;
    rig.platform.dialogs().expectMsgBox("Frame Error", platform::Answer::Ok);
    rig.peer.lineEvent(platform::comm::Frame);
    EXPECT_THROW(rig.link.RsWait(100), ProgramEnd);
}

TEST(SimulatedFaults, InduceErrorsAndOutOfRangeLevelBlocks) {
    SimRig rig;
    rig.recorder.faults().dqError = true;
    EXPECT_EQ(errorOf([&] { rig.rs.InduceRead(); }), err::ErrReceive);
    rig.rs.AdjModeSet(AdjMode::Start, 0, 7, 2, 0);
    rig.recorder.faults().levelRange.count = 2;
    for (LevelKind kind : {LevelKind::Eq200, LevelKind::Eq})
        EXPECT_EQ(errorOf([&] { rig.rs.LevelRead({7, 2, 1, 0, 0}, kind); }), err::ValueRange);
    EXPECT_EQ(errorOf([&] { rig.rs.LevelRead({7, 2, 1, 0, 0}, LevelKind::Eq200); }), 0);
}

}  // namespace
}  // namespace rf::test

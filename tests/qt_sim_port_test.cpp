// The built-in simulated recorder behind the port name "SIM": the link and the
// command set against the recorder in real time on the Qt platform.
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdexcept>

#include "core/errors.h"
#include "error_of.h"
#include "link/rs_commands.h"
#include "link/rs_link.h"
#include "panel_actions.h"
#include "platform/qt/qt_platform.h"
#include "qt_event_wait.h"
#include "sim/realtime/qt_sim_port.h"

namespace {

using rf::link::Rs;
using rf::link::RsLink;
using rf::platform::qt::QtPlatform;
using rf::sim::Micros;
using rf::sim::QtSimPort;
using rf::sim::RealTimeRecorder;
using rf::sim::Recorder;
using rf::testing::pumpUntil;
namespace comm = rf::platform::comm;
namespace err = rf::err;

std::string lockName() {
    return "rfadjust-qt-sim-port-test-" + std::to_string(::getpid()) + ".lock";
}

using rf::test::errorOf;

// The platform with the built-in simulated port registered, as the program does.
QtPlatform& withSimPort(QtPlatform& platform) {
    platform.registerPort(QtSimPort::PortName, QtSimPort::factory());
    return platform;
}

class SimPortLink : public ::testing::Test {
  protected:
    void SetUp() override {
        sim = dynamic_cast<QtSimPort*>(port.get());
        ASSERT_NE(sim, nullptr) << "\"SIM\" did not give the simulated port";
        port->open({});
        link.attach(port.get());
    }
    void TearDown() override { link.attach(nullptr); }

    // Puts a tape in from the front panel (taking out one the changer may
    // have put in meanwhile) and waits until it is threaded.
    void load(const std::string& tape) {
        bool inserted = false;
        sim->host()->panel([&](Recorder& r, Micros now) {
            r.eject(now);
            inserted = r.insert(tape, now);
        });
        ASSERT_TRUE(inserted) << tape;
        for (int i = 0; i < 40 && rs.StatusRead() != "STOP"; ++i)
            link.RsWait(100);
        ASSERT_EQ(rs.StatusRead(), "STOP");
    }

    QtPlatform platform{lockName()};
    std::unique_ptr<rf::platform::SerialPort> port = withSimPort(platform).createSerialPort("SIM");
    QtSimPort* sim = nullptr;
    RsLink link{platform};
    Rs rs{link};
};

TEST_F(SimPortLink, AnswersTheToolLikeARecorder) {
    EXPECT_EQ(port->name(), "SIM");
    EXPECT_EQ(rs.IdRead(), "QT7310");
    EXPECT_EQ(rs.RemoteCheck(), "REMOTE");
    // It has its induce code, which the front panel can take away.
    EXPECT_EQ(rs.InduceRead(), "DMO");
    rf::sim::vtrsim::runPanelCommand(rf::sim::vtrsim::parsePanelCommand("induce clear"),
                                     *sim->host());
    EXPECT_EQ(rs.InduceRead(), "   ");
    load("DV MASTER");
    EXPECT_EQ(rs.FrRead(), 1);
    // Play until PLAY, as the tool does: the servos take 0.8 s to lock.
    for (int i = 0; i < 4 && rs.StatusRead() != "PLAY"; ++i)
        rs.TransportCtrl(rf::link::Transport::Play);
    EXPECT_EQ(rs.StatusRead(), "PLAY");

    // The end of a search is reported unasked, while the tool waits after
    // the acknowledgement.
    rs.SearchSet(rf::link::SearchMode::Tc, "00001000");
    EXPECT_NE(link.reply().find("\x02SRS:OK\x03"), std::string::npos);
    EXPECT_EQ(rs.StatusRead(), "STOP");
    EXPECT_EQ(rs.TimeCodeRead(rf::link::TimeCodeMode::Tcr),
              (std::array<std::string, 4>{"00", "00", "10", "00"}));

    // The changer is on: "25M MASTER" (format 0) follows an ejected "DV MASTER".
    EXPECT_TRUE(sim->recorder().transport().autoChanger());
    rs.TransportCtrl(rf::link::Transport::Eject);
    int format = 1;
    for (int i = 0; i < 50 && (format = rs.FrRead()) != 0; ++i)
        link.RsWait(100);
    EXPECT_EQ(format, 0);
    EXPECT_EQ(sim->host()->state().tape, "25M MASTER");
}

TEST_F(SimPortLink, RepliesThatComeInPiecesOrWithStrayBytesStillWork) {
    // Byte by byte, 20 ms apart: the outputs must arrive complete and in order.
    sim->host()->panel([](Recorder& r, Micros) { r.faults().split.count = 2; });
    EXPECT_EQ(rs.IdRead(), "QT7310");
    EXPECT_EQ(rs.StatusRead(), "EJECT");
    // Stray bytes 100 ms after a reply are thrown away before the next command.
    sim->host()->panel([](Recorder& r, Micros) { r.faults().stale.count = 1; });
    EXPECT_EQ(rs.StatusRead(), "EJECT");
    link.RsWait(300);
    EXPECT_EQ(rs.FrRead(), 1);
}

TEST(SimPort, OpensOnceWritesOnlyWhenOpenAndLosesWhatComesWhileClosed) {
    QtPlatform platform{lockName()};
    auto port = withSimPort(platform).createSerialPort("SIM");
    auto& sim = dynamic_cast<QtSimPort&>(*port);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(errorOf([&] { port->write("\x02QID\x03"); }), err::PortInvalid);
    port->open({});
    EXPECT_EQ(errorOf([&] { port->open({}); }), err::PortAlreadyOpen);

    int received = 0;
    port->setCommHandler([&](int event) { received += event == comm::Receive; });
    port->write("\x02QID\x03");
    ASSERT_TRUE(pumpUntil(platform, [&] { return received > 0 && sim.host()->pending() == 0; }));
    EXPECT_EQ(port->readAll(), "\x06\x02QT7310\x03");
    EXPECT_EQ(port->readAll(), "");

    // A reply that arrives unread is gone after discardInput().
    port->write("\x02QID\x03");
    ASSERT_TRUE(pumpUntil(platform, [&] { return sim.host()->pending() == 0; }));
    port->discardInput();
    EXPECT_EQ(port->readAll(), "");

    // The recorder answers while the port is closed; nobody hears it.
    port->write("\x02QID\x03");
    port->close();
    received = 0;
    ASSERT_TRUE(pumpUntil(platform, [&] { return sim.host()->pending() == 0; }));
    port->open({});
    EXPECT_EQ(received, 0);
    EXPECT_EQ(port->readAll(), "");
}

TEST(SimPort, ExceptionFromTheReceiveHandlerEndsTheProgramInsteadOfCrossingQt) {
    QtPlatform platform{lockName()};
    auto port = withSimPort(platform).createSerialPort("SIM");
    port->setCommHandler([](int) { throw std::runtime_error("handler fault"); });
    port->open({});
    port->write("\x02QID\x03");
    EXPECT_THROW(pumpUntil(platform, [] { return false; }), rf::ProgramEnd);
    EXPECT_TRUE(platform.endRequested());
}

TEST(SimPort, FrontPanelHearsOfCommandsAndChangesAndMayOutliveThePort) {
    QtPlatform platform{lockName()};
    std::shared_ptr<RealTimeRecorder> host;
    platform.registerPort(QtSimPort::PortName,
                          QtSimPort::factory([&](const auto& created) { host = created; }));
    auto port = platform.createSerialPort("SIM");
    ASSERT_NE(host, nullptr);
    int changes = 0;
    const auto id = host->watch([&] { ++changes; });

    port->open({});
    port->write("\x02OSP\x03");
    EXPECT_EQ(changes, 1);
    host->panel([](Recorder& r, Micros) { r.setRemote(false); });
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(host->state().remote);

    // The port goes while its reply is on the way; the panel keeps the recorder.
    port.reset();
    ASSERT_TRUE(pumpUntil(platform, [&] { return host->pending() == 0; }));
    host->panel([](Recorder& r, Micros now) { r.insert("BLANK", now); });
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(host->state().tape, "BLANK");

    host->unwatch(id);
    host->panel([](Recorder& r, Micros now) { r.eject(now); });
    EXPECT_EQ(changes, 3);
}

}  // namespace

// The serial port and the framed exchange on the real Qt platform, over a
// pseudo-terminal whose far end is a peer thread.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/errors.h"
#include "link/rs_link.h"
#include "platform/qt/qt_platform.h"
#include "qt_event_wait.h"
#include "qt_pty_peer.h"

namespace {

using rf::RfError;
using rf::link::RsLink;
using rf::platform::Parity;
using rf::platform::PortSettings;
using rf::platform::qt::QtPlatform;
using rf::testing::PtyPair;
using rf::testing::PtyPeer;
using rf::testing::pumpUntil;
namespace comm = rf::platform::comm;
namespace err = rf::err;

const std::string Ack{'\x06'}, Stx{'\x02'}, Etx{'\x03'};
const PortSettings Line{9600, Parity::None, 8, rf::platform::StopBits::One};

RfError raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const RfError& e) {
        return e;
    }
    ADD_FAILURE() << "no error was raised";
    return RfError(0);
}

class LinkOverPty : public ::testing::Test {
  protected:
    void SetUp() override {
        port->open(Line);
        link.attach(port.get());
        link.prepare("QID", "QID", "ID");
    }
    // The peer starts once the test has said how it answers.
    void answer(PtyPeer::Responder responder) {
        peer = std::make_unique<PtyPeer>(pty.master(), std::move(responder));
    }

    QtPlatform platform{"rfadjust-qt-serial-test.lock"};
    PtyPair pty;
    std::unique_ptr<rf::platform::SerialPort> port = platform.createSerialPort(pty.slavePath());
    RsLink link{platform};
    std::unique_ptr<PtyPeer> peer;
};

TEST_F(LinkOverPty, ExchangeReturnsTheReplyEvenWhenItArrivesInPieces) {
    int calls = 0;
    answer([&](const std::string&, PtyPeer& p) {
        if (++calls == 1) {
            p.send(Ack + Stx + "ID7310" + Etx);
        } else {
            // The reply reaches the program in two receive events.
            p.send(Ack + Stx + "ID");
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            p.send("7310" + Etx);
        }
    });
    link.RsSend();
    EXPECT_EQ(link.reply(), Ack + Stx + "ID7310" + Etx);
    link.RsSend();
    EXPECT_EQ(link.reply(), Ack + Stx + "ID7310" + Etx);
    EXPECT_EQ(peer->frames(), (std::vector<std::string>{Stx + "QID" + Etx, Stx + "QID" + Etx}));
}

TEST_F(LinkOverPty, ErrorReplyIsTriedSixTimesThenRaises202) {
    answer([](const std::string&, PtyPeer& p) { p.send(Ack + Stx + "ER01" + Etx); });
    EXPECT_EQ(raised([&] { link.RsSend(); }).number(), err::ErrReceive);
    EXPECT_EQ(peer->frames().size(), 6u);
}

TEST_F(LinkOverPty, StaleInputIsDiscardedBeforeTheExchange) {
    // Bytes that reach the line after an exchange has ended must not be taken
    // for the next reply.
    int calls = 0;
    answer([&](const std::string&, PtyPeer& p) {
        if (++calls > 1) return p.send(Ack + Stx + "ID7310" + Etx);
        p.send(Ack + Stx + "ID0000" + Etx);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        p.send("stale");
    });
    link.RsSend();
    // No events run meanwhile: the stale bytes wait in the driver.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    link.RsSend();
    EXPECT_EQ(link.reply(), Ack + Stx + "ID7310" + Etx);
    EXPECT_EQ(calls, 2);
}

// The one test that waits out the real five-second reply time-out.
TEST_F(LinkOverPty, NoReplyRaisesTimeOver200WithoutRetrying) {
    answer(nullptr);
    EXPECT_EQ(raised([&] { link.RsSend(); }).number(), err::TimeOver);
    EXPECT_EQ(peer->frames(), std::vector<std::string>{Stx + "QID" + Etx});
}

TEST(QtSerialPortOpen, SettingsAPseudoTerminalDoesNotTakeRaise380WithThePortName) {
    QtPlatform platform{"rfadjust-qt-serial-test.lock"};
    PtyPair pty;
    auto port = platform.createSerialPort(pty.slavePath());
    // A pseudo-terminal keeps 8 data bits and no parity. QSerialPort notices
    // even parity and 7 bits itself but takes mark parity without complaint.
    const struct {
        PortSettings settings;
        std::string named;
    } refused[] = {
        {{9600, Parity::Even, 8}, "even parity"},
        {{9600, Parity::None, 7}, "7 data bits"},
        {{9600, Parity::Mark, 8}, "mark parity"},
        {{9600, Parity::None, 8, rf::platform::StopBits::OneAndHalf}, "1.5 stop bits"},
    };
    for (const auto& [settings, named] : refused) {
        const RfError e = raised([&] { port->open(settings); });
        EXPECT_EQ(e.number(), err::InvalidPropertyValue) << named;
        EXPECT_TRUE(e.detail().starts_with(pty.slavePath() + ": ")) << e.detail();
        EXPECT_NE(e.detail().find(named), std::string::npos) << e.detail();
        EXPECT_FALSE(port->isOpen()) << named;
    }
    // A refusal leaves the port closed and free to open again.
    port->open(Line);
    EXPECT_TRUE(port->isOpen());
}

TEST(QtSerialPortOpen, MissingDeviceRaises8002AndBusyDeviceRaises8005) {
    QtPlatform platform{"rfadjust-qt-serial-test.lock"};
    const std::string missing = "/dev/rfadjust-no-such-port";
    const RfError notFound = raised([&] { platform.createSerialPort(missing)->open(Line); });
    EXPECT_EQ(notFound.number(), err::PortInvalid);
    EXPECT_TRUE(notFound.detail().starts_with(missing + ": ")) << notFound.detail();
    EXPECT_GT(notFound.detail().size(), missing.size() + 2) << "the system's reason is missing";

    PtyPair pty;
    auto first = platform.createSerialPort(pty.slavePath());
    first->open(Line);
    auto second = platform.createSerialPort(pty.slavePath());
    const RfError busy = raised([&] { second->open(Line); });
    EXPECT_EQ(busy.number(), err::PortAlreadyOpen);
    EXPECT_TRUE(busy.detail().starts_with(pty.slavePath() + ": ")) << busy.detail();
    EXPECT_EQ(raised([&] { first->open(Line); }).number(), err::PortAlreadyOpen);
}

TEST(QtSerialPortEvents, FarEndGoingAwayIsReportedOnceAsDeviceLostAndClosesThePort) {
    QtPlatform platform{"rfadjust-qt-serial-test.lock"};
    PtyPair pty;
    auto port = platform.createSerialPort(pty.slavePath());
    std::vector<int> events;
    port->setCommHandler([&](int event) { events.push_back(event); });
    port->open(Line);
    pty.closeMaster();
    ASSERT_TRUE(pumpUntil(platform, [&] { return !events.empty(); }));
    EXPECT_EQ(events, std::vector<int>{comm::DeviceLost});
    // The dead device would keep the event loop busy while the port stays open.
    EXPECT_TRUE(pumpUntil(platform, [&] { return !port->isOpen(); }));
    EXPECT_EQ(events, std::vector<int>{comm::DeviceLost});
}

TEST(QtSerialPortEvents, ExceptionFromTheReceiveHandlerEndsTheProgram) {
    QtPlatform platform{"rfadjust-qt-serial-test.lock"};
    PtyPair pty;
    auto port = platform.createSerialPort(pty.slavePath());
    port->setCommHandler([](int) { throw std::runtime_error("handler fault"); });
    port->open(Line);
    PtyPeer peer(pty.master(), nullptr);
    peer.send("x");
    EXPECT_THROW(pumpUntil(platform, [] { return false; }), rf::ProgramEnd);
    EXPECT_TRUE(platform.endRequested());
}

}  // namespace

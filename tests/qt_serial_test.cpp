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

// A pseudo-terminal line on the real platform. The peer starts once the test
// has said how it answers.
struct PtyLine : ::testing::Test {
    void answer(PtyPeer::Responder responder) {
        peer = std::make_unique<PtyPeer>(pty.master(), std::move(responder));
    }
    QtPlatform platform{"rfadjust-qt-serial-test.lock"};
    PtyPair pty;
    std::unique_ptr<rf::platform::SerialPort> port = platform.createSerialPort(pty.slavePath());
    std::unique_ptr<PtyPeer> peer;
};

struct LinkOverPty : PtyLine {
    LinkOverPty() {
        port->open(Line);
        link.attach(port.get());
    }
    RsLink link{platform};
};

TEST_F(LinkOverPty, StaleInputIsDiscardedAndAReplyInPiecesIsJoined) {
    int calls = 0;
    answer([&](const std::string&, PtyPeer& p) {
        if (++calls == 1) {
            // Bytes that reach the line after the exchange has ended must not be
            // taken for the next reply.
            p.send(Ack + Stx + "ID0000" + Etx);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            p.send("stale");
        } else {
            // The reply reaches the program in two receive events.
            p.send(Ack + Stx + "ID");
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            p.send("7310" + Etx);
        }
    });
    link.exchange("QID", "ID");
    EXPECT_EQ(link.reply(), Ack + Stx + "ID0000" + Etx);
    // No events run meanwhile: the stale bytes wait in the driver.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    link.exchange("QID", "ID");
    EXPECT_EQ(link.reply(), Ack + Stx + "ID7310" + Etx);
    EXPECT_EQ(peer->frames(), (std::vector<std::string>{Stx + "QID" + Etx, Stx + "QID" + Etx}));
}

TEST_F(PtyLine, SettingsAPseudoTerminalDoesNotTakeRaise380WithThePortName) {
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

TEST_F(PtyLine, MissingDeviceRaises8002AndBusyDeviceRaises8005) {
    const std::string missing = "/dev/rfadjust-no-such-port";
    const RfError notFound = raised([&] { platform.createSerialPort(missing)->open(Line); });
    EXPECT_EQ(notFound.number(), err::PortInvalid);
    EXPECT_TRUE(notFound.detail().starts_with(missing + ": ")) << notFound.detail();
    EXPECT_GT(notFound.detail().size(), missing.size() + 2) << "the system's reason is missing";

    port->open(Line);
    auto second = platform.createSerialPort(pty.slavePath());
    const RfError busy = raised([&] { second->open(Line); });
    EXPECT_EQ(busy.number(), err::PortAlreadyOpen);
    EXPECT_TRUE(busy.detail().starts_with(pty.slavePath() + ": ")) << busy.detail();
    EXPECT_EQ(raised([&] { port->open(Line); }).number(), err::PortAlreadyOpen);
}

TEST_F(PtyLine, FarEndGoingAwayIsReportedOnceAsDeviceLostAndClosesThePort) {
    std::vector<int> events;
    port->setCommHandler([&](int event) { events.push_back(event); });
    port->open(Line);
    pty.closeMaster();
    ASSERT_TRUE(pumpUntil(platform, [&] { return !events.empty(); }));
    EXPECT_EQ(events, std::vector<int>{comm::DeviceLost});
    EXPECT_NE(port->failure(), "") << "the system's reason is missing";
    // The dead device would keep the event loop busy while the port stays open.
    EXPECT_TRUE(pumpUntil(platform, [&] { return !port->isOpen(); }));
    EXPECT_EQ(events, std::vector<int>{comm::DeviceLost});
}

TEST_F(PtyLine, ExceptionFromTheReceiveHandlerEndsTheProgram) {
    port->setCommHandler([](int) { throw std::runtime_error("handler fault"); });
    port->open(Line);
    answer(nullptr);
    peer->send("x");
    EXPECT_THROW(pumpUntil(platform, [] { return false; }), rf::ProgramEnd);
    EXPECT_TRUE(platform.endRequested());
}

}  // namespace

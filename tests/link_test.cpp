#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link_fixture.h"

namespace rf::linktest {
namespace {

namespace comm = rf::platform::comm;
using rf::platform::Answer;
using rf::platform::Buttons;
using rf::platform::Icon;

struct RsSendTest : ::testing::Test, VirtualLine {
    const std::string& sq() { return link.exchange("$SQ", "$SQ"); }
};

TEST_F(RsSendTest, GoodReplyReturnsAtItsEtxWithoutPauseAndStopsTheTimeOut) {
    peer.reply(good("$SQ:123456789"), 30ms);
    sq();
    EXPECT_EQ(now(), 30);
    ASSERT_EQ(peer.frames().size(), 1u);
    EXPECT_EQ(peer.frames()[0].bytes, "\x02$SQ\x03");
    EXPECT_EQ(link.reply(), good("$SQ:123456789"));

    // The same reply in single bytes, 7 ms apart: the exchange ends at the last one.
    peer.reply(good("$SQ:123456789"), 10ms, 7ms);
    sq();
    EXPECT_EQ(now(), 30 + 10 + 15 * 7);
    EXPECT_EQ(link.reply(), good("$SQ:123456789"));

    // The time-out of a finished exchange never fires.
    link.RsWait(6000);
    EXPECT_FALSE(link.state().RsOverFlag);
}

TEST_F(RsSendTest, EachAttemptHasAFreshTimeOutCountedFromItsWrite) {
    peer.reply(kNak, 4000ms);  // ends the first wait, then two seconds' pause
    peer.silence();
    EXPECT_EQ(errorOf([&] { sq(); }), err::TimeOver);
    EXPECT_EQ(sentAt(), (std::vector<double>{0, 6000}));
    EXPECT_EQ(now(), 11000);

    // A reply just inside the time-out is taken.
    peer.reply(good("$SQ:123456789"), 4999ms);
    sq();
    EXPECT_EQ(now(), 11000 + 4999);
}

TEST_F(RsSendTest, BytesLeftFromAnEarlierAttemptAreDiscarded) {
    // The rest of a bad reply trickles in during the pause after its first byte.
    peer.reply(kNak + "$SQ:999999999\x03", 1ms, 50ms);
    peer.reply(good("$SQ:123456789"));
    sq();
    EXPECT_EQ(sentAt(), (std::vector<double>{0, 2001}));
    EXPECT_EQ(link.reply(), good("$SQ:123456789"));
}

TEST(RsSend, ATimeOutEndsAtOnceOtherFailuresAreTriedSixTimesAndTheLastReplyDecides) {
    const std::string nak = kNak, er = good("ER01"), sq = good("$SQ:123456789");
    const std::string mixed =
        "\x06\x02$XX\x06\x02"
        "ER\x03";  // an error reply after other text
    struct Case {
        bool ackOnly;                      // RsSendAckOnly: an ACK anywhere will do
        std::vector<std::string> replies;  // an empty string: no reply
        int error;
        std::vector<double> writes;  // ms
        double end;                  // ms
    };
    // A reply not beginning with ACK ends the wait at its first character and is
    // followed by a two-second pause (one second after an ACK-only command);
    // other failures retry at once. An ACK-only command pauses a second after its ACK.
    const std::vector<double> paced{0, 2001, 4002, 6003, 8004, 10005};
    const std::vector<double> back2back{0, 1, 2, 3, 4, 5};
    const std::string junk(link::MaxReplyBytes, '1');
    const std::vector<Case> cases{
        // A reply that never ends in ETX times out after five seconds, without a retry:
        // no reply, a lone ACK, a reply cut short.
        {false, {""}, err::TimeOver, {0}, 5000},
        {false, {kAck}, err::TimeOver, {0}, 5000},
        {false, {"\x06\x02$SQ:1234"}, err::TimeOver, {0}, 5000},
        // A reply ends at its ETX, whatever follows it in the same read.
        {false, {sq + "X"}, 0, {0}, 1},
        {false, {sq + good("$SQ:999999999")}, 0, {0}, 1},
        // More than a reply's worth of bytes without an ETX is a bad reply.
        {false, {6, kAck + junk}, err::OtherReply, back2back, 6},
        {false, {6, "\x06\x02$SQ:" + junk + "\x03"}, err::OtherReply, back2back, 6},
        {true, {6, kAck + junk}, err::AckReceive, back2back, 6},
        {false, {6, nak + "$SQ:1\x03"}, err::AckReceive, paced, 12006},
        {false, {6, er}, err::ErrReceive, back2back, 6},
        {false, {6, mixed}, err::ErrReceive, back2back, 6},
        {false, {6, good("$XX:123456789")}, err::OtherReply, back2back, 6},
        {false, {6, good("$XXER")}, err::OtherReply, back2back, 6},  // ER without ACK STX
        {false, {er, er, er, er, er, nak}, err::AckReceive, back2back, 2006},
        {false, {nak, nak, nak, nak, nak, er}, err::ErrReceive, paced, 10006},
        // Pauses after the three replies that did not begin with ACK only.
        {false, {nak, er, nak, er, nak, sq}, 0, {0, 2001, 2002, 4003, 4004, 6005}, 6006},
        {true, {kAck}, 0, {0}, 1001},
        {true, {good("SRS")}, 0, {0}, 1001},
        {true, {nak, kAck}, 0, {0, 1001}, 2002},
        {true, {""}, err::TimeOver, {0}, 5000},
        {true, {6, nak}, err::AckReceive, {0, 1001, 2002, 3003, 4004, 5005}, 6006},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.replies));
        VirtualLine line;
        const std::string frame = c.ackOnly ? "SRS:L00123456" : "$SQ";
        for (const auto& r : c.replies)
            r.empty() ? line.peer.silence() : line.peer.reply(r);
        EXPECT_EQ(errorOf([&] {
                      c.ackOnly ? line.link.exchangeAckOnly(frame)
                                : void(line.link.exchange(frame, frame));
                  }),
                  c.error);
        EXPECT_EQ(line.sentAt(), c.writes);
        EXPECT_EQ(line.sent(), std::vector<std::string>(c.writes.size(), frame));
        EXPECT_EQ(line.now(), c.end);
        if (!c.ackOnly) {
            EXPECT_EQ(line.link.reply() == sq, c.error == 0);
        }
    }
}

TEST(CommEvents, AnErrorEventShowsItsBoxThenEndsTheProgramAndUnwindsTheExchange) {
    // Each event and the text of its box.
    const std::string lost = "Unknow Error\nCOM1: the line was lost (No such device)";
    const std::vector<std::pair<int, std::string>> cases{{comm::Break, "Interrupt Receive"},
                                                         {comm::Frame, "Frame Error"},
                                                         {comm::Overrun, "Data Lost"},
                                                         {comm::RxOver, "Receive Buffer Over Flow"},
                                                         {comm::RxParity, "Parity Error"},
                                                         {comm::TxFull, "Send Buffer Full"},
                                                         {comm::Dcb, "DCB Receive Error"},
                                                         {comm::DeviceLost, lost},
                                                         {1002, "Unknow Error"}};
    for (const auto& [event, text] : cases) {
        SCOPED_TRACE(text);
        VirtualLine line;
        line.platform.dialogs().expectMsgBox(text, Answer::Ok);
        line.peer.silence();
        line.platform.port()->deliverEvent(event, 700ms, "No such device");
        EXPECT_THROW(line.link.exchange("$SQ", "$SQ"), ProgramEnd);
        EXPECT_EQ(line.now(), 700);
        ASSERT_EQ(line.platform.dialogs().shown().size(), 1u);
        const auto& box = line.platform.dialogs().shown()[0];
        EXPECT_EQ(box.buttons, Buttons::Ok);
        EXPECT_EQ(box.icon, Icon::Critical);
        EXPECT_EQ(box.title, "RS232-C Communication Error");
        EXPECT_EQ(line.endTexts, std::vector<std::string>{text});
        EXPECT_EQ(line.boxesAtEnd, 1u) << "the program ended before the box was seen";
        // Neither the time-out nor anything else is left to fire.
        EXPECT_TRUE(line.platform.scheduler().empty());
    }
}

TEST(RsReceive, ALineThatOnlyBabblesNeverHoldsMoreThanAReply) {
    VirtualLine line;
    line.peer.reply(kAck);
    line.link.exchangeAckOnly("SRS:L00123456");  // the recorder's message is awaited
    for (int i = 1; i <= 100; ++i)
        line.platform.port()->deliver(std::string(1000, '\0'), line.platform.elapsed() + i * 1ms);
    line.link.RsWait(200);
    EXPECT_LE(line.link.state().RsRecvData.size(), link::MaxReplyBytes);
}

TEST(CommEvents, LineStateEventsAreNotErrors) {
    VirtualLine line;
    int at = 1;
    for (int event : {comm::Send, comm::Cts, comm::Dsr, comm::Cd, comm::Ring, comm::Eof})
        line.platform.port()->deliverEvent(event, std::chrono::milliseconds(at++));
    line.peer.reply(good("$SQ:123456789"), 10ms);
    line.link.exchange("$SQ", "$SQ");
    EXPECT_EQ(line.now(), 10);
    EXPECT_TRUE(line.platform.dialogs().shown().empty());
    EXPECT_TRUE(line.endTexts.empty());
}

}  // namespace
}  // namespace rf::linktest

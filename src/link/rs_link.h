#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/waits.h"

namespace rf::link {

inline constexpr char StxCode = '\x02';
inline constexpr char EtxCode = '\x03';
inline constexpr char AckCode = '\x06';
// The head of an error reply: ACK STX "ER".
inline const std::string ErrHead = std::string{AckCode, StxCode} + "ER";

inline constexpr int ReplyTimeoutMs = 5000;
// A reply is a few dozen bytes: more than this without an ETX is no reply.
inline constexpr std::size_t MaxReplyBytes = 4096;
inline constexpr int MaxAttempts = 6;

// The state of the exchange in progress, under the names the recorder protocol
// documentation uses.
struct LinkState {
    std::string RsData;       // text between STX and ETX
    std::string RsFrame;      // STX + RsData + ETX: what is written
    std::string RsAckHead;    // what a good reply begins with
    std::string RsRecvData;   // the receive buffer
    bool RsEtxFlag = false;   // the buffer ends with ETX: reply complete
    bool RsJunkFlag = false;  // MaxReplyBytes came without an ETX: discarded, a bad reply
    bool RsAckFlag = true;    // no reply has begun with anything but ACK
    bool RsOverFlag = false;  // the reply time-out fired
    bool RsWaitFlag = false;  // the RsWait timer fired
};

// Text shown for a fatal communication event (190 to 197).
std::string commErrorText(int number);

// Error number of a communication event code of the port.
int commEventError(int event);

// The framed command/reply exchange with the recorder over one serial port:
// one command, one reply, a 5-second time-out per attempt, six attempts.
class RsLink {
  public:
    // Ends the program after a fatal communication event, with the text the
    // operator was shown: it writes the text and a date line to the operation
    // log, closes the log and the port and requests the end.
    using EndProgram = std::function<void(const std::string& text)>;
    // Told of a fatal event on a line that still answers, with the text the
    // operator was shown. The link has then failed: the waits of the exchange
    // in progress end, and it and every later exchange raise the event's
    // error until `recover()`, so the work unwinds through its error paths and
    // the recorder can still be put back and made safe before the end.
    using LineFailed = std::function<void(const std::string& text)>;

    explicit RsLink(platform::Platform& platform);
    RsLink(const RsLink&) = delete;
    RsLink& operator=(const RsLink&) = delete;
    ~RsLink();

    // The port the link works through; its receive events come to OnComm.
    void attach(platform::SerialPort* port);
    void setEndProgram(EndProgram end) { endProgram_ = std::move(end); }
    // Without a handler every fatal event ends the program at once.
    void setLineFailed(LineFailed failed) { lineFailed_ = std::move(failed); }
    // The text of the fatal event the link has failed on, if it has.
    const std::optional<std::string>& failure() const { return failure_; }
    // Takes the link out of its failed state: the line is used again.
    void recover() { failure_.reset(); }

    // One exchange with retries: `data` (a command code and its parameters)
    // goes out as STX data ETX, and the reply returned begins with ACK STX
    // `replyCode`. Otherwise error 200, 201, 202 or 203 is raised.
    const std::string& exchange(std::string_view data, std::string_view replyCode);
    // The attempts of `exchange` without the decision after the sixth failure:
    // true for a good reply, false when all six attempts failed (the last
    // reply() and RsAckFlag stay for the caller to judge). A time-out raises 200.
    bool exchangeAttempts(std::string_view data, std::string_view replyCode);
    // The acknowledge-only exchange: success on an ACK anywhere in the reply,
    // followed by a one-second pause.
    void exchangeAckOnly(std::string_view data);

    // Waits `ms` milliseconds while events keep running; a failed link ends
    // the wait with its error.
    void RsWait(int ms);

    // The port's receive handler.
    void OnComm(int event);

    // Returns the link to its idle state and stops its timers.
    void reset();

    const LinkState& state() const { return s_; }
    // The reply of the last exchange.
    const std::string& reply() const { return s_.RsRecvData; }
    // Whether `text` has arrived since the last exchange began: how an
    // unasked message of the recorder is noticed.
    bool received(std::string_view text) const {
        return s_.RsRecvData.find(text) != std::string::npos;
    }
    platform::Platform& platform() { return platform_; }

  private:
    // RsData, RsFrame and RsAckHead for the next exchange.
    void prepare(std::string_view data, std::string_view replyCode);
    // The exchange of what is prepared; RsRecvData then holds the good reply.
    void RsSend();
    bool RsSendAttempts();
    void RsSendAckOnly();
    void startAttempt();
    void waitForReply(bool ackOnly);
    void receive();
    // Shows the box of a fatal communication error, with `detail` as its second
    // line. A line that still answers fails the link (when a handler is set);
    // otherwise the program ends at once.
    void fatal(int number, const std::string& detail, bool lineAnswers);
    // Raises the error of the event the link has failed on, if it has.
    void raiseIfFailed() const;

    platform::Platform& platform_;
    platform::SerialPort* port_ = nullptr;
    LinkState s_;
    platform::WaitTimer RsOverBox;  // the reply time-out: RsOverFlag
    platform::WaitTimer RsWaitBox;  // the link's pauses: RsWaitFlag
    EndProgram endProgram_;
    LineFailed lineFailed_;
    std::optional<std::string> failure_;  // the text shown for the event
    int failureNumber_ = 0;
};

}  // namespace rf::link

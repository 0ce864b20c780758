#include "link/rs_link.h"

#include "core/errors.h"

namespace rf::link {

using platform::comm::Receive;

std::string commErrorText(int number) {
    switch (number) {
        case err::CommBreak:
            return "Interrupt Receive";
        case err::CommFrame:
            return "Frame Error";
        case err::CommOverrun:
            return "Data Lost";
        case err::CommRxOver:
            return "Receive Buffer Over Flow";
        case err::CommParity:
            return "Parity Error";
        case err::CommTxFull:
            return "Send Buffer Full";
        case err::CommDcb:
            return "DCB Receive Error";
        case err::CommUnknown:
            return "Unknow Error";
        default:
            return otherErrorText(number);
    }
}

int commEventError(int event) {
    namespace comm = platform::comm;
    switch (event) {
        case comm::Break:
            return err::CommBreak;
        case comm::Frame:
            return err::CommFrame;
        case comm::Overrun:
            return err::CommOverrun;
        case comm::RxOver:
            return err::CommRxOver;
        case comm::RxParity:
            return err::CommParity;
        case comm::TxFull:
            return err::CommTxFull;
        case comm::Dcb:
            return err::CommDcb;
        default:
            return err::CommUnknown;
    }
}

RsLink::RsLink(platform::Platform& platform)
    : platform_(platform), RsOverBox(platform, s_.RsOverFlag), RsWaitBox(platform, s_.RsWaitFlag) {}

RsLink::~RsLink() {
    attach(nullptr);
}

void RsLink::attach(platform::SerialPort* port) {
    if (port_) port_->setCommHandler({});
    port_ = port;
    if (port_) port_->setCommHandler([this](int event) { OnComm(event); });
}

const std::string& RsLink::exchange(std::string_view data, std::string_view replyCode) {
    prepare(data, replyCode);
    RsSend();
    return s_.RsRecvData;
}

bool RsLink::exchangeAttempts(std::string_view data, std::string_view replyCode) {
    prepare(data, replyCode);
    return RsSendAttempts();
}

void RsLink::exchangeAckOnly(std::string_view data) {
    prepare(data, "");
    RsSendAckOnly();
}

void RsLink::prepare(std::string_view data, std::string_view replyCode) {
    s_.RsData = data;
    s_.RsFrame = StxCode + s_.RsData + EtxCode;
    s_.RsAckHead = std::string{AckCode, StxCode} + std::string(replyCode);
}

void RsLink::raiseIfFailed() const {
    if (failure_) Raise(failureNumber_);
}

void RsLink::startAttempt() {
    raiseIfFailed();
    if (!port_ || !port_->isOpen()) Raise(err::PortInvalid, "the serial port is not open");
    port_->discardInput();
    port_->discardOutput();
    s_.RsRecvData.clear();
    s_.RsOverFlag = false;
    s_.RsAckFlag = true;
    s_.RsEtxFlag = false;
    s_.RsJunkFlag = false;
}

void RsLink::waitForReply(bool ackOnly) {
    port_->write(s_.RsFrame);
    // Until the reply is complete (or, acknowledge-only, an ACK has come), a
    // reply begins with anything but ACK, the time-out sets RsOverFlag or the
    // line fails.
    RsOverBox.waitFor(ReplyTimeoutMs, [&] {
        if (!s_.RsAckFlag || s_.RsJunkFlag || failure_) return true;
        return ackOnly ? s_.RsRecvData.find(AckCode) != std::string::npos : s_.RsEtxFlag;
    });
    raiseIfFailed();
}

bool RsLink::RsSendAttempts() {
    for (int attempt = 0; attempt < MaxAttempts;) {
        startAttempt();
        waitForReply(false);
        // No retry after a time-out: the recorder is not there.
        if (s_.RsOverFlag) Raise(err::TimeOver);
        const bool good = s_.RsRecvData.starts_with(s_.RsAckHead) && s_.RsAckFlag && !s_.RsJunkFlag;
        if (good) return true;
        // A reply that did not begin with ACK: give the line two seconds to settle.
        if (!s_.RsAckFlag) RsWait(2000);
        ++attempt;
    }
    return false;
}

void RsLink::RsSend() {
    if (RsSendAttempts()) return;
    if (!s_.RsAckFlag) Raise(err::AckReceive);
    Raise(s_.RsRecvData.find(ErrHead) != std::string::npos ? err::ErrReceive : err::OtherReply);
}

void RsLink::RsSendAckOnly() {
    for (int attempt = 0; attempt < MaxAttempts;) {
        startAttempt();
        waitForReply(true);
        if (s_.RsOverFlag) {
            s_.RsOverFlag = false;
            Raise(err::TimeOver);
        }
        if (!s_.RsAckFlag) {
            RsWait(1000);
            ++attempt;
        } else if (s_.RsJunkFlag) {
            ++attempt;
            continue;
        }
        if (s_.RsRecvData.find(AckCode) != std::string::npos) {
            RsWait(1000);
            return;
        }
    }
    Raise(err::AckReceive);
}

void RsLink::RsWait(int ms) {
    RsWaitBox.waitFor(ms, [this] { return failure_.has_value(); });
    raiseIfFailed();
}

void RsLink::OnComm(int event) {
    namespace comm = platform::comm;
    try {
        switch (event) {
            case comm::Send:
            case comm::Cts:
            case comm::Dsr:
            case comm::Cd:
            case comm::Ring:
            case comm::Eof:
                return;
            case comm::Receive:
                if (port_) receive();
                return;
            default: {
                // The recorder's own text does not say that the line itself is gone.
                std::string lost;
                if (event == comm::DeviceLost && port_) {
                    const std::string reason = port_->failure();
                    lost = port_->name() + ": the line was lost" +
                           (reason.empty() ? "" : " (" + reason + ")");
                }
                fatal(commEventError(event), lost, event != comm::DeviceLost);
            }
        }
    } catch (const RfError& e) {
        fatal(e.number(), "", false);
    }
}

void RsLink::receive() {
    std::string bytes = port_->readAll();
    // A reply ends at its ETX: what follows it, in the same read or later, is
    // stray and never taken for the next reply.
    if (s_.RsEtxFlag) return;
    const std::size_t from = s_.RsRecvData.size();
    s_.RsRecvData += bytes;
    if (!s_.RsRecvData.empty() && s_.RsRecvData.front() != AckCode) s_.RsAckFlag = false;
    const std::size_t etx = s_.RsRecvData.find(EtxCode, from);
    if (etx < MaxReplyBytes) {
        s_.RsRecvData.resize(etx + 1);
        s_.RsEtxFlag = true;
    } else if (s_.RsRecvData.size() > MaxReplyBytes) {
        // A line that only babbles (a wrong device, noise) must not grow the buffer.
        s_.RsRecvData.clear();
        s_.RsJunkFlag = true;
    }
}

void RsLink::fatal(int number, const std::string& detail, bool lineAnswers) {
    // The operator has been told of the failure the work is unwinding from.
    if (failure_ && lineAnswers) return;
    std::string text = commErrorText(number);
    if (!detail.empty()) text += "\n" + detail;
    platform_.dialogs().msgBox(text, platform::Buttons::Ok, platform::Icon::Critical,
                               "RS232-C Communication Error");
    if (lineAnswers && lineFailed_) {
        failure_ = text;
        failureNumber_ = number;
        lineFailed_(text);
        return;
    }
    // A lost device cannot be talked to (nor a line without a handler): the
    // program ends at once, and nothing waits any more.
    failure_.reset();
    RsOverBox.cancel();
    RsWaitBox.cancel();
    if (endProgram_)
        endProgram_(text);
    else
        platform_.requestEnd();
}

void RsLink::reset() {
    failure_.reset();
    s_.RsRecvData.clear();
    s_.RsEtxFlag = false;
    s_.RsAckFlag = true;
    s_.RsOverFlag = false;
    s_.RsWaitFlag = false;
    RsWaitBox.cancel();
    RsOverBox.cancel();
}

}  // namespace rf::link

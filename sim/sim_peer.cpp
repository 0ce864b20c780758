#include "sim/sim_peer.h"

namespace rf::sim {

void SimPeer::onToolBytes(std::string_view bytes, Micros now, platform::virt::VirtualSerialPort&) {
    // The command has fully arrived once its last character has crossed the line.
    send(recorder_.input(bytes, now + recorder_.lineTime(bytes.size())));
    armWake();
}

void SimPeer::lineEvent(int code) {
    send({recorder_.commEvent(code, platform_.scheduler().now())});
}

void SimPeer::send(const std::vector<Output>& out) {
    // The port the program has open now; nothing reaches a program without one.
    auto* port = platform_.port();
    if (!port) return;
    for (const Output& o : out) {
        if (o.event != 0)
            port->deliverEvent(o.event, o.at);
        else
            port->deliver(o.bytes, o.at);
    }
}

void SimPeer::armWake() {
    auto at = recorder_.nextWake();
    if (!at) return;
    if (wake_ && wakeAt_ == *at) return;
    if (wake_) platform_.scheduler().cancel(*wake_);
    wakeAt_ = *at;
    wake_ = platform_.scheduler().at(*at, [this] {
        wake_.reset();
        send(recorder_.poll(platform_.scheduler().now()));
        armWake();
    });
}

}  // namespace rf::sim

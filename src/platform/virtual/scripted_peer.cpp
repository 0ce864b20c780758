#include "platform/virtual/scripted_peer.h"

namespace rf::platform::virt {

void ScriptedPeer::reply(std::string bytes, Micros delay, Micros gap) {
    script_.push_back(Response{std::move(bytes), delay, gap});
}

void ScriptedPeer::onToolBytes(std::string_view bytes, Micros now, VirtualSerialPort& port) {
    for (char c : bytes) {
        if (c == '\x02') partial_.clear();
        partial_ += c;
        if (c != '\x03' || partial_.front() != '\x02') continue;
        frames_.push_back({now, partial_});
        std::string text = frames_.back().text();
        partial_.clear();
        Response r;
        if (!script_.empty()) {
            r = std::move(script_.front());
            script_.pop_front();
        } else if (default_) {
            r = default_(text);
        }
        if (r.bytes.empty()) continue;
        if (r.gap == Micros{0}) {
            port.deliver(r.bytes, now + r.delay);
        } else {
            for (std::size_t i = 0; i < r.bytes.size(); ++i)
                port.deliver(std::string(1, r.bytes[i]), now + r.delay + r.gap * long(i));
        }
    }
}

}  // namespace rf::platform::virt

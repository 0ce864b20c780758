#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/virtual/virtual_serial_port.h"

namespace rf::platform::virt {

// A far end that answers every complete frame (STX ... ETX) the program writes
// with the next response of its script, and records the frames with their times.
class ScriptedPeer final : public SerialPeer {
  public:
    struct Response {
        std::string bytes;   // nothing: no answer at all
        Micros delay{1000};  // from the frame's ETX to the first byte
        Micros gap{0};       // between single bytes; 0 sends them at once
    };
    struct Frame {
        Micros at;
        std::string bytes;  // STX, text, ETX as written
        std::string text() const { return bytes.substr(1, bytes.size() - 2); }
    };

    void reply(std::string bytes, Micros delay = Micros{1000}, Micros gap = Micros{0});
    void silence() { script_.push_back(Response{}); }
    void replyTimes(int count, const std::string& bytes) {
        for (int i = 0; i < count; ++i)
            reply(bytes);
    }
    // Answers for frames beyond the script; without one they get no answer.
    void setDefault(std::function<Response(const std::string& text)> answer) {
        default_ = std::move(answer);
    }

    const std::vector<Frame>& frames() const { return frames_; }
    std::size_t pending() const { return script_.size(); }

    void onToolBytes(std::string_view bytes, Micros now, VirtualSerialPort& port) override;

    // A good reply: ACK STX text ETX.
    static std::string good(const std::string& text) { return "\x06\x02" + text + "\x03"; }

  private:
    std::deque<Response> script_;
    std::function<Response(const std::string&)> default_;
    std::string partial_;
    std::vector<Frame> frames_;
};

}  // namespace rf::platform::virt

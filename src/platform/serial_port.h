#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace rf::platform {

// Event codes a serial port reports to its receive handler.
namespace comm {
inline constexpr int Send = 1;
inline constexpr int Receive = 2;
inline constexpr int Cts = 3;
inline constexpr int Dsr = 4;
inline constexpr int Cd = 5;
inline constexpr int Ring = 6;
inline constexpr int Eof = 7;
inline constexpr int Break = 1001;
inline constexpr int Frame = 1004;
inline constexpr int Overrun = 1006;
inline constexpr int RxOver = 1008;
inline constexpr int RxParity = 1009;
inline constexpr int TxFull = 1010;
inline constexpr int Dcb = 1011;
// The device went away (a USB adapter unplugged) or failed in a way the
// codes above do not name.
inline constexpr int DeviceLost = 1099;
}  // namespace comm

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct PortSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
    friend bool operator==(const PortSettings&, const PortSettings&) = default;
};

// Parses the port's "Settings" text, "baud,parity,data bits,stop bits" such as
// "9600,N,8,1". Anything else is the error "invalid property value" (380) with
// a line that says what is wrong.
PortSettings parseSettings(std::string_view settings);

// One RS-232C port: no handshaking, DTR and RTS off, a receive event for every
// arrival of characters.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    virtual const std::string& name() const = 0;
    // Opens the port with the settings. A port that cannot be opened or refuses
    // a setting raises its error (8002, 8005, 8010 or 380) with the port name and
    // the system's reason as the error's detail.
    virtual void open(const PortSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual void discardInput() = 0;
    virtual void discardOutput() = 0;
    virtual void write(std::string_view bytes) = 0;
    // Everything that has arrived and not yet been read.
    virtual std::string readAll() = 0;
    // The system's reason for the last DeviceLost event, or "" when it gave none.
    virtual std::string failure() const { return {}; }

    // Called on the user-interface thread with an event code of `comm`.
    virtual void setCommHandler(std::function<void(int event)> handler) = 0;
};

}  // namespace rf::platform

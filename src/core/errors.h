#pragma once

#include <stdexcept>
#include <string>

namespace rf {

// Numbered error conditions. The numbers are part of what the operator sees
// ("Other Error No =  205"), so they are kept exactly.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DivisionByZero = 11;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int InputPastEnd = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int InvalidPropertyValue = 380;

// Fatal communication events of the receive handler.
inline constexpr int CommBreak = 190;
inline constexpr int CommFrame = 191;
inline constexpr int CommOverrun = 192;
inline constexpr int CommRxOver = 193;
inline constexpr int CommParity = 194;
inline constexpr int CommTxFull = 195;
inline constexpr int CommDcb = 196;
inline constexpr int CommUnknown = 197;

// Link errors of one exchange.
inline constexpr int TimeOver = 200;
inline constexpr int AckReceive = 201;
inline constexpr int ErrReceive = 202;
inline constexpr int OtherReply = 203;

// Bad reply contents and unsupported recorder.
inline constexpr int ValueRange = 204;
inline constexpr int BadReply = 205;
inline constexpr int DifferentProgram = 206;

// The recorder answered every command but did not reach a transport state in
// the time a wait that STOP cannot end allows (a jammed eject): not a link fault.
inline constexpr int NotReached = 207;

// Serial port that cannot be opened.
inline constexpr int PortInvalid = 8002;
inline constexpr int PortAlreadyOpen = 8005;
inline constexpr int PortUnavailable = 8010;
}  // namespace err

// A raised error: its number and, where there is one, a second line with the
// particulars (a port name and the system's reason, a file name).
class RfError : public std::runtime_error {
  public:
    explicit RfError(int number, std::string detail = {});
    int number() const noexcept { return number_; }
    const std::string& detail() const noexcept { return detail_; }

  private:
    int number_;
    std::string detail_;
};

[[noreturn]] void Raise(int number, std::string detail = {});

// Thrown from the event pump once the program's end has been requested, so the
// request unwinds every wait loop. Top-level handlers let it pass; it is not an
// RfError and never reaches an Abort/Retry/Ignore box.
struct ProgramEnd {};

// "Other Error No = " with the number formatted the way the operator knows it:
// a blank in the place of the sign, so " 205".
std::string otherErrorText(int number);

// The number as the system prints an integer: a leading blank for positive values.
std::string signedNumberText(long number);

// Text of the link errors and the unsupported-recorder error, or the
// "Other Error No" form for every other number.
std::string linkErrorText(int number);

// The text an error box shows for an error: linkErrorText, and for a state
// the recorder did not reach, which one and where it stayed on a second line;
// for a file that could not be written (75), the file and the reason.
std::string errorText(const RfError& error);

}  // namespace rf

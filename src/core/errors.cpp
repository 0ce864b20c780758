#include "core/errors.h"

namespace rf {

namespace {
std::string describe(int number, const std::string& detail) {
    std::string what = "error " + std::to_string(number);
    if (!detail.empty()) what += ": " + detail;
    return what;
}
}  // namespace

RfError::RfError(int number, std::string detail)
    : std::runtime_error(describe(number, detail)), number_(number), detail_(std::move(detail)) {}

void Raise(int number, std::string detail) {
    throw RfError(number, std::move(detail));
}

std::string signedNumberText(long number) {
    return number < 0 ? std::to_string(number) : " " + std::to_string(number);
}

std::string otherErrorText(int number) {
    return "Other Error No = " + signedNumberText(number);
}

std::string linkErrorText(int number) {
    switch (number) {
        case err::TimeOver:
            return "RS232-C Time Over Error";
        case err::AckReceive:
            return "RS232-C ACK Receive Error";
        case err::ErrReceive:
            return "RS232-C Err Receive Error";
        case err::OtherReply:
            return "RS232-C Other Error";
        case err::DifferentProgram:
            return "Different Adjustment Program";
        case err::NotReached:
            return "VTR Status Error";
        default:
            return otherErrorText(number);
    }
}

std::string errorText(const RfError& error) {
    std::string text = linkErrorText(error.number());
    // A state not reached says which one; a file that could not be written
    // (the operation log) names itself and the system's reason.
    const bool told = error.number() == err::NotReached || error.number() == err::PathFileAccess;
    if (told && !error.detail().empty()) text += "\n" + error.detail();
    return text;
}

}  // namespace rf

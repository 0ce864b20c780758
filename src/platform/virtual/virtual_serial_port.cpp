#include "platform/virtual/virtual_serial_port.h"

#include "core/errors.h"
#include "platform/virtual/virtual_platform.h"

namespace rf::platform::virt {

VirtualSerialPort::VirtualSerialPort(VirtualPlatform& platform, std::string name)
    : platform_(platform), name_(std::move(name)) {
    platform_.port_ = this;
}

VirtualSerialPort::~VirtualSerialPort() {
    if (platform_.port_ == this) platform_.port_ = nullptr;
}

void VirtualSerialPort::open(const PortSettings& settings) {
    if (open_) Raise(err::PortAlreadyOpen, name_ + ": the port is already open");
    if (auto& refusal = platform_.refusal_) {
        auto r = *refusal;
        if (--refusal->count <= 0) refusal.reset();
        Raise(r.number, name_ + ": " + r.reason);
    }
    settings_ = settings;
    open_ = true;
    input_.clear();
}

void VirtualSerialPort::close() {
    open_ = false;
    input_.clear();
}

void VirtualSerialPort::write(std::string_view bytes) {
    if (!open_) Raise(err::PortInvalid, name_ + ": the port is not open");
    platform_.wire_.push_back(
        {WireRecord::Dir::ToPeer, platform_.scheduler_.now(), std::string(bytes)});
    if (platform_.peer_) platform_.peer_->onToolBytes(bytes, platform_.scheduler_.now(), *this);
}

std::string VirtualSerialPort::readAll() {
    return std::exchange(input_, {});
}

void VirtualSerialPort::deliver(std::string bytes, Micros at) {
    platform_.scheduler_.at(at, [this, bytes = std::move(bytes)] {
        if (!open_) return;
        platform_.wire_.push_back({WireRecord::Dir::FromPeer, platform_.scheduler_.now(), bytes});
        input_ += bytes;
        if (handler_) handler_(comm::Receive);
    });
}

void VirtualSerialPort::deliverEvent(int code, Micros at, std::string failure) {
    platform_.scheduler_.at(at, [this, code, failure = std::move(failure)] {
        failure_ = failure;
        if (open_ && handler_) handler_(code);
    });
}

}  // namespace rf::platform::virt

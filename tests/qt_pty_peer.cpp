#include "qt_pty_peer.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace rf::testing {

namespace {
[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}
}  // namespace

PtyPair::PtyPair() {
    termios raw{};
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B9600);
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) fail("openpty");
    slavePath_ = name;
}

PtyPair::~PtyPair() {
    closeMaster();
    if (slave_ >= 0) ::close(slave_);
}

void PtyPair::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

PtyPeer::PtyPeer(int masterFd, Responder responder)
    : master_(masterFd), responder_(std::move(responder)), thread_([this] { run(); }) {}

PtyPeer::~PtyPeer() {
    stop_ = true;
    thread_.join();
}

void PtyPeer::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // the line is gone; the test sees the missing reply
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::vector<std::string> PtyPeer::frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

void PtyPeer::run() {
    std::string pending;
    while (!stop_) {
        pollfd fd{master_, POLLIN, 0};
        const int ready = ::poll(&fd, 1, 10);  // a short wait, to see stop_ soon
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (fd.revents & (POLLERR | POLLNVAL))) return;
        if (!(fd.revents & (POLLIN | POLLHUP))) continue;
        char buf[512];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return;
        pending.append(buf, static_cast<std::size_t>(n));
        for (std::size_t etx; (etx = pending.find('\x03')) != std::string::npos;) {
            std::string frame = pending.substr(0, etx + 1);
            pending.erase(0, etx + 1);
            {
                std::lock_guard lock(mutex_);
                frames_.push_back(frame);
            }
            if (responder_) responder_(frame, *this);
        }
    }
}

}  // namespace rf::testing

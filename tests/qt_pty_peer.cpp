#include "qt_pty_peer.h"

#include <fcntl.h>
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
    : master_(masterFd), responder_(std::move(responder)) {
    if (::pipe2(wake_, O_CLOEXEC) != 0) fail("pipe2");
    thread_ = std::thread([this] { run(); });
}

PtyPeer::~PtyPeer() {
    stop();
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void PtyPeer::stop() {
    if (!thread_.joinable()) return;
    const char c = 'x';
    while (::write(wake_[1], &c, 1) < 0 && errno == EINTR) {
    }
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
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (fds[0].revents & (POLLERR | POLLNVAL)) return;
        if (!(fds[0].revents & (POLLIN | POLLHUP))) continue;
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

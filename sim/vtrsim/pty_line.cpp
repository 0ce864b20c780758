#include "pty_line.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace rf::sim::vtrsim {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::string readLink(const std::string& path) {
    char buf[4096];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    return n < 0 ? std::string{} : std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace

PtyLine::PtyLine(std::string linkPath) : linkPath_(std::move(linkPath)) {
    // What is at the path decides first: nothing is opened for a path that
    // cannot be used.
    struct stat st {};
    const bool exists = ::lstat(linkPath_.c_str(), &st) == 0;
    if (exists && !S_ISLNK(st.st_mode))
        throw std::runtime_error(linkPath_ +
                                 " exists and is not a symbolic link; it is left alone");
    if (exists) replaced_ = readLink(linkPath_);

    termios raw{};
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B9600);
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) fail("openpty");
    slavePath_ = name;
    for (int fd : {master_, slave_})
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);

    const char* failed = nullptr;
    if (exists && ::unlink(linkPath_.c_str()) != 0)
        failed = "cannot replace the old link ";
    else if (::symlink(slavePath_.c_str(), linkPath_.c_str()) != 0)
        failed = "cannot make the link ";
    if (failed) {
        const int e = errno;
        ::close(master_);
        ::close(slave_);
        errno = e;
        fail(failed + linkPath_);
    }
    linked_ = true;
}

PtyLine::~PtyLine() {
    removeLink();
    ::close(master_);
    ::close(slave_);
}

bool PtyLine::removeLink() {
    if (!linked_) return false;
    linked_ = false;
    // Another vtrsim may have taken the path over meanwhile.
    if (readLink(linkPath_) != slavePath_) return false;
    return ::unlink(linkPath_.c_str()) == 0;
}

std::size_t PtyLine::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            break;  // full: nobody has read the slave for a long while
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return bytes.size();
}

}  // namespace rf::sim::vtrsim

#include "core/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/errors.h"

namespace rf {

namespace {

// What a file that is no regular file is, for the message.
const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "no regular file";
}

int writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

std::string readWholeFile(const std::string& path, std::size_t maxBytes) {
    // Not blocking: a pipe without a writer must not hold the open.
    const Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0)
        Raise(err::FileNotFound, std::string("cannot be opened (") + std::strerror(errno) + ")");
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        Raise(err::PathFileAccess, std::string("cannot be read (") + std::strerror(errno) + ")");
    if (!S_ISREG(st.st_mode))
        Raise(err::PathFileAccess, std::string(kindOf(st.st_mode)) + ", not a file");
    const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
    if (static_cast<std::size_t>(st.st_size) > maxBytes) Raise(err::PathFileAccess, tooLarge);
    // Read to the end, not to the size taken above: the file may grow meanwhile.
    std::string text;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(file.fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            Raise(err::PathFileAccess,
                  std::string("cannot be read (") + std::strerror(errno) + ")");
        if (n == 0) break;
        text.append(buf, static_cast<std::size_t>(n));
        if (text.size() > maxBytes) Raise(err::PathFileAccess, tooLarge);
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    return text;
}

int appendWhole(int fd, std::string_view text, bool sync) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    int failed = writeAll(fd, text);
    if (!failed && sync && ::fsync(fd) != 0) failed = errno;
    // Taken back after a failed sync too: the caller reports the text as not
    // written, and one written again must not stand twice. A cut that fails
    // leaves the file ending inside the text, which the caller can see.
    if (failed) {
        [[maybe_unused]] const int cut = ::ftruncate(fd, st.st_size);
    }
    return failed;
}

std::string linkTarget(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path at = path;
    std::error_code ec;
    // As many links as the system follows in one path; a loop ends at the last one.
    for (int links = 0; links < 40 && fs::is_symlink(fs::symlink_status(at, ec)); ++links) {
        const fs::path to = fs::read_symlink(at, ec);
        if (ec) break;
        at = to.is_absolute() ? to : at.parent_path() / to;
    }
    return at.string();
}

}  // namespace rf

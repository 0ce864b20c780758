#include "run/operation_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/delimited.h"
#include "core/errors.h"
#include "core/files.h"

namespace rf::run {

namespace {
std::string two(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

// Whether the file's last byte is no line end (a record cut short); a file
// that cannot be read back counts as whole.
bool endsInsideLine(int fd) {
    struct stat st {};
    char last = '\n';
    if (::fstat(fd, &st) != 0 || st.st_size == 0) return false;
    return ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n';
}
}  // namespace

std::string logDate(const platform::DateTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", t.month, t.day, t.year);
    return buf;
}

std::string logTime(const platform::DateTime& t) {
    return two(t.hour) + ":" + two(t.minute) + ":" + two(t.second);
}

void OperationLog::open(const platform::DateTime& now) {
    close();
    // Read too: open sees whether the file ends inside a record.
    fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) Raise(err::PathFileAccess, path_ + ": " + std::strerror(errno));
    midLine_ = endsInsideLine(fd_);
    writeDateLine(now);
}

void OperationLog::writeDateLine(const platform::DateTime& now) {
    append(DelimitedRecord().text(logDate(now)).text(logTime(now)).line(), true);
}

void OperationLog::writeText(std::string_view text) {
    writeRecord(DelimitedRecord().text(text).line());
}

void OperationLog::writeRecord(const std::string& line) {
    append(line, false);
}

void OperationLog::append(const std::string& line, bool durable) {
    if (fd_ < 0) return;
    if (const int failed = appendWhole(fd_, midLine_ ? "\r\n" + line : line, durable)) {
        midLine_ = endsInsideLine(fd_);
        Raise(err::PathFileAccess, path_ + ": " + std::strerror(failed));
    }
    midLine_ = false;
}

void OperationLog::sync() {
    if (fd_ >= 0 && ::fsync(fd_) != 0)
        Raise(err::PathFileAccess, path_ + ": " + std::strerror(errno));
}

void OperationLog::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace rf::run

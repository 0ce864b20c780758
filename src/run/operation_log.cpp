#include "run/operation_log.h"

#include <cstdio>
#include <cstring>

#include "core/delimited.h"
#include "core/errors.h"

namespace rf::run {

namespace {
std::string two(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
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
    if (out_.is_open()) out_.close();
    out_.open(path_, std::ios::binary | std::ios::app);
    if (!out_) Raise(err::PathFileAccess, path_ + ": " + std::strerror(errno));
    writeDateLine(now);
}

void OperationLog::writeDateLine(const platform::DateTime& now) {
    writeRecord(DelimitedRecord().text(logDate(now)).text(logTime(now)).line());
}

void OperationLog::writeText(std::string_view text) {
    writeRecord(DelimitedRecord().text(text).line());
}

void OperationLog::writeRecord(const std::string& line) {
    if (!out_.is_open()) return;
    out_ << line;
    out_.flush();
    if (!out_) {
        out_.clear();
        Raise(err::PathFileAccess, path_ + ": the record could not be written");
    }
}

void OperationLog::close() {
    if (out_.is_open()) out_.close();
}

}  // namespace rf::run

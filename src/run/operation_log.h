#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace rf::run {

// The date line's two fields: "MM-DD-YYYY" and "hh:mm:ss".
std::string logDate(const platform::DateTime& t);
std::string logTime(const platform::DateTime& t);

// The operation log: a file only ever appended to, one record per line in the
// delimited form. Every record goes to the file as it is written, so nothing is
// lost if the program dies; the date lines and a programme's end lines also
// reach the disk before the tool goes on, so they outlive a power loss. A
// record that cannot be written (a full disk) is taken back whole and is
// "path/file access error" (75) with the file and the system's reason; the
// file holds whole records only, and a record cut by an earlier run is closed
// before the next one.
class OperationLog {
  public:
    explicit OperationLog(std::string path) : path_(std::move(path)) {}
    ~OperationLog() { close(); }
    OperationLog(const OperationLog&) = delete;
    OperationLog& operator=(const OperationLog&) = delete;

    // Opens for appending (creating the file when missing) and writes a date line.
    void open(const platform::DateTime& now);
    void writeDateLine(const platform::DateTime& now);
    void writeText(std::string_view text);
    // A whole record line (DelimitedRecord::line()), written through.
    void writeRecord(const std::string& line);
    // Returns once every record written is on the disk.
    void sync();
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

  private:
    void append(const std::string& line, bool durable);
    std::string path_;
    int fd_ = -1;
    bool midLine_ = false;  // the file ends inside a record
};

}  // namespace rf::run

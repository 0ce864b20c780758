#pragma once

#include <fstream>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace rf::run {

// The date line's two fields: "MM-DD-YYYY" and "hh:mm:ss".
std::string logDate(const platform::DateTime& t);
std::string logTime(const platform::DateTime& t);

// The operation log: a file only ever appended to, one record per line in the
// delimited form. Every record goes to the file as it is written, so nothing is
// lost if the program dies.
class OperationLog {
  public:
    explicit OperationLog(std::string path) : path_(std::move(path)) {}

    // Opens for appending (creating the file when missing) and writes a date line.
    void open(const platform::DateTime& now);
    void writeDateLine(const platform::DateTime& now);
    void writeText(std::string_view text);
    // A whole record line (DelimitedRecord::line()), written through.
    void writeRecord(const std::string& line);
    void close();
    bool isOpen() const { return out_.is_open(); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::ofstream out_;
};

}  // namespace rf::run

#pragma once

// A harness's scratch file: the readers under test take a path, so each input
// is written to a file in a directory of its own under $TMPDIR (or /tmp),
// made once per process and removed again at its exit.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace rf::fuzz {

class ScratchDir {
  public:
    ScratchDir() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/rf-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }

    // Writes the bytes to the named file in the directory, replacing it.
    std::string write(const std::string& name, const std::uint8_t* data, std::size_t size) const {
        const std::string file = path_ + "/" + name;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        if (!out) std::abort();
        return file;
    }
    std::string write(const std::string& name, const std::string& text) const {
        return write(name, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }

  private:
    std::string path_;
};

// The process's scratch directory; a static, so it goes at the process's exit.
inline const ScratchDir& scratch() {
    static const ScratchDir dir;
    return dir;
}

}  // namespace rf::fuzz

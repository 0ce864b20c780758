#pragma once

#include <string>
#include <string_view>

namespace rf::sim::vtrsim {

// The pseudo-terminal vtrsim serves the recorder on, and the symbolic link by
// which the tool opens its slave side like a serial device.
class PtyLine {
  public:
    // Opens a raw pair and makes `linkPath` a symbolic link to the slave. An
    // existing symbolic link there is replaced (`replaced()` says where it
    // pointed); any other kind of file is left alone and std::runtime_error
    // says why, as does every other failure.
    explicit PtyLine(std::string linkPath);
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;
    // Removes the link, unless it no longer points to this terminal.
    ~PtyLine();

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    const std::string& linkPath() const { return linkPath_; }
    const std::string& replaced() const { return replaced_; }

    // Writes without blocking; returns how many bytes the terminal did not take.
    std::size_t write(std::string_view bytes);
    // Takes the link away now; true when it was there and pointed here.
    bool removeLink();

  private:
    int master_ = -1;
    // Held open so that the master does not see a hang-up while the tool has
    // its port closed; the tool's reads and writes go through its own opening.
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;
    std::string replaced_;
    bool linked_ = false;
};

}  // namespace rf::sim::vtrsim

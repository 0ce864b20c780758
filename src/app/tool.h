#pragma once

#include <memory>
#include <optional>
#include <string>

#include "state/shared.h"
#include "core/steps.h"
#include "link/rs_commands.h"
#include "link/rs_link.h"
#include "platform/platform.h"
#include "shell/operation_log.h"

namespace rf::app {

inline constexpr const char* DvtrRfFile = "DVTRRF.DAT";
inline constexpr const char* RsSetFile = "RSSET.DAT";

// The running tool: its shared state, the link to the recorder and the
// operation log, on one platform. Files are read and written in the working
// directory.
class Tool {
  public:
    explicit Tool(platform::Platform& platform);
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;
    ~Tool();

    // The start-up routine: refuses a second copy, presets the shared state,
    // reads the settings files and loads the main window (port and log). False
    // when the program ended instead (another copy, or Abort/Ignore).
    bool Main();

    // Ends the program: writes the error text (if any) and a date line to the
    // operation log, closes the log and the port, and requests the end.
    void endProgram(const std::optional<std::string>& errorText = std::nullopt);
    bool ended() const { return ended_; }

    Shared& shared() { return s_; }
    link::RsLink& link() { return link_; }
    link::Rs& rs() { return rs_; }
    shell::OperationLog& log() { return log_; }
    platform::SerialPort* port() { return port_.get(); }
    platform::Platform& platform() { return platform_; }

    // The main window's load step: configures and opens the serial port, then
    // opens the operation log with its date line.
    void FormLoad();

  private:
    // The start-up handler: shows the error and returns the operator's choice.
    ErrorChoice startupError(const RfError& error, const char* fileBeingRead);
    void closePort();

    platform::Platform& platform_;
    Shared s_;
    link::RsLink link_;
    link::Rs rs_;
    shell::OperationLog log_;
    std::unique_ptr<platform::SerialPort> port_;
    bool ended_ = false;
};

}  // namespace rf::app

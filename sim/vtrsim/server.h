#pragma once

#include <QSocketNotifier>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "options.h"
#include "pty_line.h"
#include "sim/realtime/qt_sim_port.h"

namespace rf::sim::vtrsim {

// vtrsim's work on Qt's event loop: the recorder in real time on the master
// side of the pseudo-terminal, and the front panel. Everything it does is
// written to `out`, one line per action.
class Server {
  public:
    // Opens the line and makes the link; std::runtime_error when it cannot.
    Server(const Options& options, std::FILE* out);
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server();

    // Runs one front-panel line; false when it asks vtrsim to end.
    bool command(std::string_view line);
    void say(const std::string& line);
    // Takes the link away ahead of the end; says so.
    void removeLink();

  private:
    void readTool();
    void send(const Output& output);
    void trace(const char* who, std::string_view bytes);

    Options options_;
    std::FILE* out_;
    PtyLine line_;
    RealTimeRecorder host_;
    QSocketNotifier toolNotifier_;
    // When the last character the tool sent has crossed the simulated line.
    Micros lineFree_{0};
};

// The bytes of the line with the control characters named: "<STX>QID<ETX>".
std::string visible(std::string_view bytes);

}  // namespace rf::sim::vtrsim

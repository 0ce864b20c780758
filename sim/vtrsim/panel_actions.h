#pragma once

#include <string>
#include <vector>

#include "panel_command.h"
#include "sim/realtime/qt_sim_port.h"

namespace rf::sim::vtrsim {

// Carries out a front-panel command on the recorder and says what happened,
// one line per action. Help and Quit belong to the program and answer nothing
// here. A line event goes to the recorder's line: what becomes of it is up to
// the sink the recorder delivers to.
std::vector<std::string> runPanelCommand(const PanelCommand& command, RealTimeRecorder& recorder);

// "h:mm:ss" of a number of seconds.
std::string clockText(double seconds);
// One line of the transport status, tape, position and remaining time, the
// switches, the identification and the induce code.
std::string statusLine(const PanelState& state);

}  // namespace rf::sim::vtrsim

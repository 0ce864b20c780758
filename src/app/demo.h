#pragma once

#include <ostream>
#include <string>

namespace rf::app {

// An unattended run, as an operator would make it, on the built-in simulated
// recorder in virtual time, in the current working directory: the connection
// check, the programme ("error-rate" or "adjust") on every block, the serial
// number "DEMO0001", the automatic tape changer and the default answer to every
// other question. It writes the same log and files as an operator's run and
// prints a summary. Returns the process exit code: 0 when the programme ran to
// its end, non-zero (with the reason printed) when it could not.
int runDemo(const std::string& programme, std::ostream& out, std::ostream& err);

}  // namespace rf::app

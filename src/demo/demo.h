#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "platform/virtual/scripted_dialogs.h"

namespace rf::demo {

// An unattended run, as an operator would make it, on the built-in simulated
// recorder in virtual time, in the current working directory: the connection
// check, the programme ("error-rate" or "adjust") on every block, the serial
// number "DEMO0001", the automatic tape changer and the default answer to every
// other question. It writes the same log and files as an operator's run and
// prints a summary. With a data file, "adjust" then saves the run's data to it
// (File > Save), and "upload" starts the tool, loads the file (File > Load) and
// uploads it to the recorder's "User" area instead of running a programme.
// Returns the process exit code: 0 when the programme ran to its end, non-zero
// (with the reason printed) when it could not.
int runDemo(const std::string& programme, std::ostream& out, std::ostream& err,
            const std::string& dataFile = {});

// The answer of an operator who only presses Enter: the first button of a
// message box (Abort for Abort/Retry/Ignore), the proposed text of an input
// box, "DEMO0001" as the serial number, when `induce` is given, that induce
// code when asked for one, the first button of a window of buttons, and the
// data file in a file dialog.
platform::virt::DialogRecord unattendedAnswer(const platform::virt::DialogRecord& shown,
                                              const std::string& induce = {},
                                              const std::string& dataFile = {});
// Why an unattended run cannot be made in the working directory (its
// RSSET.DAT cannot be read, or names a port other than "SIM"), as one line
// for standard error; none when it can.
std::optional<std::string> simulatorRefusal();
// The date and time now: an unattended run's virtual time starts there, so
// its log carries the real date of the run.
platform::DateTime localNow();

// The last error message the tool showed, to say why a run did not get through.
std::string lastErrorShown(const platform::virt::ScriptedDialogs& dialogs);

}  // namespace rf::demo

#pragma once

#include <ostream>

namespace rf::records {

// A service centre's history of one simulated recorder, unattended, in
// virtual time, in the current working directory (whose RSSET.DAT names the
// port "SIM"): the built-in recorder visited `visits` times, 500 drum hours of
// work apart, each visit an Error Rate run (as found) and an Adjust run (as
// left) of every block, every run kept in the records store there. Then, per
// head, the forecast of its own recording's error rate ("Self VIDEO") from
// the store beside the simulator's truth: the suggested interval after the
// last adjustment, and the drum hours at which the head needs replacing.
// Returns the process exit code.
int runHistoryDemo(int visits, std::ostream& out, std::ostream& err);

}  // namespace rf::records

#pragma once

namespace rf {

// The tool's version, "2.1": the project's version in the top-level
// CMakeLists.txt, which the Debian package carries too.
const char* toolVersion();

}  // namespace rf

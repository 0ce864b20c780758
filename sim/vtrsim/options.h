#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rf::sim::vtrsim {

struct Options {
    std::string linkPath;  // where the symbolic link to the pseudo-terminal goes
    std::uint64_t seed = 1;
    std::optional<std::string> id;      // the recorder's identification, QT7310 when not given
    std::optional<std::string> induce;  // the induce code, none (three blanks) when not given
    int baud = 9600;                    // the line time the recorder works with
    std::optional<int> drumHours;       // the drum hours meter at start, 123400 when not given
    bool changer = false;
    std::optional<std::string> tape;  // in the recorder at start
    bool trace = false;
    bool exitOnEof = false;
    bool help = false;
};

struct ParsedOptions {
    Options options;
    std::string error;  // empty when the command line was good
};

// Reads the arguments after the program name. "--name value" and
// "--name=value" both work; --help needs no link path.
ParsedOptions parseOptions(const std::vector<std::string>& args);

// The --help text: usage, options, front-panel commands and the faults.
std::string usage();

}  // namespace rf::sim::vtrsim

#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/virtual/virtual_serial_port.h"

namespace rf::test {

inline constexpr std::array<char, 4> Controls = {'\x02', '\x03', '\x06', '\x15'};
inline const std::array<std::string, 4> ControlNames = {"<STX>", "<ETX>", "<ACK>", "<NAK>"};

// A stretch of the line as text, one record per line: the virtual time in
// milliseconds from the first record, ">" for what the tool wrote and "<" for
// what came back, and the bytes with STX, ETX, ACK and NAK spelt out.
inline std::string wireTranscript(const std::vector<platform::virt::WireRecord>& wire,
                                  std::size_t from = 0) {
    std::ostringstream out;
    if (from >= wire.size()) return {};
    const auto start = wire[from].at;
    for (std::size_t i = from; i < wire.size(); ++i) {
        const auto& r = wire[i];
        char at[32];
        std::snprintf(at, sizeof at, "%10.1f ",
                      std::chrono::duration<double, std::milli>(r.at - start).count());
        out << at << (r.dir == platform::virt::WireRecord::Dir::ToPeer ? "> " : "< ");
        for (char c : r.bytes) {
            const auto name = std::find(Controls.begin(), Controls.end(), c) - Controls.begin();
            out << (name < 4 ? ControlNames[static_cast<std::size_t>(name)] : std::string(1, c));
        }
        out << '\n';
    }
    return out.str();
}

// Compares a transcript with the file kept in tests/data. With
// RF_UPDATE_TRANSCRIPTS=1 in the environment the file is written instead (to
// be read and committed by hand).
inline void expectTranscript(const std::string& actual, const std::string& name) {
    const std::string path = std::string(RF_TEST_DATA_DIR) + "/" + name;
    if (const char* update = std::getenv("RF_UPDATE_TRANSCRIPTS"); update && *update == '1') {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path << " is missing; RF_UPDATE_TRANSCRIPTS=1 writes it";
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(actual, expected.str()) << "transcript " << path;
}

}  // namespace rf::test

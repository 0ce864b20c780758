// Speed of a whole programme in virtual time: the "Error Rate" programme on
// every block against the simulated recorder, as an unattended run makes it.
// Prints how much recorder time it covers, the wall time it takes, and their
// ratio, one figure per line as "name: value".
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "demo/demo.h"

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / "rfadjust-programme-speed";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    std::ofstream("DVTRRF.DAT") << "1,2,3\r\n";
    std::ofstream("RSSET.DAT") << "\"SIM\",\"9600\",\"N\",\"8\",\"1\"\r\n";

    double recorderSeconds = 0;
    std::chrono::duration<double> wall{0};
    for (int i = 0; i < runs; ++i) {
        std::ostringstream out, err;
        const auto start = std::chrono::steady_clock::now();
        const int rc = rf::demo::runDemo("error-rate", out, err);
        wall += std::chrono::steady_clock::now() - start;
        if (rc != 0) {
            std::cerr << err.str();
            return 1;
        }
        // "Recorder time hh:mm:ss, computed in N ms"
        const std::string text = out.str();
        const auto at = text.find("Recorder time ");
        int h = 0, m = 0, s = 0;
        std::sscanf(text.c_str() + at + 14, "%d:%d:%d", &h, &m, &s);
        recorderSeconds += h * 3600 + m * 60 + s;
        fs::remove("QT7310AdjLog.txt");
    }
    fs::current_path(previous);
    fs::remove_all(dir);

    const double wallSeconds = wall.count() / runs;
    const double simSeconds = recorderSeconds / runs;
    std::printf("runs: %d\n", runs);
    std::printf("recorder_time_s: %.0f\n", simSeconds);
    std::printf("wall_time_ms: %.2f\n", wallSeconds * 1000);
    std::printf("speedup_ratio: %.0f\n", simSeconds / wallSeconds);
    return 0;
}

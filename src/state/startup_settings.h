#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace rf {

// What the tool reads at start-up and keeps: the names of its files in the
// working directory and the contents of its settings files.
struct StartupSettings {
    std::string AdjLogFile = "QT7310AdjLog.txt";
    std::string ErrDataFile = "QT7310Err.dat";
    std::string EvrDataFile = "QT7310Evr.dat";

    // DVTRRF.DAT: three integers, read and kept.
    std::array<std::int16_t, 3> DvtrRf{};

    // RSSET.DAT. RsPortNo is 0 when the file names the port as text.
    std::int16_t RsPortNo = 0;
    std::string RsPortName;  // the device the port field selects
    std::string RsBaud, RsParity, RsDataBit, RsStopBit;

    // The recorder's induce code is read at the connection check, and Set
    // Induce offered; set at start-up and not changed.
    bool InduceCheck = false;
};

}  // namespace rf

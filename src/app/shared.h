#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/block.h"

namespace rf::app {

// The running tool's shared state. Every module that needs a value reaches it
// through a reference to this one struct; a test builds a fresh one per case.
struct Shared {
    // File names in the working directory.
    std::string AdjLogFile = "QT7310AdjLog.txt";
    std::string ErrDataFile = "QT7310Err.dat";
    std::string EvrDataFile = "QT7310Evr.dat";

    // DVTRRF.DAT: three integers, read and kept.
    std::array<std::int16_t, 3> DvtrRf{};

    // RSSET.DAT. RsPortNo is 0 when the file names the port as text.
    std::int16_t RsPortNo = 0;
    std::string RsPortName;  // the device the port field selects
    std::string RsBaud, RsParity, RsDataBit, RsStopBit;

    std::string ErrMsgText;
    int MsgAnswer = 0;
    bool FormInitDone = false;
    bool InduceCheck = false;
    bool PrgWaitFlag = false;
    bool AdjModeOn = false;
    bool RecModeOn = false;

    std::string VtrStatus;
    std::string VtrId;
    std::string SysconVer;
    std::string VtrInduce;
    std::string VtrSerialNo;
    std::string VtrName;

    // Default adjustment data, set once at start-up.
    PbTable PbIniData;
    RecTable RecIniData;
};

// Fills the default tables for formats 0-7, speeds 0-6, categories 0-1, kinds
// 0-3 and channels 0-1; every other entry stays 0.
void presetDefaults(PbTable& pb, RecTable& rec);

}  // namespace rf::app

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/block.h"
#include "core/table.h"

namespace rf {

// Block tables by (direction 0 record / 1 playback, format, speed, category,
// kind, channel).
using BlockTable = Table<bool, 2, 9, 8, 3, 5, 3>;
// Error-rate exponents of HDLP blocks: (format, category, kind, group, head,
// measurement kind 0 playback / 3 self / 6 conf).
using ErrLpTable = Table<float, 9, 3, 5, 4, 5, 8>;
// Error-rate exponents of the four-channel formats: (format, channel, kind).
using ErrOtTable = Table<float, 9, 5, 8>;
// Envelope levels: (channel, head, band 0 high / 1 low).
using LevelTable = Table<float, 3, 3, 3>;
// Playback format-and-speed selection: (format, speed).
using FmtRpmTable = Table<bool, 9, 8>;

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
    // The connection check identified a supported model with recent enough
    // software; until it has, no programme or data transfer may start (an
    // error answered Ignore must not make an unknown recorder runnable).
    bool VtrSupported = false;

    // The block being worked on.
    BlockSel sel;

    // Block selection and completion.
    BlockTable AdjSel, AdjTarget, AdjDone;
    int AdjTargetCount = 0, AdjDoneCount = 0;

    // Run control.
    bool StopReq = false, IrqReq = false;
    bool PbAdjRun = false, RecAdjRun = false, PbMeasRun = false, RecMeasRun = false;
    float PbStepCount = 0, RecStepCount = 0;

    // Operation log and progress.
    std::string DspText;
    std::string PbModeCode = "0";
    float ProgressVal = 0, ProgressStep = 0;

    // Error-rate measurement.
    std::string RmParam;
    std::array<float, 12> SRealErr{};
    std::array<int, 4> ErrRateStep{};
    std::array<std::string, 4> ErrRateText;
    std::array<int, 13> ErrDspStep{};
    std::array<std::string, 1> ErrChLabel;
    ErrLpTable RealErrLp, ErrResLp;
    ErrOtTable RealErrOt, ErrResOt;
    int ErrSelNo = 0;

    // Adjustment data.
    PbTable PbIniData, PbData, PbDataRead;
    RecTable RecIniData, RecData, RecDataRead;
    FmtRpmTable PbFmtRpmSel;
    LevelTable MasterPbLevel, SelfPbLevel, RecEnvLevel;
    // The format and speed whose master levels MasterPbLevel holds, once all
    // of them were measured in this session; a playback block marked done
    // does not mean they were (a playback-only run never measures them).
    std::optional<std::pair<int, int>> MasterPbLevelOf;
    std::array<std::string, 3> HourText;
    int ErrRateRetry = 0;
    bool ErrRateBad = false;

    // Data transfer and data files.
    bool DownLoadDone = false, FileLoaded = false, AreaChosen = false;
    int AreaNo = 0;
};

// Calls fn(f, r, c, k, h) for every selection the programmes use: formats 0-7,
// speeds 0-6, categories 0-1, kinds 0-3, channels 0-1.
template <typename Fn>
void forEachSelection(Fn fn) {
    for (int f = 0; f <= 7; ++f)
        for (int r = 0; r <= 6; ++r)
            for (int c = 0; c <= 1; ++c)
                for (int k = 0; k <= 3; ++k)
                    for (int h = 0; h <= 1; ++h)
                        fn(f, r, c, k, h);
}

// Calls fn(d, f, r, c, k, h) for both directions (0 record, 1 playback) of
// every selection the programmes use.
template <typename Fn>
void forEachBlock(Fn fn) {
    for (int d = 0; d <= 1; ++d)
        forEachSelection([&](int f, int r, int c, int k, int h) { fn(d, f, r, c, k, h); });
}

// Fills the default tables for formats 0-7, speeds 0-6, categories 0-1, kinds
// 0-3 and channels 0-1; every other entry stays 0.
void presetDefaults(PbTable& pb, RecTable& rec);

}  // namespace rf

#pragma once

#include <optional>
#include <utility>

#include "core/block.h"
#include "core/table.h"

namespace rf {

// Envelope levels: (channel, head, band 0 high / 1 low).
using LevelTable = Table<float, 3, 3, 3>;

// The adjustment data: the defaults, the values a programme sets, the values
// read from the recorder or a data file, and the envelope levels measured.
struct AdjustmentTables {
    PbTable PbIniData, PbData, PbDataRead;
    RecTable RecIniData, RecData, RecDataRead;
    LevelTable MasterPbLevel, SelfPbLevel, RecEnvLevel;
    // The format and speed whose master levels MasterPbLevel holds, once all
    // of them were measured in this session; a playback block marked done
    // does not mean they were (a playback-only run never measures them).
    std::optional<std::pair<int, int>> MasterPbLevelOf;

    // Where the read tables came from: a download from the recorder or a
    // data file; and the area a transfer was asked for.
    bool DownLoadDone = false, FileLoaded = false, AreaChosen = false;
    int AreaNo = 0;
};

// Fills the default tables for formats 0-7, speeds 0-6, categories 0-1, kinds
// 0-3 and channels 0-1; every other entry stays 0.
void presetDefaults(PbTable& pb, RecTable& rec);

}  // namespace rf

#include <algorithm>
#include <string>
#include <vector>

#include "state/adjustment_tables.h"
#include "state/error_rates.h"
#include "state/selection.h"

namespace rf {

void presetDefaults(PbTable& pb, RecTable& rec) {
    forEachSelection([&](int f, int r, int c, int k, int h) {
        auto recRow = rec.row(f, r, c, k, h);
        const bool lp = f == fmt::HdLp;
        recRow[0] = recRow[1] = lp ? 50 : 0;
        recRow[2] = recRow[3] = lp ? -90 : 0;

        const bool dv = f == fmt::Dv;
        const std::int16_t mag = dv || lp ? -20 : -80;
        const std::int16_t tapA = dv ? -30 : -32;
        const std::int16_t tapB = dv ? -10 : -32;
        const std::int16_t item14 = lp ? (c == 0 ? 14 : 20) : dv ? (c == 0 ? 11 : 15) : 10;
        const std::int16_t items[29] = {0,    0,  mag, mag, 0,      2,    1,    18, 8, 400,
                                        28,   14, 110, 98,  item14, 2,    2,    0,  0, tapA,
                                        tapB, 0,  0,   0,   0,      tapA, tapB, 0,  0};
        auto pbRow = pb.row(f, r, c, k, h);
        for (std::size_t i = 0; i < 29; ++i)
            pbRow[i] = items[i];
    });
}

void DataInit(AdjustmentTables& tables, ErrorRates& rates) {
    forEachSelection([&](int f, int r, int c, int k, int h) {
        auto ini = tables.PbIniData.row(f, r, c, k, h);
        std::copy(ini.begin(), ini.end(), tables.PbDataRead.row(f, r, c, k, h).begin());
        std::copy(ini.begin(), ini.end(), tables.PbData.row(f, r, c, k, h).begin());
        auto rec = tables.RecIniData.row(f, r, c, k, h);
        std::copy(rec.begin(), rec.begin() + 4, tables.RecDataRead.row(f, r, c, k, h).begin());
        std::copy(rec.begin(), rec.begin() + 4, tables.RecData.row(f, r, c, k, h).begin());
    });
    for (int f = 0; f <= LastFormat; ++f) {
        for (int c = 0; c <= 1; ++c)
            for (int k = 0; k <= 3; ++k)
                for (int g = 0; g <= 2; ++g)
                    for (int ch = 0; ch <= 3; ++ch)
                        for (int kind = 0; kind <= 6; ++kind)
                            rates.RealErrLp(f, c, k, g, ch, kind) =
                                rates.ErrResLp(f, c, k, g, ch, kind) = NotMeasured;
        for (int ch = 0; ch <= 3; ++ch)
            for (int kind = 0; kind <= 6; ++kind)
                rates.RealErrOt(f, ch, kind) = rates.ErrResOt(f, ch, kind) = NotMeasured;
    }
    tables.DownLoadDone = tables.FileLoaded = false;
}

std::string recordWithoutPlaybackWarning(const Selection& selection, bool playbackRuns) {
    const auto chosen = [&](int d, int c, int k) {
        return (playbackRuns && selection.AdjSel(d, fmt::HdLp, rpm::Rpm18000, c, k, 0)) ||
               selection.AdjDone(d, fmt::HdLp, rpm::Rpm18000, c, k, 0);
    };
    if (!selection.AdjSel(dir::Record, fmt::HdLp, rpm::Rpm18000, cate::RecPlay, 0, 0) ||
        chosen(dir::Playback, cate::RecPlay, 0))
        return "";
    return "the error rate of the record heads' own recording is read through the HDLP RP "
           "playback heads, not adjusted in this session: it may fail for that. Adjust the "
           "HDLP RP playback block too (PB or ALL).";
}

}  // namespace rf

#include "state/adjustment_tables.h"
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

}  // namespace rf

#include "measure/err_rate_meas.h"

#include "measure/err_rate_calc.h"
#include "measure/error_panel.h"

namespace rf::measure {

void ErrRateSampling::read(int group) {
    const link::ErrRates r = rs_.ErrRateRead(link::ErrRateMode::Bcd, group);
    for (std::size_t k = 0; k < 4; ++k) {
        ctx_.rates.ErrRateStep[k] = r.rates[k];
        ctx_.rates.ErrRateText[k] = r.marks[k];
    }
    ctx_.display.timeCode(ctx_.rates.ErrRateText);
}

void ErrRateSampling::ErrRateMeasOt(std::array<float, 12>& SRealErr) {
    for (int warm = 0; warm < 2; ++warm) {
        rs_.ErrRateRead(link::ErrRateMode::Bcd, 0);
        ctx_.Stby(2000);
    }
    Samples a;
    for (int i = 1; i <= 9; ++i) {
        read(0);
        for (std::size_t k = 0; k < 4; ++k)
            ctx_.rates.ErrDspStep[k] = ctx_.rates.ErrRateStep[k];
        EnhErrorDisp(ctx_.display, ctx_.rates, ctx_.flags, ctx_.recorder.VtrStatus,
                     ctx_.rates.ErrSelNo);
        for (int c = 0; c < 4; ++c)
            a(i, c) = exponentOfStep(ctx_.rates.ErrDspStep[static_cast<std::size_t>(c)]);
        ctx_.Stby(2000);
    }
    // Drop the largest of the nine samples in one pass; 1 to 8 then hold the rest.
    for (int c = 0; c < 4; ++c) {
        float m = a(1, c);
        for (int i = 2; i <= 9; ++i) {
            if (a(i, c) < m) {
                a(i - 1, c) = a(i, c);
            } else {
                a(i - 1, c) = m;
                m = a(i, c);
            }
        }
    }
    EnhErrorDisp(ctx_.display, ctx_.rates, ctx_.flags, "", ctx_.rates.ErrSelNo);
    for (int c = 0; c < 4; ++c)
        SRealErr[static_cast<std::size_t>(c)] = CaluErrRate(a, c, 8);
}

void ErrRateSampling::ErrRateMeasLp2(std::array<float, 12>& SRealErr) {
    for (int warm = 0; warm < 2; ++warm) {
        for (int group = 0; group < 3; ++group)
            rs_.ErrRateRead(link::ErrRateMode::Bcd, group);
        ctx_.Stby(2000);
    }
    Samples a;
    for (int i = 1; i <= 8; ++i) {
        for (int group = 0; group < 3; ++group) {
            read(group);
            for (std::size_t k = 0; k < 4; ++k)
                ctx_.rates.ErrDspStep[4 * static_cast<std::size_t>(group) + k] =
                    ctx_.rates.ErrRateStep[k];
        }
        EnhErrorDisp(ctx_.display, ctx_.rates, ctx_.flags, ctx_.recorder.VtrStatus,
                     ctx_.rates.ErrSelNo);
        for (int c = 0; c < 12; ++c)
            a(i, c) = exponentOfStep(ctx_.rates.ErrDspStep[static_cast<std::size_t>(c)]);
        ctx_.Stby(2000);
    }
    EnhErrorDisp(ctx_.display, ctx_.rates, ctx_.flags, "", ctx_.rates.ErrSelNo);
    for (int c = 0; c < 12; ++c)
        SRealErr[static_cast<std::size_t>(c)] = CaluErrRate(a, c, 8);
}

}  // namespace rf::measure

#include "run/context.h"

#include <cmath>

namespace rf::run {

RunContext::RunContext(Shared& shared_, link::Rs& rs_, OperationLog& log_,
                       platform::Platform& platform_, Display& display_)
    : shared(shared_),
      rs(rs_),
      log(log_),
      platform(platform_),
      display(display_),
      PrgWaitBox(platform_, shared_.PrgWaitFlag) {}

void RunContext::Stby(int ms) {
    PrgWaitBox.pause(ms);
}

void RunContext::LogDsp(std::string_view text) {
    display.logLine(text);
    platform.processPending();
}

void RunContext::logLine(std::string_view text) {
    LogDsp(text);
    log.writeText(text);
}

void RunContext::progressReset() {
    display.progress(0);
}

void RunContext::ProgressDsp() {
    shared.ProgressVal += shared.ProgressStep;
    if (shared.ProgressVal > 100) shared.ProgressVal = 100;
    display.progress(static_cast<int>(std::nearbyint(shared.ProgressVal)));
    platform.processPending();
}

void RunContext::AdjNameDisp(const BlockSel& sel) {
    static constexpr const char* formats[] = {"MAGVEX25M", "DV",    "MAGVEX50M", "MAGVEX HDSP",
                                              nullptr,     nullptr, nullptr,     "MAGVEX HDLP"};
    static constexpr const char* speeds[] = {",9000rpm",  ",4500rpm", ",18000rpm", ",21600rpm",
                                             ",10800rpm", ",9900rpm", ",19800rpm"};
    static constexpr const char* categories[] = {",RP", ",PB", ",DV"};
    static constexpr const char* kinds[] = {",PB,Conf", ",PB,Slow", ",PB,SubConf", ",PB,SubSlow"};
    static constexpr const char* kindCodes[] = {"0", "2", "3", "4"};
    Shared& s = shared;
    if (sel.SFmt >= 0 && sel.SFmt <= 7 && formats[sel.SFmt]) s.DspText = formats[sel.SFmt];
    if (sel.SRpm >= 0 && sel.SRpm <= 6) s.DspText += speeds[sel.SRpm];
    if (sel.SHeadCate >= 0 && sel.SHeadCate <= 2) s.DspText += categories[sel.SHeadCate];
    if (sel.SHeadCate == cate::RecPlay) {
        s.DspText += ",RP,RP";
        s.PbModeCode = "1";
    } else if (sel.SHeadCate == cate::Playback && sel.SHeadKind >= 0 && sel.SHeadKind <= 3) {
        s.DspText += kinds[sel.SHeadKind];
        s.PbModeCode = kindCodes[sel.SHeadKind];
    }
}

}  // namespace rf::run

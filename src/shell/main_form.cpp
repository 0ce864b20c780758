#include "shell/main_form.h"

#include <cmath>

namespace rf::shell {

namespace {

struct CheckBlocks {
    int direction, format, speed;
    std::vector<std::pair<int, int>> cateKind;
};
}  // namespace

MainForm::MainForm(Shared& shared, platform::Platform& platform, link::RsLink& link,
                   OperationLog& log)
    : s_(shared),
      platform_(platform),
      link_(link),
      log_(log),
      PrgWaitBox(platform, s_.PrgWaitFlag) {}

void MainForm::MenuCtrl(MenuMode mode) {
    const bool on = mode == MenuMode::On, off = mode == MenuMode::Off;
    auto& items = m_.MenuPrg.items;
    m_.MenuPrg.enabled = true;
    for (int i : {prg::Adjust, prg::ErrorRate, prg::Start, prg::DownLoad, prg::UpLoad,
                  prg::Initialize, prg::Reset, prg::End})
        prgItem(i).enabled = on;
    prgItem(prg::Irq).enabled = false;
    prgItem(prg::Stop).enabled = off;
    if (on) {
        items[prg::Adjust].checked = true;
        items[prg::ErrorRate].checked = false;
    }
    for (Menu* menu : {&m_.MenuFile, &m_.MenuIndicate}) {
        menu->enabled = on;
        for (auto& item : menu->items)
            item.enabled = on;
    }
    m_.MenuHelp.enabled = on;
    m_.MenuHelp.items[2].enabled = on;
    m_.MenuHelp.items[0].enabled = on && s_.InduceCheck;
}

void MainForm::TabCtrl(TabMode mode) {
    const bool all = mode == TabMode::All, pb = mode == TabMode::Pb, rec = mode == TabMode::Rec,
               off = mode == TabMode::Off;
    // Tabs: 0 ALL, 1 HDLP PB, 2 HDLP REC, 3 HDSP PB, 4 50/25 PB, 5 DV PB.
    for (std::size_t t = 0; t < m_.AdjTab.size(); ++t) {
        const bool pbTab = t == 1 || t == 3 || t == 4 || t == 5;
        m_.AdjTab[t].enabled = !off && (t == 0 || (pb && pbTab) || (rec && t == 2));
    }
    for (auto& option : m_.PartAdjCheck)
        option.enabled = !off;
    if (!off) {
        for (std::size_t i = 0; i < 3; ++i)
            m_.PartAdjCheck[i].value = (i == 0 && all) || (i == 1 && pb) || (i == 2 && rec);
    }
    for (Toggle* box : {&m_.PbLpCheck[0], &m_.PbLpCheck[1], &m_.PbLpCheck[2], &m_.PbLpCheck[3],
                        &m_.PbLpCheck[4], &m_.PbSpCheck, &m_.PbProCheck, &m_.PbDvCheck}) {
        if (!off) box->value = all || pb;
        box->enabled = pb;
    }
    if (!off) m_.RecLpCheck.value = all || rec;
    m_.RecLpCheck.enabled = rec;
}

void MainForm::AdjExeCtrl() {
    using namespace kind;
    constexpr std::pair<int, int> rp{cate::RecPlay, 0};
    auto pb = [](int k) { return std::pair<int, int>{cate::Playback, k}; };
    const std::vector<std::pair<int, int>> pbKinds = {pb(Conf), pb(SubConf), pb(Slow), pb(SubSlow)};
    auto dvKinds = pbKinds;  // and the record/playback heads
    dvKinds.push_back(rp);
    const std::vector<std::pair<const Toggle*, CheckBlocks>> table = {
        {&m_.PbLpCheck[0], {dir::Playback, fmt::HdLp, rpm::Rpm18000, {pb(Conf)}}},
        {&m_.PbLpCheck[1], {dir::Playback, fmt::HdLp, rpm::Rpm18000, {pb(SubConf)}}},
        {&m_.PbLpCheck[2], {dir::Playback, fmt::HdLp, rpm::Rpm18000, {pb(Slow)}}},
        {&m_.PbLpCheck[3], {dir::Playback, fmt::HdLp, rpm::Rpm18000, {pb(SubSlow)}}},
        {&m_.PbLpCheck[4], {dir::Playback, fmt::HdLp, rpm::Rpm18000, {rp}}},
        {&m_.PbSpCheck, {dir::Playback, fmt::HdSp, rpm::Rpm19800, pbKinds}},
        {&m_.PbProCheck, {dir::Playback, fmt::Magvex50M, rpm::Rpm9900, pbKinds}},
        {&m_.PbDvCheck, {dir::Playback, fmt::Dv, rpm::Rpm9000, dvKinds}},
        {&m_.RecLpCheck, {dir::Record, fmt::HdLp, rpm::Rpm18000, {rp}}},
    };
    for (const auto& [box, blocks] : table)
        for (auto [cate, kind] : blocks.cateKind)
            for (int ch = 0; ch <= 1; ++ch)
                s_.AdjSel(blocks.direction, blocks.format, blocks.speed, cate, kind, ch) =
                    box->value;
}

void MainForm::FormInit() {
    link_.reset();
    s_.PrgWaitFlag = s_.PbAdjRun = s_.RecAdjRun = s_.PbMeasRun = s_.RecMeasRun = false;
    s_.IrqReq = s_.StopReq = s_.AdjModeOn = s_.ErrRateBad = s_.RecModeOn = s_.AreaChosen = false;
    PrgWaitBox.cancel();
    m_.ProgressBar = 0;
    s_.ProgressVal = s_.ProgressStep = 0;
    m_.Message.caption = "Please Select MENU !!";
    m_.ErrSelectVisible = true;
    m_.ErrSelect = "Video";
    s_.ErrSelNo = 0;
    MenuCtrl(MenuMode::On);
    TabCtrl(TabMode::All);
    AdjExeCtrl();
    m_.selectedTab = 0;
}

void MainForm::DataInit() {
    forEachSelection([this](int f, int r, int c, int k, int h) {
        auto ini = s_.PbIniData.row(f, r, c, k, h);
        std::copy(ini.begin(), ini.end(), s_.PbDataRead.row(f, r, c, k, h).begin());
        std::copy(ini.begin(), ini.end(), s_.PbData.row(f, r, c, k, h).begin());
        auto rec = s_.RecIniData.row(f, r, c, k, h);
        std::copy(rec.begin(), rec.begin() + 4, s_.RecDataRead.row(f, r, c, k, h).begin());
        std::copy(rec.begin(), rec.begin() + 4, s_.RecData.row(f, r, c, k, h).begin());
    });
    for (int f = 0; f <= 7; ++f) {
        for (int c = 0; c <= 1; ++c)
            for (int k = 0; k <= 3; ++k)
                for (int g = 0; g <= 2; ++g)
                    for (int ch = 0; ch <= 3; ++ch)
                        for (int kind = 0; kind <= 6; ++kind)
                            s_.RealErrLp(f, c, k, g, ch, kind) = s_.ErrResLp(f, c, k, g, ch, kind) =
                                -1.5f;
        for (int ch = 0; ch <= 3; ++ch)
            for (int kind = 0; kind <= 6; ++kind)
                s_.RealErrOt(f, ch, kind) = s_.ErrResOt(f, ch, kind) = -1.5f;
    }
    s_.DownLoadDone = s_.FileLoaded = false;
}

void MainForm::LpOtherInit() {
    forEachBlock([this](int d, int f, int r, int c, int k, int h) {
        s_.AdjTarget(d, f, r, c, k, h) = s_.AdjSel(d, f, r, c, k, h) =
            s_.AdjDone(d, f, r, c, k, h) = false;
    });
    for (int f = 0; f <= 7; ++f)
        for (int r = 0; r <= 6; ++r)
            s_.PbFmtRpmSel(f, r) = false;
    TabCtrl(TabMode::All);
    AdjExeCtrl();
    s_.AdjTargetCount = s_.AdjDoneCount = 0;
    forEachBlock([this](int d, int f, int r, int c, int k, int h) {
        if (!s_.AdjSel(d, f, r, c, k, h)) return;
        s_.AdjTarget(d, f, r, c, k, h) = true;
        ++s_.AdjTargetCount;
    });
    s_.VtrId.clear();
    s_.VtrSerialNo.clear();
    m_.LogText.clear();
    s_.DspText.clear();
}

void MainForm::PartAdjCheck_Click(int index) {
    static constexpr TabMode modes[] = {TabMode::All, TabMode::Pb, TabMode::Rec};
    if (index < 0 || index > 2 || !m_.PartAdjCheck[static_cast<std::size_t>(index)].enabled) return;
    TabCtrl(modes[index]);
    AdjExeCtrl();
}

void MainForm::CheckBox_Click(Toggle& box) {
    if (!box.enabled) return;
    box.value = !box.value;
    AdjExeCtrl();
}

void MainForm::LogDsp(std::string_view text) {
    m_.LogText += text;
    m_.LogText += "\r\n";
    platform_.processPending();
}

void MainForm::ProgressDsp() {
    s_.ProgressVal += s_.ProgressStep;
    if (s_.ProgressVal > 100) s_.ProgressVal = 100;
    m_.ProgressBar = static_cast<int>(std::nearbyint(s_.ProgressVal));
    platform_.processPending();
}

void MainForm::AdjNameDisp(const BlockSel& sel) {
    static constexpr const char* formats[] = {"MAGVEX25M", "DV",    "MAGVEX50M", "MAGVEX HDSP",
                                              nullptr,     nullptr, nullptr,     "MAGVEX HDLP"};
    static constexpr const char* speeds[] = {",9000rpm",  ",4500rpm", ",18000rpm", ",21600rpm",
                                             ",10800rpm", ",9900rpm", ",19800rpm"};
    static constexpr const char* categories[] = {",RP", ",PB", ",DV"};
    static constexpr const char* kinds[] = {",PB,Conf", ",PB,Slow", ",PB,SubConf", ",PB,SubSlow"};
    static constexpr const char* kindCodes[] = {"0", "2", "3", "4"};
    if (sel.SFmt >= 0 && sel.SFmt <= 7 && formats[sel.SFmt]) s_.DspText = formats[sel.SFmt];
    if (sel.SRpm >= 0 && sel.SRpm <= 6) s_.DspText += speeds[sel.SRpm];
    if (sel.SHeadCate >= 0 && sel.SHeadCate <= 2) s_.DspText += categories[sel.SHeadCate];
    if (sel.SHeadCate == 0) {
        s_.DspText += ",RP,RP";
        s_.PbModeCode = "1";
    } else if (sel.SHeadCate == 1 && sel.SHeadKind >= 0 && sel.SHeadKind <= 3) {
        s_.DspText += kinds[sel.SHeadKind];
        s_.PbModeCode = kindCodes[sel.SHeadKind];
    }
}

void MainForm::logLine(std::string_view text) {
    LogDsp(text);
    log_.writeText(text);
}

void MainForm::Stby(int ms) {
    PrgWaitBox.pause(ms);
}

}  // namespace rf::shell

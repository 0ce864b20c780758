#include "shell/main_form.h"

#include <algorithm>

namespace rf::shell {

namespace {

struct CheckBlocks {
    int direction, format, speed;
    std::vector<std::pair<int, int>> cateKind;
};
}  // namespace

MainForm::MainForm(run::RunState state, const StartupSettings& settings, link::RsLink& link)
    : recorder_(state.recorder),
      selection_(state.selection),
      tables_(state.tables),
      rates_(state.rates),
      flags_(state.flags),
      settings_(settings),
      link_(link) {}

void MainForm::MenuCtrl(MenuMode mode) {
    using run::ProgramItem;
    const bool on = mode == MenuMode::On, off = mode == MenuMode::Off;
    m_.changes.mark(Area::Menus);
    m_.MenuPrg.enabled = true;
    for (ProgramItem i :
         {ProgramItem::Adjust, ProgramItem::ErrorRate, ProgramItem::Start, ProgramItem::DownLoad,
          ProgramItem::UpLoad, ProgramItem::Initialize, ProgramItem::Reset, ProgramItem::End})
        m_.prgItem(i).enabled = on;
    m_.prgItem(ProgramItem::Irq).enabled = false;
    m_.prgItem(ProgramItem::Stop).enabled = off;
    if (on) {
        m_.prgItem(ProgramItem::Adjust).checked = true;
        m_.prgItem(ProgramItem::ErrorRate).checked = false;
    }
    // The Indicate menu's windows only show the tables: they may be opened
    // while a programme runs, not during a data transfer.
    const bool indicate = mode != MenuMode::AllOff;
    for (auto [menu, enabled] :
         {std::pair{&m_.MenuFile, on}, std::pair{&m_.MenuIndicate, indicate}}) {
        menu->enabled = enabled;
        for (auto& item : menu->items)
            item.enabled = enabled;
    }
    m_.MenuHelp.enabled = on;
    m_.MenuHelp.items[run::menuPlace(run::HelpItem::Version)].enabled = on;
    m_.MenuHelp.items[run::menuPlace(run::HelpItem::SetInduce)].enabled =
        on && settings_.InduceCheck;
}

void MainForm::TabCtrl(TabMode mode) {
    const bool all = mode == TabMode::All, pb = mode == TabMode::Pb, rec = mode == TabMode::Rec,
               off = mode == TabMode::Off;
    m_.changes.mark(Area::Tabs);
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
                selection_.AdjSel(blocks.direction, blocks.format, blocks.speed, cate, kind, ch) =
                    box->value;
}

void MainForm::FormInit() {
    link_.reset();
    flags_.PrgWaitFlag = flags_.PbAdjRun = flags_.RecAdjRun = flags_.PbMeasRun = flags_.RecMeasRun =
        false;
    flags_.stop.clear();
    flags_.IrqReq = recorder_.AdjModeOn = rates_.ErrRateBad = recorder_.RecModeOn =
        tables_.AreaChosen = false;
    progress(0);
    flags_.ProgressVal = flags_.ProgressStep = 0;
    message("Please Select MENU !!");
    edit(Area::Status).StopNotice.clear();
    edit(Area::ErrorPanel).ErrSelectVisible = true;
    errorGroup("Video");
    rates_.ErrSelNo = 0;
    MenuCtrl(MenuMode::On);
    TabCtrl(TabMode::All);
    AdjExeCtrl();
    edit(Area::Tabs).selectedTab = 0;
}

void MainForm::LpOtherInit() {
    forEachBlock([this](int d, int f, int r, int c, int k, int h) {
        selection_.AdjTarget(d, f, r, c, k, h) = selection_.AdjSel(d, f, r, c, k, h) =
            selection_.AdjDone(d, f, r, c, k, h) = false;
    });
    forEachFormatAndSpeed([this](int f, int r) { selection_.PbFmtRpmSel(f, r) = false; });
    TabCtrl(TabMode::All);
    AdjExeCtrl();
    selection_.AdjTargetCount = selection_.AdjDoneCount = 0;
    forEachBlock([this](int d, int f, int r, int c, int k, int h) {
        if (!selection_.AdjSel(d, f, r, c, k, h)) return;
        selection_.AdjTarget(d, f, r, c, k, h) = true;
        ++selection_.AdjTargetCount;
    });
    recorder_.VtrId.clear();
    recorder_.VtrSerialNo.clear();
    edit(Area::Log).LogText.clear();
}

void MainForm::setCaption(std::string caption) {
    edit(Area::Window).caption = std::move(caption);
}

void MainForm::setVisible(bool visible) {
    edit(Area::Window).visible = visible;
}

void MainForm::selectTab(int index) {
    if (index >= 0 && index < static_cast<int>(m_.AdjTab.size()) &&
        m_.AdjTab[static_cast<std::size_t>(index)].enabled)
        edit(Area::Tabs).selectedTab = index;
}

void MainForm::PartAdjCheck_Click(int index) {
    static constexpr TabMode modes[] = {TabMode::All, TabMode::Pb, TabMode::Rec};
    if (index < 0 || index > 2 || !m_.PartAdjCheck[static_cast<std::size_t>(index)].enabled) return;
    TabCtrl(modes[index]);
    AdjExeCtrl();
}

Toggle* MainForm::checkBox(CheckBoxId box) {
    switch (box) {
        case CheckBoxId::PbLp0:
        case CheckBoxId::PbLp1:
        case CheckBoxId::PbLp2:
        case CheckBoxId::PbLp3:
        case CheckBoxId::PbLp4:
            return &m_.PbLpCheck[static_cast<std::size_t>(box)];
        case CheckBoxId::RecLp:
            return &m_.RecLpCheck;
        case CheckBoxId::PbSp:
            return &m_.PbSpCheck;
        case CheckBoxId::PbPro:
            return &m_.PbProCheck;
        case CheckBoxId::PbDv:
            return &m_.PbDvCheck;
    }
    return nullptr;
}

void MainForm::CheckBox_Click(CheckBoxId id) {
    Toggle* box = checkBox(id);
    if (!box || !box->enabled) return;
    m_.changes.mark(Area::Tabs);
    box->value = !box->value;
    AdjExeCtrl();
}

// --- what the running sequences show ------------------------------------

void MainForm::message(std::string_view text) {
    edit(Area::Message).Message.caption = text;
}

void MainForm::messageColour(Color colour) {
    edit(Area::Message).Message.fore = colour;
}

void MainForm::logLine(std::string_view text) {
    auto& log = edit(Area::Log).LogText;
    log += text;
    log += "\r\n";
}

void MainForm::progress(int percent) {
    edit(Area::Progress).ProgressBar = percent;
}

void MainForm::timeLeft(std::string_view text) {
    if (model().TimeLeft != text) edit(Area::Progress).TimeLeft = text;
}

void MainForm::status(std::string_view text) {
    edit(Area::Status).StatusText = text;
}

void MainForm::timeCode(const std::array<std::string, 4>& fields) {
    edit(Area::Counters).TimeDsp = fields;
}

void MainForm::remain(const std::array<std::string, 3>& fields) {
    edit(Area::Counters).RemainDsp = fields;
}

void MainForm::errorBars(const run::ErrorBars& bars) {
    edit(Area::ErrorPanel).ErrDsp = bars;
}

void MainForm::channelLabels(const std::array<std::string, 4>& labels) {
    edit(Area::ErrorPanel).MF2ChLabel = labels;
}

void MainForm::kindLabel(std::string_view text) {
    edit(Area::ErrorPanel).MF2KindLabel = text;
}

void MainForm::errorGroup(std::string_view caption) {
    edit(Area::ErrorPanel).ErrSelect = caption;
}

void MainForm::enable(run::ProgramItem item, bool enabled) {
    edit(Area::Menus).prgItem(item).enabled = enabled;
}

}  // namespace rf::shell

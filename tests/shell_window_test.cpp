#include <gtest/gtest.h>

#include "measure/error_panel.h"
#include "tool_rig.h"

namespace rf::shell {
namespace {

using test::ToolRig;

// The enabled state of the four menus: for each, the menu and its items, E
// enabled, d disabled, - separator ("E:EE-E").
std::string menusEnabled(const MainWindowModel& m) {
    std::string out;
    for (const Menu* menu : {&m.MenuPrg, &m.MenuFile, &m.MenuIndicate, &m.MenuHelp}) {
        out += std::string(out.empty() ? "" : " ") + (menu->enabled ? "E:" : "d:");
        for (const auto& item : menu->items)
            out += item.caption == "-" ? '-' : item.enabled ? 'E' : 'd';
    }
    return out;
}

TEST(MenuCtrl, EnablesTheMenusForIdleRunningAndTransfer) {
    const std::vector<std::tuple<MenuMode, bool, const char*>> cases = {
        {MenuMode::On, true, "E:EE-Edd-EEE-EE E:EE E:EEEE E:E-E"},
        {MenuMode::On, false, "E:EE-Edd-EEE-EE E:EE E:EEEE E:d-E"},  // no Set Induce
        {MenuMode::Off, true, "E:dd-ddE-ddd-dd d:dd E:EEEE d:d-d"},
        {MenuMode::AllOff, true, "E:dd-ddd-ddd-dd d:dd d:dddd d:d-d"},
    };
    for (const auto& [mode, induceCheck, enabled] : cases) {
        SCOPED_TRACE(static_cast<int>(mode));
        ToolRig rig;
        auto& form = rig.tool.form();
        rig.tool.settings().InduceCheck = induceCheck;
        form.edit(Area::Menus).prgItem(run::ProgramItem::ErrorRate).checked = true;
        form.MenuCtrl(mode);
        const auto& m = form.model();
        EXPECT_EQ(menusEnabled(m), enabled);
        // "ON" always brings the programme choice back to Adjust.
        const bool on = mode == MenuMode::On;
        EXPECT_EQ(m.prgItem(run::ProgramItem::Adjust).checked, on);
        EXPECT_EQ(m.prgItem(run::ProgramItem::ErrorRate).checked, !on);
    }
}

// The tabs (E enabled, d disabled), then the options, the playback boxes and
// the record box (Y checked, N not; lower case when disabled).
std::string tabsAndBoxes(const MainWindowModel& m) {
    std::string out;
    for (const auto& t : m.AdjTab)
        out += t.enabled ? 'E' : 'd';
    const Toggle* const gap = nullptr;
    for (const Toggle* t :
         {gap, &m.PartAdjCheck[0], &m.PartAdjCheck[1], &m.PartAdjCheck[2], gap, &m.PbLpCheck[0],
          &m.PbLpCheck[1], &m.PbLpCheck[2], &m.PbLpCheck[3], &m.PbLpCheck[4], &m.PbSpCheck,
          &m.PbProCheck, &m.PbDvCheck, gap, &m.RecLpCheck})
        out += !t ? ' ' : t->enabled ? (t->value ? 'Y' : 'N') : (t->value ? 'y' : 'n');
    return out;
}

// Each option, and OFF after PB (as a run does): the controls, the blocks
// selected on both channels, and a click that changes an enabled box only.
TEST(TabCtrl, OptionsDecideTabsBoxesAndBlocksAndOffFreezesThem) {
    const std::vector<std::tuple<TabMode, const char*, std::size_t>> cases = {
        {TabMode::All, "Eddddd YNN yyyyyyyy y", 2 * (18 + 1)},
        {TabMode::Pb, "EEdEEE NYN YYYYYYYY n", 2 * 18},
        {TabMode::Rec, "EdEddd NNY nnnnnnnn Y", 2 * 1},
        {TabMode::Off, "dddddd nyn yyyyyyyy n", 2 * 18},
    };
    for (const auto& [mode, controls, blocks] : cases) {
        SCOPED_TRACE(static_cast<int>(mode));
        ToolRig rig;
        auto& form = rig.tool.form();
        const auto& box = form.model().PbSpCheck;
        form.TabCtrl(TabMode::Pb);
        form.TabCtrl(mode);
        form.AdjExeCtrl();
        EXPECT_EQ(tabsAndBoxes(form.model()), controls);
        EXPECT_EQ(rig.tool.selection().AdjSel.count(true), blocks);
        const bool was = box.value;
        form.CheckBox_Click(CheckBoxId::PbSp);
        EXPECT_EQ(box.value, was != box.enabled);
    }
}

// Each box, clicked off on its page, against the blocks it drops on both
// channels, as the page and the box are captioned and the log names the
// blocks. A key: direction (0 record, 1 playback), format (1 DV, 2 MAGVEX50M,
// 3 MAGVEX HDSP, 7 MAGVEX HDLP), speed (0 9000, 2 18000, 5 9900, 6 19800
// rpm), head category (0 RP, 1 PB), kind (0 Conf, 1 Slow, 2 SubConf, 3 SubSlow).
TEST(AdjExeCtrl, EachBoxSelectsTheBlocksOfItsPageAndCaption) {
    using enum CheckBoxId;
    const std::vector<std::tuple<CheckBoxId, TabMode, std::vector<std::string>>> boxes = {
        {PbLp0, TabMode::Pb, {"17210"}},   // HDLP PB, CONF: MAGVEX HDLP,18000rpm,PB,PB,Conf
        {PbLp1, TabMode::Pb, {"17212"}},   // S_CONF: ...,PB,PB,SubConf
        {PbLp2, TabMode::Pb, {"17211"}},   // SLOW L13/R24: ...,PB,PB,Slow
        {PbLp3, TabMode::Pb, {"17213"}},   // SLOW L24/R13: ...,PB,PB,SubSlow
        {PbLp4, TabMode::Pb, {"17200"}},   // R/P: MAGVEX HDLP,18000rpm,RP,RP,RP played back
        {RecLp, TabMode::Rec, {"07200"}},  // HDLP REC: MAGVEX HDLP,18000rpm,RP,RP,RP recorded
        {PbSp, TabMode::Pb, {"13610", "13611", "13612", "13613"}},   // HDSP PB: 19800rpm
        {PbPro, TabMode::Pb, {"12510", "12511", "12512", "12513"}},  // 50/25 PB: MAGVEX50M,9900rpm
        {PbDv, TabMode::Pb, {"11000", "11010", "11011", "11012", "11013"}},  // DV PB: DV,9000rpm
    };
    for (const auto& [box, mode, keys] : boxes) {
        SCOPED_TRACE(keys.front());
        ToolRig rig;
        auto& form = rig.tool.form();
        form.TabCtrl(mode);
        form.AdjExeCtrl();
        const auto before = rig.tool.selection().AdjSel;
        form.CheckBox_Click(box);
        std::string changed, want;  // a block switched on would show as "+key"
        forEachBlock([&](int d, int f, int r, int c, int k, int h) {
            if (before(d, f, r, c, k, h) == rig.tool.selection().AdjSel(d, f, r, c, k, h)) return;
            changed += (before(d, f, r, c, k, h) ? "" : "+");
            for (int digit : {d, f, r, c, k, h})
                changed += static_cast<char>('0' + digit);
            changed += ' ';
        });
        for (const std::string& key : keys)
            want += key + "0 " + key + "1 ";
        EXPECT_EQ(changed, want);
        form.CheckBox_Click(box);
        EXPECT_EQ(rig.tool.selection().AdjSel, before);
    }
}

TEST(Progress, StepsRoundHalvesToEvenAndStopAtAHundred) {
    ToolRig rig;
    auto& form = rig.tool.form();
    auto& ctx = rig.tool.context();
    rig.tool.flags().ProgressStep = 33.333333f;
    for (int shown : {33, 67, 100, 100}) {
        ctx.ProgressDsp();
        EXPECT_EQ(form.model().ProgressBar, shown);
    }
    rig.tool.flags().ProgressVal = 12.5f;
    rig.tool.flags().ProgressStep = 0;
    ctx.ProgressDsp();
    EXPECT_EQ(form.model().ProgressBar, 12);
}

TEST(AdjNameDisp, BuildsTheBlockNameAndThePlaybackModeDigit) {
    const std::vector<std::tuple<BlockSel, const char*, const char*>> cases = {
        {{7, 2, 1, 0, 0}, "MAGVEX HDLP,18000rpm,PB,PB,Conf", "0"},
        {{7, 2, 0, 0, 0}, "MAGVEX HDLP,18000rpm,RP,RP,RP", "1"},
        {{7, 2, 1, 1, 1}, "MAGVEX HDLP,18000rpm,PB,PB,Slow", "2"},
        {{3, 6, 1, 2, 0}, "MAGVEX HDSP,19800rpm,PB,PB,SubConf", "3"},
        {{2, 5, 1, 3, 0}, "MAGVEX50M,9900rpm,PB,PB,SubSlow", "4"},
        {{1, 0, 2, 0, 0}, "DV,9000rpm,DV", "4"},  // mode digit unchanged
        {{5, 0, 1, 9, 0}, ",9000rpm,PB", "4"},    // an unknown format has no name
    };
    ToolRig rig;
    for (const auto& [sel, name, code] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(rig.tool.context().AdjNameDisp(sel), name);
        EXPECT_EQ(rig.tool.flags().PbModeCode, code);
    }
}

TEST(ErrorRatePanel, ColourScalesFollowStatusFormatAndHeads) {
    // Status, format, playback mode digit, the step of channel 1 and its colour.
    const std::vector<std::tuple<const char*, int, const char*, int, Color>> cases = {
        {"PLAY", 1, "0", 6, colors::Green},   {"PLAY", 1, "0", 7, colors::Orange},
        {"PLAY", 1, "0", 18, colors::Red},    {"REC", 7, "0", 12, colors::Green},
        {"REC", 1, "0", 13, colors::Orange},  {"PLAY", 7, "1", 12, colors::Green},
        {"PLAY", 7, "1", 13, colors::Orange}, {"PLAY", 7, "0", 7, colors::Green},
        {"PLAY", 7, "0", 8, colors::Orange},  {"PLAY", 7, "3", 12, colors::Orange},
        {"PLAY", 7, "0", 17, colors::Orange}, {"REC", 7, "0", 18, colors::Red},
    };
    for (const auto& [status, fmt, mode, step, colour] : cases) {
        SCOPED_TRACE(std::string(status) + " fmt " + std::to_string(fmt) + " mode " + mode +
                     " step " + std::to_string(step));
        ToolRig rig;
        MainForm& form = rig.tool.form();
        const MainWindowModel& m = form.model();
        rig.tool.flags().sel.SFmt = static_cast<std::int16_t>(fmt);
        rig.tool.flags().PbModeCode = mode;
        rig.tool.rates().ErrDspStep = {step, 0, 3, 18, 1, 2, 3, 4, 5, 6, 7, 8, 0};
        measure::EnhErrorDisp(form, rig.tool.rates(), rig.tool.flags(), status, 0);
        for (int seg = 0; seg < 18; ++seg) {
            const auto at = static_cast<std::size_t>(seg);
            EXPECT_EQ(m.ErrDsp[0][at], seg < step ? colour : colors::Black);
            EXPECT_EQ(m.ErrDsp[1][at], colors::Black);  // step 0: dark
        }
        EXPECT_EQ(m.ErrDsp[3][17], colors::Red);
        // Anything but PLAY or REC blanks the panel.
        measure::EnhErrorDisp(form, rig.tool.rates(), rig.tool.flags(), "", 0);
        for (const auto& bar : m.ErrDsp)
            EXPECT_EQ(std::count(bar.begin(), bar.end(), colors::Black), 18);
    }
}

TEST(ErrorRatePanel, TheGroupButtonCyclesAndShowsTheGroupAtTheNextRedraw) {
    ToolRig rig;
    MainForm& form = rig.tool.form();
    const MainWindowModel& m = form.model();
    rig.tool.rates().ErrDspStep = {1, 1, 1, 1, 9, 9, 9, 9, 0, 0, 0, 0, 0};
    std::string captions;
    for (int fmt : {1, 1, 1, 7, 7, 7}) {
        rig.tool.flags().sel.SFmt = static_cast<std::int16_t>(fmt);
        measure::ErrSelect_Click(form, rig.tool.rates(), rig.tool.flags());
        captions += m.ErrSelect + " ";
    }
    EXPECT_EQ(captions, "Audio1 Audio2 A/V Audio1 Audio2 Video ");
    measure::ErrSelect_Click(form, rig.tool.rates(), rig.tool.flags());  // Audio1: elements 4 to 7
    EXPECT_EQ(m.ErrDsp[0][0], colors::Black);  // the click itself does not redraw
    measure::EnhErrorDisp(form, rig.tool.rates(), rig.tool.flags(), "PLAY",
                          rig.tool.rates().ErrSelNo);
    EXPECT_EQ(m.ErrDsp[0][8], colors::Orange);
    EXPECT_EQ(m.ErrDsp[0][9], colors::Black);
}

}  // namespace
}  // namespace rf::shell

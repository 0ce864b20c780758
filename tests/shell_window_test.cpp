#include <gtest/gtest.h>

#include "results/error_panel.h"
#include "tool_rig.h"

namespace rf::shell {
namespace {

using test::ToolRig;

// The enabled state of the Program menu's items 0..12 as a string: E enabled,
// d disabled, - separator.
std::string prgEnabled(const MainWindowModel& m) {
    std::string out;
    for (const auto& item : m.MenuPrg.items)
        out += item.caption == "-" ? '-' : item.enabled ? 'E' : 'd';
    return out;
}

TEST(MenuCtrl, EnablesTheMenusForIdleRunningAndTransfer) {
    struct Case {
        const char* mode;
        bool induceCheck;
        const char* prg;
        bool fileAndIndicate, help, setInduce;
    };
    const std::vector<Case> cases = {
        {"ON", true, "EE-Edd-EEE-EE", true, true, true},
        {"ON", false, "EE-Edd-EEE-EE", true, true, false},
        {"OFF", true, "dd-ddE-ddd-dd", false, false, false},
        {"ALLOFF", true, "dd-ddd-ddd-dd", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ToolRig rig;
        auto& form = rig.tool.form();
        rig.tool.shared().InduceCheck = c.induceCheck;
        form.model().MenuPrg.items[prg::ErrorRate].checked = true;
        form.MenuCtrl(c.mode);
        const auto& m = form.model();
        EXPECT_EQ(prgEnabled(m), c.prg);
        EXPECT_TRUE(m.MenuPrg.enabled);
        EXPECT_EQ(m.MenuFile.enabled, c.fileAndIndicate);
        EXPECT_EQ(m.MenuFile.items[1].enabled, c.fileAndIndicate);
        EXPECT_EQ(m.MenuIndicate.items[0].enabled, c.fileAndIndicate);
        EXPECT_EQ(m.MenuHelp.enabled, c.help);
        EXPECT_EQ(m.MenuHelp.items[2].enabled, c.help);
        EXPECT_EQ(m.MenuHelp.items[0].enabled, c.setInduce);
        // "ON" always brings the programme choice back to Adjust.
        const bool on = std::string(c.mode) == "ON";
        EXPECT_EQ(m.MenuPrg.items[prg::Adjust].checked, on);
        EXPECT_EQ(m.MenuPrg.items[prg::ErrorRate].checked, !on);
    }
    ToolRig rig;
    auto before = rig.tool.window();
    rig.tool.form().MenuCtrl("on");  // any other text does nothing
    EXPECT_EQ(rig.tool.window(), before);
}

TEST(TabCtrl, OptionsDecideTabsAndCheckBoxesAndTheBlocksSelected) {
    struct Case {
        const char* mode;
        const char* tabs;  // E enabled, d disabled, for the six tabs
        int option;
        bool pbChecked, pbEnabled, recChecked, recEnabled;
        int pbBlocks, recBlocks;  // selected blocks, channel 0
    };
    const std::vector<Case> cases = {
        {"ALL", "Eddddd", 0, true, false, true, false, 18, 1},
        {"PB", "EEdEEE", 1, true, true, false, false, 18, 0},
        {"REC", "EdEddd", 2, false, false, true, true, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ToolRig rig;
        auto& form = rig.tool.form();
        form.TabCtrl(c.mode);
        form.AdjExeCtrl();
        const auto& m = form.model();
        std::string tabs;
        for (const auto& t : m.AdjTab)
            tabs += t.enabled ? 'E' : 'd';
        EXPECT_EQ(tabs, c.tabs);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(m.PartAdjCheck[static_cast<std::size_t>(i)].value, i == c.option);
            EXPECT_TRUE(m.PartAdjCheck[static_cast<std::size_t>(i)].enabled);
        }
        for (const Toggle* box :
             {&m.PbLpCheck[0], &m.PbLpCheck[4], &m.PbSpCheck, &m.PbProCheck, &m.PbDvCheck}) {
            EXPECT_EQ(box->value, c.pbChecked);
            EXPECT_EQ(box->enabled, c.pbEnabled);
        }
        EXPECT_EQ(m.RecLpCheck.value, c.recChecked);
        EXPECT_EQ(m.RecLpCheck.enabled, c.recEnabled);
        const auto& s = rig.tool.shared();
        int pb = 0, rec = 0;
        for (int f = 0; f <= 7; ++f)
            for (int r = 0; r <= 6; ++r)
                for (int cat = 0; cat <= 1; ++cat)
                    for (int k = 0; k <= 3; ++k) {
                        pb += s.AdjSel(1, f, r, cat, k, 0);
                        rec += s.AdjSel(0, f, r, cat, k, 0);
                        EXPECT_EQ(s.AdjSel(1, f, r, cat, k, 0), s.AdjSel(1, f, r, cat, k, 1));
                    }
        EXPECT_EQ(pb, c.pbBlocks);
        EXPECT_EQ(rec, c.recBlocks);
    }
}

TEST(TabCtrl, OffFreezesTheValuesAndDisablesEverything) {
    ToolRig rig;
    auto& form = rig.tool.form();
    form.TabCtrl("PB");
    form.CheckBox_Click(form.model().PbDvCheck);  // the operator clears DV
    form.TabCtrl("OFF");
    const auto& m = form.model();
    for (const auto& t : m.AdjTab)
        EXPECT_FALSE(t.enabled);
    EXPECT_TRUE(m.PartAdjCheck[1].value);
    EXPECT_FALSE(m.PartAdjCheck[1].enabled);
    EXPECT_FALSE(m.PbDvCheck.value);
    EXPECT_FALSE(m.PbDvCheck.enabled);
    EXPECT_TRUE(m.PbSpCheck.value);
    // Clicks on disabled boxes change nothing.
    form.CheckBox_Click(form.model().PbSpCheck);
    EXPECT_TRUE(m.PbSpCheck.value);
}

TEST(CheckBoxes, ClearingABoxTakesItsBlocksOutOfTheSelection) {
    ToolRig rig;
    auto& form = rig.tool.form();
    auto& s = rig.tool.shared();
    form.PartAdjCheck_Click(1);  // PB
    EXPECT_TRUE(s.AdjSel(1, 1, 0, 0, 0, 1));
    form.CheckBox_Click(form.model().PbDvCheck);
    for (auto [cat, kind] : {std::pair{1, 0}, {1, 1}, {1, 2}, {1, 3}, {0, 0}})
        EXPECT_FALSE(s.AdjSel(1, 1, 0, cat, kind, 0));
    form.CheckBox_Click(form.model().PbLpCheck[2]);  // SLOW L13/R24
    EXPECT_FALSE(s.AdjSel(1, 7, 2, 1, 1, 1));
    EXPECT_TRUE(s.AdjSel(1, 7, 2, 1, 3, 1));
    EXPECT_FALSE(s.AdjSel(0, 7, 2, 0, 0, 0));  // PB clears the record block
}

TEST(LoggerAndProgress, LogLinesGrowTheTextAndProgressStepsRoundToEven) {
    ToolRig rig;
    auto& form = rig.tool.form();
    auto& s = rig.tool.shared();
    form.LogDsp("first");
    form.LogDsp("second");
    EXPECT_EQ(form.model().LogText, "first\r\nsecond\r\n");
    s.ProgressStep = 33.333333f;
    std::vector<int> shown;
    for (int i = 0; i < 4; ++i) {
        form.ProgressDsp();
        shown.push_back(form.model().ProgressBar);
    }
    EXPECT_EQ(shown, (std::vector<int>{33, 67, 100, 100}));
    s.ProgressVal = 12.5f;
    s.ProgressStep = 0;
    form.ProgressDsp();
    EXPECT_EQ(form.model().ProgressBar, 12);
}

TEST(AdjNameDisp, BuildsTheBlockNameAndThePlaybackModeDigit) {
    struct Case {
        BlockSel sel;
        const char* name;
        const char* code;
    };
    const std::vector<Case> cases = {
        {{7, 2, 1, 0, 0}, "MAGVEX HDLP,18000rpm,PB,PB,Conf", "0"},
        {{7, 2, 0, 0, 0}, "MAGVEX HDLP,18000rpm,RP,RP,RP", "1"},
        {{7, 2, 1, 1, 1}, "MAGVEX HDLP,18000rpm,PB,PB,Slow", "2"},
        {{3, 6, 1, 2, 0}, "MAGVEX HDSP,19800rpm,PB,PB,SubConf", "3"},
        {{2, 5, 1, 3, 0}, "MAGVEX50M,9900rpm,PB,PB,SubSlow", "4"},
        {{1, 0, 2, 0, 0}, "DV,9000rpm,DV", "4"},             // mode digit unchanged
        {{5, 0, 1, 9, 0}, "DV,9000rpm,DV,9000rpm,PB", "4"},  // unknown format keeps the text
    };
    ToolRig rig;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.tool.form().AdjNameDisp(c.sel);
        EXPECT_EQ(rig.tool.shared().DspText, c.name);
        EXPECT_EQ(rig.tool.shared().PbModeCode, c.code);
    }
}

TEST(ErrorRatePanel, ColourScalesFollowStatusFormatAndHeads) {
    struct Case {
        const char* status;
        int fmt;
        const char* mode;
        int step;
        Color colour;
    };
    const std::vector<Case> cases = {
        {"PLAY", 1, "0", 6, colors::Green},   {"PLAY", 1, "0", 7, colors::Orange},
        {"PLAY", 1, "0", 18, colors::Red},    {"REC", 7, "0", 12, colors::Green},
        {"REC", 1, "0", 13, colors::Orange},  {"PLAY", 7, "1", 12, colors::Green},
        {"PLAY", 7, "1", 13, colors::Orange}, {"PLAY", 7, "0", 7, colors::Green},
        {"PLAY", 7, "0", 8, colors::Orange},  {"PLAY", 7, "3", 12, colors::Orange},
        {"PLAY", 7, "0", 17, colors::Orange}, {"REC", 7, "0", 18, colors::Red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.status) + " fmt " + std::to_string(c.fmt) + " mode " + c.mode +
                     " step " + std::to_string(c.step));
        MainWindowModel m;
        Shared s;
        s.sel.SFmt = static_cast<std::int16_t>(c.fmt);
        s.PbModeCode = c.mode;
        s.ErrDspStep = {c.step, 0, 3, 18, 1, 2, 3, 4, 5, 6, 7, 8, 0};
        results::EnhErrorDisp(m, s, c.status, 0);
        for (int seg = 0; seg < 18; ++seg)
            EXPECT_EQ(m.ErrDsp[0][static_cast<std::size_t>(seg)],
                      seg < c.step ? c.colour : colors::Black);
        for (const Color& seg : m.ErrDsp[1])
            EXPECT_EQ(seg, colors::Black);  // step 0: dark
        EXPECT_EQ(m.ErrDsp[3][17], colors::Red);
        // Anything but PLAY or REC blanks the panel.
        results::EnhErrorDisp(m, s, "", 0);
        for (const auto& bar : m.ErrDsp)
            for (const Color& seg : bar)
                EXPECT_EQ(seg, colors::Black);
    }
}

TEST(ErrorRatePanel, TheGroupButtonCyclesAndShowsTheGroupAtTheNextRedraw) {
    MainWindowModel m;
    Shared s;
    s.sel.SFmt = 1;
    s.ErrDspStep = {1, 1, 1, 1, 9, 9, 9, 9, 0, 0, 0, 0, 0};
    std::vector<std::string> captions;
    for (int i = 0; i < 3; ++i) {
        results::ErrSelect_Click(m, s);
        captions.push_back(m.ErrSelect);
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Audio1", "Audio2", "A/V"}));
    s.sel.SFmt = 7;
    results::ErrSelect_Click(m, s);
    results::ErrSelect_Click(m, s);
    results::ErrSelect_Click(m, s);
    EXPECT_EQ(m.ErrSelect, "Video");
    results::ErrSelect_Click(m, s);            // Audio1: elements 4 to 7
    EXPECT_EQ(m.ErrDsp[0][0], colors::Black);  // the click itself does not redraw
    results::EnhErrorDisp(m, s, "PLAY", s.ErrSelNo);
    EXPECT_EQ(m.ErrDsp[0][8], colors::Orange);
    EXPECT_EQ(m.ErrDsp[0][9], colors::Black);
}

}  // namespace
}  // namespace rf::shell

// The result windows' grids as the operator reads them, row by row: headings,
// values, colours against the limits, and the cells a format has no value for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results/result_windows.h"
#include "tool_rig.h"

namespace rf::results {
namespace {

const Color Black = colors::Black, DarkRed{192, 0, 0}, White{255, 255, 255}, Grey = ButtonFace;

// ErrChartLp's data rows: headings, the ErrResLp entry (format 7) and the limit.
struct LpRow {
    int row;
    const char *kind, *head;
    int category, headKind, measKind;
    float limit;
};
const LpRow LpRows[] = {
    {2, "Master", "RP", 0, 0, 0, -3.1f},     {3, "Master", "Conf", 1, 0, 0, -4.1f},
    {4, "Master", "S Conf", 1, 2, 0, -4.1f}, {5, "Master", "Slow", 1, 1, 0, -4.1f},
    {6, "Master", "S Slow", 1, 3, 0, -4.1f}, {7, "Conf", "Conf", 1, 0, 6, -3.1f},
    {8, "Self", "Conf", 1, 0, 3, -4.1f},
};
const char* const Groups[] = {"VIDEO", "AUDIO1", "AUDIO2"};
const char* const Heads[] = {"L(H)", "L(L)", "R(H)", "R(L)"};
// ErrChartOt's rows: format and name.
const std::pair<int, const char*> OtRows[] = {{3, "HDSP"}, {2, "SDSP"}, {1, "DV"}};

// A cell as the operator reads it: its text and its text colour.
std::string seen(const ResultGrid& g, int row, int col) {
    const Color fore = g.cell(row, col).fore;
    return g.text(row, col) + (fore == Black                  ? " black"
                               : fore == DarkRed              ? " dark red"
                               : fore == Color{128, 128, 128} ? " grey"
                                                              : " other");
}

ErrResultModel errShown(const ErrorRates& s) {
    ErrResultModel window;
    ErrResultFill(window, s);
    return window;
}

TEST(ErrResult, EveryRowShowsItsOwnEntryUnderItsHeadings) {
    // A distinct value per cell (group g, head h at 4g + h), all well inside the limits.
    const char* const texts[] = {"-5.00", "-5.01", "-5.02", "-5.03", "-5.04", "-5.05",
                                 "-5.06", "-5.07", "-5.08", "-5.09", "-5.10", "-5.11"};
    for (const LpRow& r : LpRows) {
        ErrorRates s;
        for (int i = 0; i < 12; ++i)
            s.ErrResLp(7, r.category, r.headKind, i / 4, i % 4, r.measKind) = -5.0f - 0.01f * i;
        const ErrResultModel w = errShown(s);
        EXPECT_EQ(w.ErrChartLp.text(r.row, 0) + "/" + w.ErrChartLp.text(r.row, 1),
                  r.kind + std::string("/") + r.head);
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(w.ErrChartLp.text(0, 2 + i) + " " + w.ErrChartLp.text(1, 2 + i),
                      Groups[i / 4] + std::string(" ") + Heads[i % 4]);
            EXPECT_EQ(seen(w.ErrChartLp, r.row, 2 + i), texts[i] + std::string(" black"))
                << "row " << r.row << " column " << 2 + i;
        }
    }
}

TEST(ErrResult, ValuesAtTheirLimitAreBlackAndAboveThemDarkRed) {
    const std::tuple<int, float, const char*> cases[] = {
        {2, -3.10f, "-3.10 black"},    {2, -3.09f, "-3.09 dark red"},
        {3, -4.10f, "-4.10 black"},    {7, -3.50f, "-3.50 black"},  // against -3.1
        {8, -3.50f, "-3.50 dark red"},                              // against -4.1
        {8, -4.10f, "-4.10 black"}};
    for (const auto& [row, value, shown] : cases) {
        const LpRow& r = LpRows[row - 2];
        ErrorRates s;
        s.ErrResLp(7, r.category, r.headKind, 1, 2, r.measKind) = value;
        EXPECT_EQ(seen(errShown(s).ErrChartLp, row, 8), shown) << "row " << row;
    }
    ErrorRates s;
    s.ErrResOt(1, 0, 0) = -4.30f;
    s.ErrResOt(1, 1, 0) = -4.29f;
    EXPECT_EQ(seen(errShown(s).ErrChartOt, 3, 1), "-4.30 black");
    EXPECT_EQ(seen(errShown(s).ErrChartOt, 3, 2), "-4.29 dark red");
}

TEST(ErrResult, ResultsNeverMeasuredShowAsNotMeasuredInGrey) {
    ErrorRates s;
    s.ErrResLp.fill(-1.5f);  // what DataInit leaves
    s.ErrResOt.fill(-1.5f);
    const ErrResultModel w = errShown(s);
    for (const LpRow& r : LpRows)
        for (int col = 2; col < 14; ++col)
            EXPECT_EQ(seen(w.ErrChartLp, r.row, col), "--- grey");
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(w.ErrChartOt.text(row, 0), OtRows[row - 1].second);
        for (int col = 1; col <= 4; ++col)
            EXPECT_EQ(seen(w.ErrChartOt, row, col), "--- grey");
    }
    s.keptThisRun = {{fmt::HdSp, 0, 0, meas::Playback}};  // nor does the verdict fail them
    const std::string verdict = "INCOMPLETE: MAGVEX HDSP,19800rpm: error rate L1 not measured;";
    EXPECT_EQ(judgeRun({}, s, Selection{}, nullptr).line().substr(0, verdict.size()), verdict);
}

TEST(ErrResult, EqualNeighbouringHeadingsAreJoined) {
    const ErrResultModel w;
    std::string joined;
    for (const GridSpan& j : w.ErrChartLp.spans())
        joined += w.ErrChartLp.text(j.row, j.col) + " " + std::to_string(j.rows) + "x" +
                  std::to_string(j.cols) + ", ";
    EXPECT_EQ(joined,
              "VIDEO 1x4, AUDIO1 1x4, AUDIO2 1x4, FORMAT 2x1, Master 5x1, HEAD 2x1, Conf 2x1, ");
    EXPECT_TRUE(w.ErrChartOt.spans().empty());
}

// EvrChart: the column pairs and the data rows with their source items.
const std::tuple<const char*, int, int> Blocks[] = {
    {"RP", 0, 0}, {"Conf", 1, 0}, {"SubConf", 1, 2}, {"Slow", 1, 1}, {"SubSlow", 1, 3}};
const std::pair<const char*, int> EvrRows[] = {
    {"REC CURR H", 0}, {"REC CURR L", 1}, {"REC FREQ H", 2}, {"REC FREQ L", 3}, {"MAG H", 2},
    {"MAG L", 3},      {"VCO", 9},        {"C 1 -3(H)", 17}, {"C 1 -2(H)", 18}, {"C 1 -1(H)", 19},
    {"C 1 +1(H)", 20}, {"C 1 +2(H)", 21}, {"C 1 +3(H)", 22}, {"C 2 -3(L)", 23}, {"C 2 -2(L)", 24},
    {"C 2 -1(L)", 25}, {"C 2 +1(L)", 26}, {"C 2 +2(L)", 27}, {"C 2 +3(L)", 28}};
// The format choices: format and drum-speed codes, and what the RP columns show.
struct Choice {
    const char* item;
    int format, speed;
    bool rpRecord, rpLevels;
};
const Choice Choices[] = {{"HDLP", 7, 2, true, true},
                          {"HDSP", 3, 6, false, false},
                          {"SDSP", 2, 5, false, false},
                          {"DV  ", 1, 0, false, true}};

TEST(EvrResult, EachFormatShowsItsValuesAndBlanksWhatItHasNot) {
    // A distinct value per head block, channel and item.
    const auto value = [](int cat, int kind, int ch, int item) {
        return static_cast<std::int16_t>(1 + item + 30 * ch + 100 * kind + 1000 * cat);
    };
    for (int index = 0; index < 4; ++index) {
        const Choice& c = Choices[index];
        AdjustmentTables s;
        for (const auto& [name, cat, kind] : Blocks)
            for (int ch = 0; ch < 2; ++ch)
                for (int row = 2; row <= 20; ++row) {
                    const int item = EvrRows[row - 2].second;
                    (row <= 5 ? s.RecDataRead(c.format, c.speed, cat, kind, ch, item)
                              : s.PbDataRead(c.format, c.speed, cat, kind, ch, item)) =
                        value(cat, kind, ch, item);
                }
        EvrResultModel w;
        w.FormatSel.selected = index;
        EvrDsp(w, s);
        EXPECT_EQ(w.FormatSel.items[static_cast<std::size_t>(index)], c.item);
        for (int col = 1; col <= 10; ++col) {
            const auto& [name, cat, kind] = Blocks[(col - 1) / 2];
            const int ch = (col - 1) % 2;
            EXPECT_EQ(w.EvrChart.text(0, col) + w.EvrChart.text(1, col),
                      name + std::string(ch ? "R" : "L"));
            for (int row = 2; row <= 20; ++row) {
                const auto& [caption, item] = EvrRows[row - 2];
                const bool shown = cat == 0 ? (row <= 5 ? c.rpRecord : c.rpLevels) : row > 5;
                EXPECT_EQ(w.EvrChart.text(row, 0), caption);
                EXPECT_EQ(w.EvrChart.text(row, col),
                          shown ? std::to_string(value(cat, kind, ch, item)) : "---")
                    << c.item << " row " << row << " column " << col;
                EXPECT_EQ(w.EvrChart.background(row, col), shown ? White : Grey)
                    << c.item << " row " << row << " column " << col;
            }
        }
    }
}

// The Indicate menu shows the windows; a format chosen redraws; an Error Rate
// run that is not stopped ends on its results.
TEST(ResultWindows, TheMenuShowsThemAndAnErrorRateRunEndsOnItsResults) {
    using shell::CheckBoxId;
    test::ToolRig rig;
    rig.recorder.setAutoChanger(true, rig.now());
    ASSERT_TRUE(rig.startUp());
    ResultWindows& windows = rig.tool.resultWindows();
    rig.tool.menuIndicate(1);
    rig.tool.formatSelected(3);
    rig.tool.resultActivated(ResultWindowId::EvrResult);
    EXPECT_EQ(windows.evrResult().EvrChart.text(2, 1), "---");
    rig.tool.menuIndicate(0);
    EXPECT_EQ(seen(windows.errResult().ErrChartOt, 3, 1), "--- grey");
    rig.tool.resultClosed(ResultWindowId::ErrResult);
    EXPECT_FALSE(windows.errResult().visible);

    rig.tool.choose(run::ProgramItem::ErrorRate);
    rig.tool.partAdjCheck(1);
    for (CheckBoxId box :
         {CheckBoxId::PbLp0, CheckBoxId::PbLp1, CheckBoxId::PbLp2, CheckBoxId::PbLp3,
          CheckBoxId::PbLp4, CheckBoxId::PbSp, CheckBoxId::PbPro})
        rig.tool.checkBox(box);
    rig.dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
    rig.tool.choose(run::ProgramItem::Start);
    EXPECT_TRUE(windows.errResult().visible);
    EXPECT_NE(windows.errResult().ErrChartOt.text(3, 1), "---");
    EXPECT_EQ(windows.errResult().ErrChartOt.text(1, 1), "---");
}

}  // namespace
}  // namespace rf::results

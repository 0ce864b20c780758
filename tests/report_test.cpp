#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <tuple>

#include "core/delimited.h"
#include "demo/demo.h"
#include "report/report_content.h"
#include "results/err_result.h"
#include "tool_rig.h"

namespace rf::report {
namespace {

using run::ProgramItem;

// The Adjust programme on every block, as an operator starts it, with a
// writer that keeps what the tool asked it to write.
struct ReportRun : test::ToolRig {
    ReportRun() : ToolRig(sim::RecorderConfig{.seed = 3, .autoChanger = true}) {
        EXPECT_TRUE(startUp());
        tool.setReportWriter([this](const Content& c, const std::string& path) {
            content.push_back(c);
            return path.empty() ? "no path" : "";
        });
        tool.choose(ProgramItem::Adjust);
        tool.partAdjCheck(0);  // ALL
        dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
    }
    // The cells of the last report's first row whose first cell is `label`.
    std::vector<Cell> row(const std::string& label) const {
        std::vector<Section> all = content.back().sections;
        all.push_back(content.back().recorder);
        for (const Section& s : all)
            for (const Table& t : s.tables)
                for (const auto& r : t.rows)
                    if (r.front().text == label) return r;
        return {};
    }
    std::string text(const std::string& label, std::size_t column) const {
        const auto r = row(label);
        return column < r.size() ? r[column].text : "(none)";
    }
    std::vector<Content> content;
};

TEST(AdjustReport, AfterARunHoldsTheRecorderEveryValueFoundAndLeftEveryErrorRateAndThePlots) {
    ReportRun run;
    run.tool.choose(ProgramItem::Start);
    ASSERT_EQ(run.content.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        run.tool.lastReport(),
        std::regex("reports/QT7310XYZ_SN1_20[0-9]{2}-[0-9]{2}-[0-9]{2}_[0-9]{6}\\.pdf")));
    EXPECT_EQ(reportPath("QT7310 A/B", {2026, 1, 2, 3, 4, 5}),
              "reports/QT7310_A_B_2026-01-02_030405.pdf");
    EXPECT_EQ(reportPath("QT7310XYZ_V2.10.00 ", {2026, 1, 2, 3, 4, 5}),
              "reports/QT7310XYZ_V2_10_00_2026-01-02_030405.pdf");
    EXPECT_TRUE(std::filesystem::is_directory("reports"));
    std::string facts;
    for (const auto& r : run.content[0].recorder.tables[0].rows)
        facts += r[1].text + "|";
    EXPECT_TRUE(std::regex_match(
        facts, std::regex("\\|QT7310\\|QT7310XYZ_SN1\\|" + run.tool.recorder().SysconVer +
                          "\\|XYZ\\|00 12 00\\|SN1\\|20[-0-9]{8} [:0-9]{8}"
                          "\\|Version 2.1\\|completed\\|")))
        << facts;

    const adjust::AdjustRecord& record = run.tool.adjustRecord();
    ASSERT_EQ(record.recordBlocks.size(), 1u);
    const auto& rec = record.recordBlocks[0];
    const char* heads[2][2] = {{"L1", "L2"}, {"R1", "R2"}};
    for (std::size_t ch = 0; ch < 2; ++ch)
        for (std::size_t h = 0; h < 2; ++h)
            for (std::size_t c = 0; c < 4; ++c)  // current found, left, frequency found, left
                EXPECT_EQ(
                    run.text(heads[ch][h], 1 + c),
                    std::to_string((c % 2 ? rec.left : rec.found).value()[ch][h + c / 2 * 2]));
    // Each playback block's table: MAG, VCO and the twelve taps of each channel.
    const auto& pbTables = run.content[0].sections[0].tables;
    ASSERT_EQ(pbTables.size(), record.playbackBlocks.size());
    for (std::size_t i = 0; i < pbTables.size(); ++i) {
        const auto& b = record.playbackBlocks[i];
        EXPECT_EQ(pbTables[i].title.rfind(run::blockName(b.block), 0), 0u);
        for (std::size_t r = 0; r < 4; ++r) {
            const auto& items = (r % 2 ? b.left : b.found).value()[r / 2];
            std::size_t column = 1;
            for (std::size_t item : {2, 3, 9, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28})
                EXPECT_EQ(pbTables[i].rows[1 + r][column++].text, std::to_string(items[item]));
        }
    }
    // The record heads' error rates of the self-recorded tape, all within -4.1,
    // under L1, L2, R1, R2: the recorder reads a recording L1, L2, R2, R1.
    static constexpr int column[] = {0, 1, 3, 2};  // of each of the recorder's fields
    for (int g = 0; g < 3; ++g)
        for (int h = 0; h < 4; ++h)
            EXPECT_EQ(run.text("Self Conf", static_cast<std::size_t>(1 + 4 * g + column[h])),
                      fixed2(run.tool.rates().ErrResLp(7, 1, 0, g, h, 3)));
    EXPECT_EQ(run.text("Self Conf", 13) + run.text("Self Conf", 14), "-4.10pass");
    for (const char* label : {"Master RP", "Master S Slow", "Conf Conf", "HDSP", "DV", "Rch Env-2"})
        EXPECT_EQ(run.text(label, 0), label);
    // A plot for each channel and setting, with both heads.
    ASSERT_EQ(run.content[0].plots.size(), 4u);
    for (const Plot& p : run.content[0].plots)
        EXPECT_EQ(p.heads.size(), 2u);

    // A rate above its limit shows dark red and fails its row; one at the limit does not,
    // nor does one never measured.
    run.tool.rates().ErrResLp(7, 1, 0, 0, 0, 3) = -4.09f;
    run.tool.rates().ErrResOt(3, 0, 0) = -4.3f;
    run.tool.rates().ErrResOt(3, 2, 0) = NotMeasured;  // VL: head L2
    run.tool.programmes().AdjustReport(false);
    EXPECT_EQ(run.row("Self Conf")[1], (Cell{"-4.09", Fail}));
    EXPECT_EQ(run.row("Self Conf").back(), (Cell{"FAIL", Fail}));
    EXPECT_EQ(run.row("HDSP")[1], (Cell{"-4.30", Pass}));
    EXPECT_EQ(run.row("HDSP")[2], (Cell{"---", Unmeasured}));
    EXPECT_EQ(run.row("HDSP").back(), (Cell{"not all measured", Unmeasured}));

    // A run stopped before it measured anything shows none of the first run's
    // values as its own.
    run.dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
    run.at(run.now() + std::chrono::seconds(1), [&] { run.tool.choose(ProgramItem::Stop); });
    run.tool.choose(ProgramItem::Start);
    ASSERT_EQ(run.content.size(), 3u);
    EXPECT_EQ(run.content[2].sections[2].lines,
              std::vector<std::string>{"No error rate was measured."});
    EXPECT_TRUE(run.content[2].plots.empty());
}

TEST(AdjustReport, AStoppedRunIsReportedAsStoppedWithItsRepeatsAndAFailedDrumHoursReadSaysSo) {
    ReportRun run;
    // No -5 dB point: the operator has the sweep measured again, then aborts it.
    run.recorder.faults().curveFlat = true;
    run.dialogs().expectMsgBox("-5dB Point not Found !!", platform::Answer::Retry);
    run.dialogs().expectMsgBox("-5dB Point not Found !!", platform::Answer::Abort);
    run.tool.choose(ProgramItem::Start);
    ASSERT_EQ(run.content.size(), 1u);
    EXPECT_EQ(run.row("Run")[1].colour, Fail);
    EXPECT_EQ(
        run.content[0].sections.back().lines,
        (std::vector<std::string>{
            "Record MAGVEX HDLP,18000rpm,RP,RP,RP: -5dB Point not Found !! Lch: measured again",
            "MAGVEX HDLP,18000rpm,RP,RP,RP: Lch record current L1 measured 2 times",
            "MAGVEX HDLP,18000rpm,RP,RP,RP: Lch record current L2 measured 2 times"}));
    // The recorder does not answer the drum hours read: the report is written all the same.
    run.recorder.faults().noReply.count = 100;
    run.tool.programmes().AdjustReport(true);
    ASSERT_EQ(run.content.size(), 2u);
    EXPECT_EQ(run.text("Drum hours (as read)", 1).rfind("not read: ", 0), 0u);
    // A report that cannot be written is said so, with the reason.
    run.tool.setReportWriter([](const Content&, const std::string&) { return "disk full"; });
    run.dialogs().expectMsgBox("Report not written: disk full", platform::Answer::Ok);
    run.tool.programmes().AdjustReport(false);
    EXPECT_EQ(run.dialogs().pending(), 0u);
    EXPECT_TRUE(run.tool.lastReport().empty());
}

// The verdict after a run on the built-in simulated recorder, where the
// window, the report's first page and the result window agree. REC alone
// fails on its own recording's error rate, read through the RP playback
// heads at their defaults; with them adjusted first (ALL) the same recorder
// passes, the cause the verdict names. A stop leaves it INCOMPLETE.
TEST(RunVerdict, NamesEveryValueAboveItsLimitAndTheLikelyCause) {
    using Kind = results::Verdict::Kind;
    for (auto [part, stop, kind] :
         {std::tuple{2, false, Kind::Fail}, {0, false, Kind::Pass}, {2, true, Kind::Incomplete}}) {
        test::ToolRig rig(sim::builtInRecorderConfig());
        rig.dialogs().setFallback([](const auto& d) { return demo::unattendedAnswer(d); });
        std::vector<Content> content;
        rig.tool.setReportWriter([&](const Content& c, const std::string&) {
            content.push_back(c);
            return "";
        });
        ASSERT_TRUE(rig.tool.Main());
        rig.tool.choose(ProgramItem::Adjust);
        rig.tool.partAdjCheck(part);
        if (stop)
            rig.at(rig.now() + std::chrono::seconds(300),
                   [&] { rig.tool.choose(ProgramItem::Stop); });
        rig.tool.choose(ProgramItem::Start);
        const results::VerdictWindowModel& w = rig.tool.verdictWindow();
        SCOPED_TRACE(w.verdict.line());
        EXPECT_TRUE(w.visible);
        EXPECT_EQ(w.verdict.kind, kind);
        ASSERT_EQ(content.size(), 1u);
        EXPECT_EQ(content[0].verdict.title, w.verdict.word());
        EXPECT_EQ(content[0].verdict.lines, w.verdict.items);
        // Every value "ErrorRate Result" shows above its limit is named.
        results::ErrResultModel shown;
        results::ErrResultFill(shown, rig.tool.rates());
        std::size_t above = 0, named = 0;
        for (const results::ResultGrid* g : {&shown.ErrChartLp, &shown.ErrChartOt})
            for (int r = 0; r < g->rows(); ++r)
                for (int c = 0; c < g->cols(); ++c)
                    above += g->cell(r, c).fore == colors::Red;
        for (const std::string& item : w.verdict.items)
            named += item.find("above its limit") != std::string::npos;
        EXPECT_EQ(named, stop ? named : above);
        const bool hinted = !w.verdict.items.empty() &&
                            w.verdict.items.back().starts_with("likely cause: the error rate");
        EXPECT_EQ(hinted, kind == Kind::Fail);
        EXPECT_EQ(rig.tool.window().LogText.find("Note: the error rate") != std::string::npos,
                  part == 2);
        if (stop) {
            EXPECT_EQ(w.verdict.items[0] + "|" + w.verdict.items[1],
                      "stopped by the operator|not adjusted: record block MAGVEX "
                      "HDLP,18000rpm,RP,RP,RP");
        }
    }
}

}  // namespace
}  // namespace rf::report

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>

#include "report/report_pdf.h"
#include "tool_rig.h"

namespace rf::report {
namespace {

std::string output(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out(1 << 20, '\0');
    out.resize(pipe ? std::fread(out.data(), 1, out.size(), pipe.get()) : 0);
    return out;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// Whether `items` stand in order on one line of `text`.
bool onOneLine(const std::string& text, const std::vector<std::string>& items) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::size_t at = 0;
        if (std::ranges::all_of(items, [&](const std::string& item) {
                return (at = line.find(item, at)) != std::string::npos && (at += item.size());
            }))
            return true;
    }
    return false;
}

// Every body row of every table of `sections`, each word of its cells on one
// line: no cell broken into lines (and clipped to its box).
void expectRowsWhole(const std::string& text, const std::vector<Section>& sections) {
    for (const Section& s : sections)
        for (const Table& t : s.tables)
            for (std::size_t r = 1; r < t.rows.size(); ++r) {
                std::vector<std::string> items;
                for (const Cell& c : t.rows[r])
                    std::ranges::copy(words(c.text), std::back_inserter(items));
                EXPECT_TRUE(onOneLine(text, items)) << t.title << " row " << r << ": " << items[0];
            }
}

// A whole Adjust run whose report goes through the PDF writer, read back with
// poppler's tools; the content the writer was given is kept to compare with.
// A stopped one has its first record sweep measured again, then aborted.
struct PdfRun : test::ToolRig {
    explicit PdfRun(bool stopped = false)
        : ToolRig(sim::RecorderConfig{.seed = 3, .autoChanger = true}) {
        EXPECT_TRUE(startUp());
        tool.setReportWriter([this](const Content& c, const std::string& path) {
            content = c;
            return writePdf(c, path);
        });
        tool.choose(run::ProgramItem::Adjust);
        tool.partAdjCheck(0);
        dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
        recorder.faults().curveFlat = stopped;
        for (auto answer : {platform::Answer::Retry, platform::Answer::Abort})
            if (stopped) dialogs().expectMsgBox("-5dB Point not Found !!", answer);
        tool.choose(run::ProgramItem::Start);
        path = tool.lastReport();
        text = output("pdftotext -layout " + path + " -");
        sections = content.sections;
        sections.push_back(content.recorder);
        info = output("pdfinfo " + path);
        std::smatch m;
        if (std::regex_search(info, m, std::regex("Pages: +([0-9]+)"))) pages = std::stoi(m[1]);
    }
    // The entries of the plots' legends (a plot a page, the last pages) that
    // stand whole: "L1 threshold 0.400", "R2 chosen -31".
    long legendEntries() const {
        const auto first = pages + 1 - static_cast<int>(content.plots.size());
        const std::string plots =
            output("pdftotext -layout -f " + std::to_string(first) + " " + path + " -");
        const std::regex entry(
            "[LR][12] (measured|smoothed|reference|threshold [.0-9]+|chosen -?[0-9]+)");
        return std::distance(std::sregex_iterator(plots.begin(), plots.end(), entry), {});
    }
    Content content;
    std::vector<Section> sections;
    std::string path, text, info;
    int pages = 0;
};

TEST(ReportPdf,
     HoldsEveryTableRowAndLegendWholeOnNumberedA4PagesWithVectorPlotsWhateverTheDesktop) {
    const std::string again = PdfRun().text;
    const QFont desktop = QApplication::font();            // the operator's, large serif letters:
    QApplication::setFont(QFont("Liberation Serif", 14));  // the report keeps its own
    PdfRun run;
    ASSERT_FALSE(run.path.empty());
    // Only the finished file is left: no temporary one beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("reports"), {}), 1);
    const std::regex date("Date +[-0-9: ]+");
    EXPECT_EQ(std::regex_replace(run.text, date, ""), std::regex_replace(again, date, ""));
    // Every row of every table whole on one line, in the report of a completed
    // run, of a stopped one and of a table wider than the page.
    expectRowsWhole(run.text, run.sections);
    EXPECT_NE(run.text.find("Version 2.1"), std::string::npos);
    ASSERT_GT(run.pages, 0);
    for (int n = 1; n <= run.pages; ++n)
        EXPECT_NE(run.text.find("Page " + std::to_string(n) + " of " + std::to_string(run.pages)),
                  std::string::npos);
    EXPECT_TRUE(std::regex_search(run.info, std::regex("Page size: +84[12].* x 595.* \\(A4\\)")));
    // The plots are drawn, not pasted as pictures: pdfimages lists only its
    // two heading lines, and each plot's axis titles are text.
    EXPECT_EQ(std::ranges::count(output("pdfimages -list " + run.path), '\n'), 2);
    EXPECT_EQ(std::ranges::count(words(run.text), std::string("envelope")), 4);
    for (const char* axis : {"record current offset", "record frequency offset"})
        EXPECT_NE(run.text.find(axis), std::string::npos) << axis;
    EXPECT_EQ(run.legendEntries(), 4 * 2 * 5);  // each head's five lines in every plot

    PdfRun stopped(true);
    expectRowsWhole(stopped.text, stopped.sections);
    EXPECT_EQ(stopped.legendEntries(), 2 * 3);  // no threshold found, nothing chosen
    std::vector<Section> wide{{"", {}, {run.sections[2].tables.back()}}};
    for (auto& row : wide[0].tables[0].rows) {
        const auto cells = row;
        row.insert(row.end(), cells.begin() + 1, cells.begin() + 9);
    }
    ASSERT_EQ(writePdf({"wide", {}, {}, wide, {}}, "reports/wide.pdf"), "");
    expectRowsWhole(output("pdftotext -layout reports/wide.pdf -"), wide);
    QApplication::setFont(desktop);
}

}  // namespace
}  // namespace rf::report

#include <gtest/gtest.h>

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

// A whole Adjust run whose report goes through the PDF writer, read back with
// poppler's tools; the content the writer was given is kept to compare with.
struct PdfRun : test::ToolRig {
    PdfRun() : ToolRig(sim::RecorderConfig{.seed = 3, .autoChanger = true}) {
        EXPECT_TRUE(startUp());
        tool.setReportWriter([this](const Content& c, const std::string& path) {
            content = c;
            return writePdf(c, path);
        });
        tool.choose(run::ProgramItem::Adjust);
        tool.partAdjCheck(0);
        dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
        tool.choose(run::ProgramItem::Start);
        path = tool.lastReport();
        text = output("pdftotext -layout " + path + " -");
    }
    Content content;
    std::string path, text;
};

TEST(ReportPdf, HoldsEveryTableRowOnNumberedA4PagesWithVectorPlotsTheSameForTheSameRecorder) {
    const std::string again = PdfRun().text;
    PdfRun run;
    ASSERT_FALSE(run.path.empty());
    // Only the finished file is left: no temporary one beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("reports"), {}), 1);
    const std::regex date("Date +[-0-9: ]+");
    EXPECT_EQ(std::regex_replace(run.text, date, ""), std::regex_replace(again, date, ""));
    // Every row of every table, its cells in order on one line of text.
    const std::vector<std::string> all = words(run.text);
    std::vector<Section> sections = run.content.sections;
    sections.push_back(run.content.recorder);
    for (const Section& s : sections)
        for (const Table& t : s.tables)
            for (std::size_t r = 1; r < t.rows.size(); ++r) {
                std::vector<std::string> cells;
                for (const Cell& c : t.rows[r])
                    for (const std::string& w : words(c.text))
                        cells.push_back(w);
                EXPECT_FALSE(std::ranges::search(all, cells).empty()) << t.title << " row " << r;
            }
    const std::string info = output("pdfinfo " + run.path);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(info, m, std::regex("Pages: +([0-9]+)")));
    const std::string pages = m[1];
    for (int n = 1; n <= std::stoi(pages); ++n)
        EXPECT_NE(run.text.find("Page " + std::to_string(n) + " of " + pages), std::string::npos);
    EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +84[12].* x 595.* \\(A4\\)")));
    // The plots are drawn, not pasted as pictures: pdfimages lists only its
    // two heading lines, and each plot's axis titles are text.
    EXPECT_EQ(std::ranges::count(output("pdfimages -list " + run.path), '\n'), 2);
    EXPECT_EQ(std::ranges::count(words(run.text), std::string("envelope")), 4);
    for (const char* axis : {"record current offset", "record frequency offset"})
        EXPECT_NE(run.text.find(axis), std::string::npos) << axis;
}

}  // namespace
}  // namespace rf::report

// The result windows printed to a PDF file: the page holds the recorder's name
// and the values, and the window comes back as it was.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <filesystem>
#include <string>

#include "platform/virtual/scripted_dialogs.h"
#include "results/view/result_window_view.h"
#include "temp_dir.h"

namespace {

using namespace rf::results;
using rf::platform::Answer;
using rf::platform::virt::Micros;
using rf::platform::virt::ScriptedDialogs;

const char* const VtrName = "QT7310XYZ_SN4711";

void settle() {
    for (int pass = 0; pass < 4; ++pass)
        QCoreApplication::processEvents();
}

// The text of a PDF file, as pdftotext reads it.
std::string pdfText(const std::string& path) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", QString::fromStdString(path), "-"});
    pdftotext.waitForFinished();
    return pdftotext.readAllStandardOutput().toStdString();
}

// Each of `on` is on the printed page, none of `off`.
void expectPage(const std::string& pdf, std::initializer_list<const char*> on,
                std::initializer_list<const char*> off) {
    const std::string page = pdfText(pdf);
    for (const char* text : on)
        EXPECT_NE(page.find(text), std::string::npos) << text << " not on\n" << page;
    for (const char* text : off)
        EXPECT_EQ(page.find(text), std::string::npos) << text << " on\n" << page;
}

// Both windows shown on their own models, the view's events going straight
// to the windows' handlers, and a printer dialog that prints to `pdf`.
struct Screen : ResultWindowEvents {
    Screen() {
        recorder.VtrName = VtrName;
        rates.ErrResLp.fill(-1.5f);
        rates.ErrResOt.fill(-1.5f);
        rates.ErrResLp(7, 0, 0, 0, 0, 0) = -3.1f;
        rates.ErrResOt(1, 3, 0) = -4.3f;
        tables.PbDataRead(7, 2, 0, 0, 1, 9) = 1234;
        for (ResultWindowView* view :
             {static_cast<ResultWindowView*>(&err), static_cast<ResultWindowView*>(&evr)})
            view->setPrinterDialog([this](QPrinter& printer, QWidget*) {
                landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(QString::fromStdString(pdf));
                return chooses;
            });
        windows.show(ResultWindowId::ErrResult);
        windows.show(ResultWindowId::EvrResult);
        settle();
    }
    void resultActivated(ResultWindowId id) override { windows.activated(id); }
    void resultClosed(ResultWindowId id) override { windows.hide(id); }
    void formatSelected(int index) override { windows.FormatSel_Click(index); }
    void printClicked(ResultWindowId id, WindowPrint& print) override {
        windows.PrintGo_Click(id, print);
    }

    template <typename W>
    W* find(QWidget& window, const char* name) {
        return window.findChild<W*>(name);
    }
    void print(QWidget& window) {
        find<QPushButton>(window, "PrintGo")->click();
        settle();
    }

    rf::test::TempWorkDir dir;
    rf::Recorder recorder;
    rf::AdjustmentTables tables;
    rf::ErrorRates rates;
    ScriptedDialogs dialogs{[] { return Micros{0}; }, [](Micros) {}};
    ResultWindows windows{recorder, tables, rates, dialogs};
    ErrResultView err{windows.errResult(), *this};
    EvrResultView evr{windows.evrResult(), *this};
    std::string pdf = (dir.path() / "result.pdf").string();
    bool chooses = true;
    bool landscape = false;
};

TEST(ResultPrint, TheErrorRatePageHoldsTheRecorderAndTheValuesAndTheWindowComesBack) {
    Screen screen;
    const ErrResultModel before = screen.windows.errResult();
    screen.print(screen.err);
    EXPECT_TRUE(screen.landscape);
    expectPage(screen.pdf,
               {VtrName, "MAGVEX HDLP", "FORMAT", "VIDEO", "S Slow", "-3.10", "---", "-4.30", "DV"},
               {"PRINT", "CLOSE", "-1.50"});
    EXPECT_EQ(screen.windows.errResult(), before);
    auto* printGo = screen.find<QPushButton>(screen.err, "PrintGo");
    EXPECT_TRUE(printGo->isVisible() && printGo->isEnabled());
    EXPECT_TRUE(screen.find<QPushButton>(screen.err, "ErrChartHide")->isVisible());
    EXPECT_TRUE(screen.find<QLabel>(screen.err, "PrintLabel")->text().isEmpty());
    EXPECT_EQ(screen.find<QTableWidget>(screen.err, "ErrChartLp")->item(0, 0)->background().color(),
              QColor(240, 240, 240));
}

TEST(ResultPrint, TheEvrPageKeepsCloseAndTheFormatChoice) {
    Screen screen;
    emit screen.find<QComboBox>(screen.evr, "FormatSel")->activated(2);  // "SDSP"
    screen.print(screen.evr);
    expectPage(screen.pdf, {VtrName, "SDSP", "---", "REC CURR H", "C 2 +3(L)", "SubSlow", "CLOSE"},
               {"PRINT", "1234"});
    EXPECT_EQ(screen.windows.evrResult().FormatSel.selected, 2);
    EXPECT_TRUE(screen.find<QPushButton>(screen.evr, "PrintGo")->isVisible());
}

TEST(ResultPrint, ACancelledDialogPrintsNothingAndLeavesTheWindowAsItWas) {
    Screen screen;
    screen.chooses = false;
    const ErrResultModel before = screen.windows.errResult();
    screen.print(screen.err);
    EXPECT_FALSE(std::filesystem::exists(screen.pdf));
    EXPECT_EQ(screen.windows.errResult(), before);
    EXPECT_TRUE(screen.find<QPushButton>(screen.err, "PrintGo")->isEnabled());
    EXPECT_TRUE(screen.dialogs.shown().empty());
}

TEST(ResultPrint, APrinterThatFailsIsReportedAndPrintStaysUsable) {
    Screen screen;
    screen.pdf = (screen.dir.path() / "no-such-folder" / "result.pdf").string();
    screen.dialogs.expectMsgBox(
        "Print Error !!\nCannot write \"" + screen.pdf + "\": No such file or directory",
        Answer::Ok);
    const EvrResultModel before = screen.windows.evrResult();
    screen.print(screen.evr);
    ASSERT_EQ(screen.dialogs.shown().size(), 1u);
    EXPECT_EQ(screen.dialogs.shown()[0].title, "ERROR Message");
    EXPECT_EQ(screen.windows.evrResult(), before);
    EXPECT_TRUE(screen.find<QPushButton>(screen.evr, "PrintGo")->isEnabled());
    EXPECT_TRUE(screen.find<QLabel>(screen.evr, "PrintLabel")->text().isEmpty());
}

}  // namespace

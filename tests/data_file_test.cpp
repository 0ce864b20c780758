#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>

#include <csignal>
#include <filesystem>
#include <tuple>

#include "core/delimited.h"
#include "data/data_file.h"
#include "link/rs_commands.h"
#include "tool_rig.h"

namespace rf::data {
namespace {

using link::LevelKind::Eq200;
using link::LevelKind::Rf;
using platform::Answer;
using platform::FileDialog;
using test::readFile;
using test::ToolRig;
using test::writeFile;

const std::string SerialPrompt = "Please input VTR Serial No or Manufact No !";
const std::string SaveFilter = "Data File | *.dst;*.dat";
const std::string LoadFilter = "Data File | *.dst";

// The values tests/data/data_file_all.dst was written for: each entry tells
// where it stands (format, category, kind, channel, measurement kind, item),
// a level item's place folded into the values the recorder takes for it.
void fillTables(ErrorRates& rates, AdjustmentTables& tables) {
    forEachSelection([&](int f, int r, int c, int k, int ch) {
        for (int i = 0; i < 29; ++i) {
            const auto [low, high] = link::levelItemLimits(i < 4 ? Rf : Eq200, i);
            const int place = f * 1000 + c * 500 + k * 100 + ch * 50 + i;
            tables.PbDataRead(f, r, c, k, ch, i) =
                static_cast<std::int16_t>(low + place % (high - low + 1));
        }
        for (int i = 0; i < 4; ++i)
            tables.RecDataRead(f, r, c, k, ch, i) = static_cast<std::int16_t>(-(ch * 10 + i + 1));
    });
    for (int f = 0; f <= 7; ++f)
        for (int ch = 0; ch <= 3; ++ch)
            for (int m = 0; m <= 6; ++m) {
                rates.ErrResOt(f, ch, m) = static_cast<float>(-(m + 1) - ch * 0.1 - f * 0.01);
                for (int c = 0; c <= 1; ++c)
                    for (int k = 0; k <= 3; ++k)
                        for (int g = 0; g <= 2; ++g)
                            rates.ErrResLp(f, c, k, g, ch, m) = static_cast<float>(
                                -(m + 1) - g * 0.1 - ch * 0.01 - (c * 4 + k) * 0.001);
            }
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        out.push_back(text.substr(at, end - at));
    return out;
}

struct FileRig : ToolRig {
    FileRig() {
        EXPECT_TRUE(startUp());
        tool.tables().DownLoadDone = true;  // saving is allowed
        fillTables(tool.rates(), tool.tables());
    }
    void save(const std::string& name) {
        dialogs().expectInput(SerialPrompt, "SN1");
        dialogs().expectFile(FileDialog::Save, SaveFilter, name);
        tool.menuFile(0);
    }
    void load(const std::string& name) {
        dialogs().expectFile(FileDialog::Open, LoadFilter, name);
        tool.menuFile(1);
    }
};

RfError raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const RfError& e) {
        return e;
    }
    return RfError(0);
}

// The tables a file holds are those they were.
struct Held {
    ErrorRates rates;
    AdjustmentTables tables;
};
bool same(const Held& a, app::Tool& b) {
    return a.rates.ErrResLp == b.rates().ErrResLp && a.rates.ErrResOt == b.rates().ErrResOt &&
           a.tables.PbDataRead == b.tables().PbDataRead &&
           a.tables.RecDataRead == b.tables().RecDataRead;
}

TEST(DataFile, SaveWritesTheLayoutAndOneBlockToEachHistoryFileEveryTime) {
    FileRig rig;
    const auto fixture = lines(readFile(RF_TEST_DATA_DIR "/data_file_all.dst"));
    rig.save("a.dst");
    const auto written = lines(readFile("a.dst"));
    ASSERT_EQ(written.size(), 44u + 5u);  // every HDLP playback block is a target
    EXPECT_EQ(written[0],
              "\"12-05-2026\",\"" + run::logTime(rig.platform.now()) + "\",\"QT7310XYZ_SN1\"");
    for (std::size_t n = 1; n < fixture.size(); ++n)
        EXPECT_EQ(written[n], fixture[n]) << "line " << n + 1;
    EXPECT_EQ(rig.tool.window().caption, "RF ADJUST TOOL : QT7310XYZ_SN1");

    // Again to the same name: No shows the dialog again, Yes replaces the file.
    rig.dialogs().expectInput(SerialPrompt, "SN1");
    rig.dialogs().expectFile(FileDialog::Save, SaveFilter, "a.dst");
    rig.dialogs().expectMsgBox("There is same file. Are you OK ?", Answer::No);
    rig.dialogs().expectFile(FileDialog::Save, SaveFilter, "a.dst");
    rig.dialogs().expectMsgBox("There is same file. Are you OK ?", Answer::Yes);
    rig.tool.menuFile(0);
    EXPECT_EQ(lines(readFile("a.dst")), written);
    const std::string head = written[0] + "\r\n";
    std::string errBlock = head, evrBlock = head;
    for (std::size_t n = 1; n < written.size(); ++n)
        (n <= 10 ? errBlock : evrBlock) += written[n] + "\r\n";
    EXPECT_EQ(readFile("QT7310Err.dat"), errBlock + errBlock);
    EXPECT_EQ(readFile("QT7310Evr.dat"), evrBlock + evrBlock);
    // Without the Slow L13/R24 heads among the targets, their section-A line goes.
    rig.tool.selection().AdjTarget(dir::Playback, 7, 2, 1, 1, 0) = false;
    rig.save("b.dst");
    auto fewer = written;
    fewer.erase(fewer.begin() + 3);
    EXPECT_EQ(lines(readFile("b.dst")), fewer);
    // Through a symbolic link (here to a file not there yet) the file it names
    // is written, and the link stays.
    std::filesystem::create_directory("d");
    std::filesystem::create_symlink("d/t.dst", "link.dst");
    rig.save("link.dst");
    EXPECT_TRUE(std::filesystem::is_symlink("link.dst"));
    EXPECT_EQ(readFile("d/t.dst"), readFile("b.dst"));
}

TEST(DataFile, LoadGivesBackEveryEntryAndMarksTheDataLoaded) {
    FileRig rig;
    rig.tool.rates().ErrResLp(7, 1, 0, 2, 3, 6) = std::nextafter(-4.1f, 0.0f);  // nine digits
    rig.save("a.dst");
    DataInit(rig.tool.tables(), rig.tool.rates());
    rig.load("a.dst");
    // Every entry the file holds is back: saved again, the file is the same.
    EXPECT_EQ(rig.tool.rates().ErrResLp(7, 1, 0, 2, 3, 6), std::nextafter(-4.1f, 0.0f));
    rig.save("b.dst");
    EXPECT_EQ(readFile("b.dst"), readFile("a.dst"));
    EXPECT_TRUE(rig.tool.tables().FileLoaded);
    EXPECT_NE(rig.tool.window().LogText.find("12-05-2026" + run::logTime(rig.platform.now()) +
                                             "QT7310XYZ_SN1Load !\r\n"),
              std::string::npos);
}

TEST(DataFile, ADamagedFileChangesNothingAndNamesItsLine) {
    EXPECT_EQ(parseSingle("-.5"), -0.5f);
    EXPECT_EQ(raised([] { parseSingle("+-5"); }).number(), err::TypeMismatch);
    FileRig rig;
    const std::string good = readFile(RF_TEST_DATA_DIR "/data_file_all.dst");
    std::vector<std::size_t> ends;  // where each line ends, after its CR LF
    for (std::size_t at = good.find("\r\n"); at != std::string::npos;
         at = good.find("\r\n", at + 1))
        ends.push_back(at + 2);
    struct Case {
        std::string text;
        int number;
        std::string line;
    };
    auto lineOf = [&](std::size_t at) {
        return "line " + std::to_string(std::count(good.begin(), good.begin() + at, '\n') + 1);
    };
    std::vector<Case> cases = {{"", err::InputPastEnd, "line 1 is"}};
    for (std::size_t n = 0; n + 1 < ends.size(); ++n) {
        cases.push_back({good.substr(0, ends[n]), err::InputPastEnd, lineOf(ends[n]) + " is"});
        // Cut inside the next line: its last fields and its closing field are missing.
        const std::size_t cut = (ends[n] + ends[n + 1]) / 2;
        cases.push_back({good.substr(0, cut), err::InputPastEnd, lineOf(cut) + " is cut short"});
    }
    std::string garbled = good;
    const std::size_t bad = garbled.find("-7.004");
    garbled.replace(bad, 6, "-7.0O4");
    cases.push_back({garbled, err::TypeMismatch, lineOf(bad) + ": \"-7.0O4\""});
    std::string other = good;  // the same values in other forms
    other.replace(other.find("-1,-1.01,"), 9, "-1E+00, -101e-2 ,");
    cases.push_back({other, 0, ""});
    // Saved for one more target than is selected now: one line too many.
    const std::string longer = good + good.substr(ends.at(0), ends.at(1) - ends.at(0));
    cases.push_back({longer, err::TypeMismatch, "line 50: more lines"});
    cases.push_back({"\xEF\xBB\xBF" + good, 0, ""});  // a byte-order mark, as an editor writes it
    cases.push_back({good + std::string(1 << 20, ' '), err::PathFileAccess, "larger than"});
    // Values the recorder does not take: the VCO (item 9), an equaliser tap,
    // an RF level and the record values (line 48 and 49), just outside and far.
    for (const auto& [line, item, value] :
         std::vector<std::tuple<std::size_t, int, std::string>>{{12, 9, "1024"},
                                                                {13, 9, "4000"},
                                                                {12, 19, "-3"},
                                                                {14, 2, "-129"},
                                                                {49, 1, "128"},
                                                                {48, 3, "500"}}) {
        std::string text = good;
        std::size_t at = ends.at(line - 2);
        for (int field = 0; field < item; ++field)
            at = text.find(',', at) + 1;
        text.replace(at, text.find(',', at) - at, value);
        cases.push_back({text, err::Overflow,
                         "line " + std::to_string(line) + ": item " + std::to_string(item) + " = " +
                             value + " is out of range"});
    }

    const auto before =  // large tables: not on the stack
        std::make_unique<Held>(Held{rig.tool.rates(), rig.tool.tables()});
    for (const Case& c : cases) {
        writeFile("bad.dst", c.text);
        const RfError e = raised([&] {
            loadDataFile("bad.dst", rig.tool.selection().AdjTarget, rig.tool.rates(),
                         rig.tool.tables());
        });
        EXPECT_EQ(e.number(), c.number) << c.line;
        EXPECT_TRUE(same(*before, rig.tool)) << c.line;
        EXPECT_NE(e.detail().find(c.number ? "bad.dst: " + c.line : ""), std::string::npos);
    }
    EXPECT_EQ(raised([&] {
                  loadDataFile("none.dst", rig.tool.selection().AdjTarget, rig.tool.rates(),
                               rig.tool.tables());
              }).number(),
              err::FileNotFound);
}

TEST(DataFile, TheMenuRefusesEmptyFilesAndIgnoreKeepsTheTablesAndTheIdleWindow) {
    FileRig rig;
    const auto before = std::make_unique<Held>(Held{rig.tool.rates(), rig.tool.tables()});
    writeFile("empty.dst", "");
    rig.dialogs().expectFile(FileDialog::Open, LoadFilter, "empty.dst");
    rig.dialogs().expectMsgBox("There is no file.", Answer::Ok);
    rig.dialogs().expectFile(FileDialog::Open, LoadFilter, "");
    rig.tool.menuFile(1);

    writeFile("short.dst", "\"12-05-2026\",\"02:33:38\",\"X\"\r\n");
    rig.dialogs().expectFile(FileDialog::Open, LoadFilter, "short.dst");
    rig.dialogs().expectMsgBox("Other Error No =  62\nshort.dst: line 2 is missing",
                               Answer::Ignore);
    rig.tool.menuFile(1);

    // A file that is there but cannot be opened (here: no descriptor is left)
    // is reported, and the tables do not count as loaded.
    writeFile("locked.dst", readFile(RF_TEST_DATA_DIR "/data_file_all.dst"));
    rig.dialogs().expectFile(FileDialog::Open, LoadFilter, "locked.dst");
    rig.dialogs().expectMsgBox(
        "Other Error No =  53\nlocked.dst: cannot be opened (Too many "
        "open files)",
        Answer::Ignore);
    rlimit saved{}, fewer{};
    getrlimit(RLIMIT_NOFILE, &saved);
    std::vector<int> taken;
    for (int fd; (fd = dup(1)) >= 0; setrlimit(RLIMIT_NOFILE, &fewer))
        fewer = {static_cast<rlim_t>(taken.emplace_back(fd)) + 1, saved.rlim_max};
    rig.tool.menuFile(1);
    std::ranges::for_each(taken, close);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_TRUE(same(*before, rig.tool));
    EXPECT_FALSE(rig.tool.tables().FileLoaded);
    EXPECT_TRUE(rig.tool.window().MenuFile.enabled);
    EXPECT_FALSE(rig.tool.ended());
    EXPECT_EQ(rig.dialogs().pending(), 0u);
}

// The version standing in for the serial number ends in a blank, which the
// file name drops; the tool's own files are refused and the dialog comes again.
TEST(DataFile, TheSaveOffersANameWithoutTrailingBlanksAndRefusesTheToolsOwnFiles) {
    FileRig rig;
    const std::string rsset = readFile("RSSET.DAT");
    std::filesystem::create_symlink("RSSET.DAT", "link.dst");  // refused by what it names
    rig.dialogs().expectInput(SerialPrompt, "V2.10.00 ");
    for (const auto& [chosen, own] :
         std::vector<std::pair<std::string, std::string>>{{"rsset.dat", "RSSET.DAT"},
                                                          {"sub/DVTRRF.DAT", "DVTRRF.DAT"},
                                                          {"qt7310evr.DAT", "QT7310Evr.dat"},
                                                          {"link.dst", "RSSET.DAT"}}) {
        rig.dialogs().expectFile(FileDialog::Save, SaveFilter, chosen);
        rig.dialogs().expectMsgBox(own +
                                       " is a file of this tool and cannot be overwritten. "
                                       "Please choose another name !",
                                   Answer::Ok);
    }
    rig.dialogs().expectFile(FileDialog::Save, SaveFilter, "");
    rig.tool.menuFile(0);
    EXPECT_EQ(rig.dialogs().shown()[2].defaultText, "QT7310XYZ_V2.10.00.dst");
    EXPECT_EQ(rig.dialogs().shown()[3].title, "Save Prohibit");
    EXPECT_EQ(rig.dialogs().pending(), 0u);
    EXPECT_EQ(readFile("RSSET.DAT"), rsset);
    EXPECT_FALSE(std::filesystem::exists("QT7310Err.dat"));
}

// The file that may not be written is named: the data file, when nothing is
// written, or a history file, after the data file and the other one were.
TEST(DataFile, AFileThatMayNotBeWrittenIsNamedStaysWholeAndAbortEnds) {
    for (const std::string locked : {"old.dst", "QT7310Evr.dat"})
        for (Answer answer : {Answer::Ignore, Answer::Abort}) {
            FileRig rig;
            writeFile("old.dst", "old\r\n");
            writeFile(locked, "old\r\n");
            std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
            rig.dialogs().expectInput(SerialPrompt, "SN1");
            rig.dialogs().expectFile(FileDialog::Save, SaveFilter, "old.dst");
            rig.dialogs().expectMsgBox("There is same file. Are you OK ?", Answer::Yes);
            rig.dialogs().expectMsgBox(
                "File Not Write !\n" + locked + ": the file may not be written (read-only)",
                answer);
            rig.tool.menuFile(0);
            EXPECT_EQ(readFile(locked), "old\r\n");
            EXPECT_FALSE(std::filesystem::exists("old.dst.new"));
            EXPECT_EQ(std::filesystem::exists("QT7310Err.dat"), locked != "old.dst");
            EXPECT_EQ(rig.tool.ended(), answer == Answer::Abort);
        }
}

// A disk that fills up during a save, as a file-size limit makes it: the file
// replaced stays whole, no file is left beside it, and a history file takes
// back the part of a block it could not hold. So does the operation log with
// a record, and names itself and the reason; it closes a record an earlier run
// left cut short, and the record after space is back starts on its own line.
TEST(DataFile, ADiskThatFillsDuringTheSaveLeavesEveryFileWhole) {
    test::TempWorkDir dir;
    writeFile("old.dst", "old\r\n");
    writeFile("history.dat", "one whole block\r\n");
    writeFile("log.txt", "\"cut short");
    run::OperationLog log("log.txt");
    log.open({2026, 12, 5, 9, 30, 0});
    const std::string block(4096, 'x');
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit full = saved;
    full.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &full);
    const int replaced = raised([&] { replaceFile("old.dst", block); }).number();
    const int appended = raised([&] { appendFile("history.dat", block); }).number();
    const RfError logged = raised([&] { log.writeText(block); });
    setrlimit(RLIMIT_FSIZE, &saved);
    log.writeText("after");
    EXPECT_NE(replaced, 0);
    EXPECT_NE(appended, 0);
    EXPECT_EQ(readFile("old.dst"), "old\r\n");
    EXPECT_FALSE(std::filesystem::exists("old.dst.new"));
    EXPECT_EQ(readFile("history.dat"), "one whole block\r\n");
    EXPECT_EQ(errorText(logged), "Other Error No =  75\nlog.txt: File too large");
    EXPECT_EQ(readFile("log.txt"), "\"cut short\r\n\"12-05-2026\",\"09:30:00\"\r\n\"after\"\r\n");
}

}  // namespace
}  // namespace rf::data

// Kill cases: the tool, run as this program again in RF_KILL_DIR, gets a signal as a chosen
// frame goes out to vtrsim; started again here, it must put the recorder right and log it.
#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <csignal>
#include <regex>

#include "app/tool.h"
#include "demo/demo.h"
#include "platform/qt/end_signals.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/tapped_port.h"
#include "run/journal.h"
#include "temp_dir.h"
#include "vtrsim_process.h"

namespace rf {
namespace {

using platform::Answer;

// `code` counted from `from` on; Written: what the journal shows was being written.
enum class Holds { Found, AsKilled, Written };
enum class Work { RecordSweep, PlaybackStore, Upload };
struct KillCase {
    const char *name, *from, *code;
    Work work;
    int nth, signal;
    Answer answer;
    Holds holds;
};
const KillCase cases[] = {
    {"SweepKilled", "ORC", "QCS", Work::RecordSweep, 1, SIGKILL, Answer::Yes, Holds::Found},
    {"SweepKilledKeptAsItIs", "", "$RS:", Work::RecordSweep, 4, SIGKILL, Answer::No,
     Holds::AsKilled},
    {"StoreKilled", "$SA:0721", "$BS:", Work::PlaybackStore, 2, SIGKILL, Answer::Yes, Holds::Found},
    {"UploadKilled", "", "$BS:", Work::Upload, 3, SIGKILL, Answer::Yes, Holds::Written},
    {"SweepTerminated", "", "$RS:", Work::RecordSweep, 4, SIGTERM, Answer::Yes, Holds::Found},
};

// The tool on the link "vtr" (frames seen by `tap`), answering unattended but YesNo.
struct Station {
    Station(std::function<void(std::string_view)> tap, Answer answer = Answer::Yes) {
        platform.useDialogs(dialogs);
        platform.registerPort("KILL", [tap](platform::Platform& p) {
            return std::make_unique<platform::TappedPort>(
                std::make_unique<platform::qt::QtSerialPort>(p, std::filesystem::absolute("vtr")),
                platform::TappedPort::Taps{[tap](std::string_view b) { tap(b.substr(1)); }, {}});
        });
        dialogs.setFallback([answer](const auto& d) {
            auto a = demo::unattendedAnswer(d, {}, "all.dst");
            if (d.buttons == platform::Buttons::YesNo) a.answer = answer;
            return a;
        });
    }
    platform::qt::QtPlatform platform;
    platform::virt::ScriptedDialogs dialogs{[] { return platform::virt::Micros{0}; }, [](auto) {}};
    app::Tool tool{platform};
};

// The record sweep (master levels counted as measured), the HDLP playback
// Conf block's adjustment, or an upload of six blocks.
void victim(const KillCase& c, const char* dir) {
    std::filesystem::current_path(dir);
    bool counting = false;
    int nth = c.nth;
    Station s([&](std::string_view frame) {
        counting = counting || frame.starts_with(c.from);
        if (counting && frame.starts_with(c.code) && --nth == 0) std::raise(c.signal);
    });
    platform::qt::EndSignals watch(s.platform, [&](int) { s.tool.closeRequested(); });
    try {
        ASSERT_TRUE(s.tool.Main());
        if (c.work == Work::Upload) {
            s.tool.menuFile(1);
            int kept = 0;
            forEachBlock([&, &target = s.tool.selection().AdjTarget](int d, int f, int r, int ca,
                                                                     int k, int h) {
                if (target(d, f, r, ca, k, h)) target(d, f, r, ca, k, h) = ++kept <= 6;
            });
            s.tool.choose(run::ProgramItem::UpLoad);
        } else {
            s.tool.choose(run::ProgramItem::Adjust);
            s.tool.partAdjCheck(c.work == Work::RecordSweep ? 2 : 1);  // REC or PB
            s.tool.tables().MasterPbLevelOf = {7, 2};
            if (c.work == Work::PlaybackStore) s.tool.selection().AdjSel.fill(false);
            for (int ch = 0; ch <= 1 && c.work == Work::PlaybackStore; ++ch)
                s.tool.selection().AdjSel(dir::Playback, 7, 2, 1, 0, ch) = true;
            s.tool.choose(run::ProgramItem::Start);
        }
    } catch (const ProgramEnd&) {
    }
}

class KillCases : public ::testing::TestWithParam<std::size_t> {};  // a row of `cases`

TEST_P(KillCases, TheNextStartLeavesTheRecorderAsFoundOrAsAnsweredAndLogsIt) {
    const KillCase& c = cases[GetParam()];
    if (const char* dir = std::getenv("RF_KILL_DIR")) return victim(c, dir);
    test::TempWorkDir dir;
    test::Vtrsim vtrsim{"vtr", QStringList{"--changer", "--induce", "DMO", "--tape",
                                           c.work == Work::PlaybackStore ? "BLANK" : "HDSP CHECK"}};
    ASSERT_TRUE(vtrsim.serving() && vtrsim.says("type help")) << vtrsim.output;
    test::writeFile("DVTRRF.DAT", "10,20,30\r\n");
    test::writeFile("RSSET.DAT", "\"KILL\",\"9600\",\"N\",\"8\",\"1\"\r\n");
    test::writeFile("all.dst", test::readFile(RF_TEST_DATA_DIR "/data_file_adjusted.dst"));
    const std::string before = vtrsim.ask("heads", "head R2");
    QProcess first;  // this program again, on this case, as the victim
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    qputenv("RF_KILL_DIR", QByteArray::fromStdString(dir.path().string()));
    first.start(QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").string()),
                {QString("--gtest_filter=*/") + c.name});
    qunsetenv("RF_KILL_DIR");
    ASSERT_TRUE(first.waitForFinished(120'000));
    const bool killed = c.signal == SIGKILL;
    EXPECT_EQ(first.exitStatus() == QProcess::CrashExit ? -1 : first.exitCode(), killed ? -1 : 0);
    const std::string firstLog = test::readFile("QT7310AdjLog.txt");
    const auto journal = run::Journal::read(run::JournalFileName);
    ASSERT_EQ(journal.has_value(), killed) << firstLog;

    std::string sent;  // the frames of the next start
    Station next([&](std::string_view frame) { (sent += frame) += '\n'; }, c.answer);
    try {
        EXPECT_TRUE(next.tool.Main());
        next.tool.closeRequested();
        next.platform.doEvents();
    } catch (const ProgramEnd&) {
    }
    const std::string status = vtrsim.ask("status", "status ");
    const std::string after = vtrsim.ask("heads", "head R2");
    const std::string log = test::readFile("QT7310AdjLog.txt");
    EXPECT_FALSE(std::regex_search(status, std::regex("adjustment mode|status REC"))) << status;
    EXPECT_FALSE(std::filesystem::exists(run::JournalFileName));
    EXPECT_EQ(std::ranges::any_of(next.dialogs.shown(),
                                  [](const auto& d) { return d.title == "Unfinished Run"; }),
              killed);
    EXPECT_TRUE(c.holds != Holds::Found || after == before) << before << after;  // record values
    for (const run::JournalWrite& w :
         c.holds == Holds::Written ? journal->completion : std::vector<run::JournalWrite>{})
        for (std::size_t h = 0; h < 2 && w.item == run::JournalWrite::Item::RecCurr; ++h)
            EXPECT_NE(after.find("has " + std::to_string(w.values[h]) + " " +
                                 std::to_string(w.values[2 + h])),
                      std::string::npos)
                << after;  // the uploaded record block, as the journal says it was written
    if (killed) {
        const auto& all = c.holds == Holds::Written ? journal->completion : journal->putBack;
        std::string putBack = "done, " + std::to_string(all.size()) + " writes read back";
        if (c.holds == Holds::AsKilled) putBack = "kept as it is";
        EXPECT_TRUE(std::regex_search(
            log.substr(firstLog.size()),
            std::regex("\"Unfinished run\",[\\s\\S]*\"Put back\",\"[^\"]*\",\"" + putBack)))
            << log;
        return;
    }
    // Ended through its close: STOP, the run's own end, and the window's.
    EXPECT_TRUE(std::regex_search(
        firstLog, std::regex("Rec Adjust Stop[\\s\\S]*\"[0-9-]{10}\",\"[0-9:]{8}\"\r\n$")))
        << firstLog;
    EXPECT_FALSE(std::regex_search(sent, std::regex("(^|\n)\\$(SA|ND|RS|BS|PS|DS|KS)"))) << sent;
}

INSTANTIATE_TEST_SUITE_P(Kill, KillCases, ::testing::Range<std::size_t>(0, std::size(cases)),
                         [](const auto& info) { return std::string(cases[info.param].name); });

}  // namespace
}  // namespace rf

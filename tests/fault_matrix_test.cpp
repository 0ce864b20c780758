// The fault matrix: the whole tool on its Qt platform talks through a
// pseudo-terminal to vtrsim. In the middle of each programme, just before a
// chosen command goes out, one reply fault is switched on at vtrsim's front
// panel; the error box it leads to is answered each way. Each case checks the
// box, the attempts and their times, the log, and afterwards the recorder, and
// writes its row of the table (programme, fault, answer, expected, outcome,
// verdict) into the build's fault-matrix/ folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/tool.h"
#include "demo/demo.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/tapped_port.h"
#include "platform/waits.h"
#include "report/report_content.h"
#include "temp_dir.h"
#include "vtrsim_process.h"

namespace rf {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::virt::DialogRecord;
using run::ProgramItem;
using Clock = std::chrono::steady_clock;

enum class Programme { Connection, ErrorRate, RecordSweep, Upload, Close };
const char* name(Programme p) {
    static const char* names[] = {"connection", "error-rate", "record-sweep", "upload", "close"};
    return names[static_cast<int>(p)];
}
const char* name(Answer a) {
    return a == Answer::Abort ? "Abort" : a == Answer::Retry ? "Retry" : "Ignore";
}

// The command the fault is switched on before, by programme: its code and
// which occurrence ("": whatever goes out first once the window is closed).
struct Trigger {
    std::string code;
    int nth;
};
Trigger triggerOf(Programme p) {
    static const Trigger triggers[] = {
        {"$FR", 1},       // the connection check's version query
        {"$ER", 3},       // a sample of the first Error Rate block
        {"$RS:000:", 4},  // the second current of the first record sweep
        {"$BS:", 3},      // the second uploaded block's levels
        {"", 1},          // the window closed during an Error Rate block
    };
    return triggers[static_cast<int>(p)];
}

struct Case {
    Programme programme;
    std::string fault;
    Answer answer;  // Ok: the fault ends in no box
};
std::string caseName(const Case& c);
void PrintTo(const Case& c, std::ostream* out) {
    *out << caseName(c);
}
std::string caseName(const Case& c) {
    std::string n = std::string(name(c.programme)) + "_" + c.fault;
    if (c.answer != Answer::Ok) n += std::string("_") + name(c.answer);
    for (char& ch : n)
        if (ch == '-') ch = '_';
    return n;
}

// What each fault leads to at one exchange: the box, the attempts the tool
// makes before it (a fault that ends in a box is on for all of them), and how
// long after the last attempt the tool goes on.
struct Expected {
    std::string box;  // "" for none
    int attempts;
    // Seconds after each attempt before the next one, and after the last one
    // before the tool goes on.
    double minDelay, maxDelay;
};
Expected expectedOf(const std::string& fault) {
    if (fault == "noreply" || fault == "loneack" || fault == "slow")
        return {"RS232-C Time Over Error", 1, 4.9, 5.6};  // the time-out, no retry
    if (fault == "badfirst") return {"RS232-C ACK Receive Error", 6, 1.95, 2.6};  // the pause
    if (fault == "error") return {"RS232-C Err Receive Error", 6, 0, 0.5};
    if (fault == "wrongcode") return {"RS232-C Other Error", 6, 0, 0.5};
    return {"", 1, 0, 0};  // split, stale: the reply is taken as it is
}
struct Sent {
    double at;  // seconds since the case began
    std::string frame;
};

// The first group of every match of `pattern` in `text`, joined by ", ".
std::string grab(const std::string& text, const std::string& pattern) {
    std::string out;
    const std::regex re(pattern);
    for (std::sregex_iterator i(text.begin(), text.end(), re), end; i != end; ++i)
        out += (out.empty() ? "" : ", ") + (*i)[1].str();
    return out;
}

class FaultMatrix : public ::testing::TestWithParam<Case> {
  protected:
    FaultMatrix() {
        platform.useDialogs(dialogs);
        platform.registerPort("MATRIX", [this](platform::Platform& p) {
            return std::make_unique<platform::TappedPort>(
                std::make_unique<platform::qt::QtSerialPort>(p, link.string()),
                platform::TappedPort::Taps{[this](std::string_view b) { beforeWrite(b); }, {}});
        });
        dialogs.setFallback([this](const DialogRecord& d) {
            DialogRecord a = demo::unattendedAnswer(d, {}, dataFile);
            if (d.buttons == Buttons::AbortRetryIgnore) {
                boxes.push_back({seconds(), d.text});
                a.answer = GetParam().answer;
            }
            return a;
        });
        test::writeFile("DVTRRF.DAT", "10,20,30\r\n");
        test::writeFile("RSSET.DAT", "\"MATRIX\",\"9600\",\"N\",\"8\",\"1\"\r\n");
        std::filesystem::copy_file(std::string(RF_TEST_DATA_DIR) + "/data_file_adjusted.dst",
                                   dataFile);
        tool = std::make_unique<app::Tool>(platform);
        // The report's outcome where its title and its Run row both say it.
        tool->setReportWriter([this](const report::Content& r, const std::string&) {
            report = grab(r.title + "|" + r.recorder.tables.at(0).rows.back().at(1).text,
                          "(\\(([A-Z]+)\\))\\|\\2");
            return std::string();
        });
        // Nothing may take this long: a hung tool fails the case.
        watchdog.setSingleShot(true);
        watchdog.callOnTimeout([this] {
            hung = true;
            platform.requestEnd();
        });
        watchdog.start(150'000);
    }

    double seconds() const { return std::chrono::duration<double>(Clock::now() - start).count(); }

    void beforeWrite(std::string_view bytes) {
        const std::string frame(bytes.size() > 2 ? bytes.substr(1, bytes.size() - 2) : bytes);
        sent.push_back({seconds(), frame});
        if (closeAt && frame.rfind(closeAt->code, 0) == 0 && --closeAt->nth == 0) {
            closeAt.reset();
            QTimer::singleShot(0, [this] {
                arm();
                tool->closeRequested();
            });
        }
        if (armAt && !armed && frame.rfind(armAt->code, 0) == 0 && --armAt->nth == 0) {
            const std::string fault = GetParam().fault;
            const std::string count = std::to_string(expectedOf(fault).attempts);
            EXPECT_NE(vtrsim.ask("fault " + fault + " " + count, "fault " + fault + " on"), "");
            armed = sent.size() - 1;
        }
        if (!armed || !stoppable || stopPosted) return;
        // Once the fault has had its effect the programme is stopped (the
        // window closed, for the close case): a retried one once it has begun
        // again, any other a few commands on.
        const bool restarted = !boxes.empty() && mainStarts(tool->window().LogText) == 2;
        const bool noBox = expectedOf(GetParam().fault).box.empty();
        if (restarted || (noBox && sent.size() - *armed == 4)) {
            stopPosted = true;
            QTimer::singleShot(0, [this] { tool->choose(ProgramItem::Stop); });
        }
    }

    void arm() { armAt = triggerOf(GetParam().programme); }

    // How often a programme main has begun, by its first logger line.
    static long mainStarts(const std::string& log) {
        const std::regex start("(Adjust|Measure) Start");
        return std::distance(std::sregex_iterator(log.begin(), log.end(), start), {});
    }

    // Runs the case's programme as an operator would, then closes the window.
    void run() {
        const Programme p = GetParam().programme;
        try {
            if (p == Programme::Connection) arm();
            if (!tool->Main() || tool->ended()) return;
            stoppable = p == Programme::ErrorRate || p == Programme::RecordSweep;
            // The window is closed in the middle of an Error Rate block.
            if (p == Programme::Close) closeAt = Trigger{"$ER", 3};
            if (p != Programme::Upload && p != Programme::Connection) {
                tool->choose(p == Programme::RecordSweep ? ProgramItem::Adjust
                                                         : ProgramItem::ErrorRate);
                tool->partAdjCheck(p == Programme::RecordSweep ? 2 : 1);  // REC or PB
                // The master levels count as measured: the record block starts at once.
                if (p == Programme::RecordSweep) tool->tables().MasterPbLevelOf = {7, 2};
                if (p != Programme::Close) arm();
                tool->choose(ProgramItem::Start);
            } else if (p == Programme::Upload) {
                tool->menuFile(1);
                EXPECT_TRUE(tool->tables().FileLoaded);
                // Six blocks of the file go up: both channels of the record
                // block and four playback blocks.
                BlockTable& target = tool->selection().AdjTarget;
                int kept = 0;
                forEachBlock([&](int d, int f, int r, int c, int k, int h) {
                    if (target(d, f, r, c, k, h)) target(d, f, r, c, k, h) = ++kept <= 6;
                });
                arm();
                tool->choose(ProgramItem::UpLoad);
            }
            if (tool->ended()) return;
            closedAtEnd = true;
            tool->closeRequested();
            platform.doEvents();  // the end requested is taken here
        } catch (const ProgramEnd&) {
        }
    }

    // The times the faulty command went out before the box (all of them, when
    // there was no box).
    std::vector<double> attempts() const {
        std::vector<double> out;
        const double until = boxes.empty() ? 1e9 : boxes.front().first;
        for (std::size_t i = *armed;
             i < sent.size() && sent[i].frame == sent[*armed].frame && sent[i].at < until; ++i)
            out.push_back(sent[i].at);
        return out;
    }

    // What happened, in the table's words, and what was wrong with it.
    std::string outcome(const Expected& e, std::vector<std::string>& faults) const {
        if (!armed) {
            faults.push_back("the fault was never switched on");
            return "-";
        }
        if (boxes.empty()) {
            if (!e.box.empty()) faults.push_back("no box");
            return "no box";
        }
        const std::vector<double> at = attempts();
        // The time-out or pause ends at the next thing the tool does: the box,
        // or putting back what the block had written before it.
        double next = boxes.front().first;
        if (*armed + at.size() < sent.size()) next = std::min(next, sent[*armed + at.size()].at);
        const double delay = next - at.back();
        std::ostringstream out;
        out.precision(2);
        out << std::fixed << "\"" << boxes.front().second << "\", " << at.size() << " attempt(s) (+"
            << delay << " s)";
        if (boxes.front().second != e.box || static_cast<int>(at.size()) != e.attempts)
            faults.push_back("wrong box or attempts");
        if (delay < e.minDelay || delay > e.maxDelay) faults.push_back("box at the wrong time");
        for (std::size_t i = 1; i < at.size(); ++i)
            if (at[i] - at[i - 1] < e.minDelay || at[i] - at[i - 1] > e.maxDelay + 0.1) {
                out << ", a gap of " << at[i] - at[i - 1] << " s";
                faults.push_back("wrong pause between attempts");
            }
        return out.str();
    }

    test::TempWorkDir dir;
    const std::filesystem::path link = dir.path() / "vtr";
    const std::string dataFile = (dir.path() / "all.dst").string();
    // The record sweep wants the blank tape, which the changer offers after
    // the tape the connection check ejects.
    test::Vtrsim vtrsim{link,
                        GetParam().programme == Programme::RecordSweep
                            ? QStringList{"--changer", "--induce", "DMO", "--tape", "HDSP CHECK"}
                            : QStringList{"--changer", "--induce", "DMO"}};
    const Clock::time_point start = Clock::now();
    platform::qt::QtPlatform platform{"rfadjust-fault-matrix-" + std::to_string(::getpid()) +
                                      ".lock"};
    platform::virt::ScriptedDialogs dialogs{
        [this] { return std::chrono::duration_cast<platform::virt::Micros>(Clock::now() - start); },
        [this](platform::virt::Micros d) {
            bool fired = false;
            platform::WaitTimer(platform, fired).pause(static_cast<int>(d.count() / 1000));
        }};
    std::unique_ptr<app::Tool> tool;
    QTimer watchdog;
    bool hung = false;
    std::vector<Sent> sent;
    std::vector<std::pair<double, std::string>> boxes;
    std::optional<Trigger> armAt, closeAt;
    std::optional<std::size_t> armed;
    bool stoppable = false, stopPosted = false;
    bool closedAtEnd = false;  // the case closed the window after the programme
    std::string report;
};

TEST_P(FaultMatrix, EndsAsTheLinkRulesSayAndLeavesTheRecorderAsFound) {
    const Case& c = GetParam();
    const bool main = c.programme == Programme::ErrorRate || c.programme == Programme::RecordSweep;
    ASSERT_TRUE(vtrsim.serving() && vtrsim.says("type help")) << vtrsim.output;
    const std::string headsBefore = vtrsim.ask("heads", "head R2");
    run();
    const Expected e = expectedOf(c.fault);
    std::vector<std::string> faults;
    if (hung) faults.push_back("hung");
    std::string got = outcome(e, faults);
    const std::string status = vtrsim.ask("status", "status ");
    const std::string headsAfter = vtrsim.ask("heads", "head R2");
    const std::string log = test::readFile("QT7310AdjLog.txt");

    // What the answer did, told by what the tool sent after the box, and what
    // it should have done.
    auto effect = [&](bool again, bool anew, bool wentOn) {
        if (c.programme == Programme::Close) return ", the program ends";
        if (c.answer == Answer::Abort) return wentOn ? ", went on" : ", the program ends";
        if (main) return anew ? ", the programme anew" : ", the programme left";
        return again ? ", the command again" : ", the next step";
    };
    std::string expected = e.box.empty() ? "no box"
                                         : "\"" + e.box + "\", " + std::to_string(e.attempts) +
                                               " attempt(s) (+" +
                                               std::to_string(std::lround(e.minDelay)) + " s)";
    if (!boxes.empty() && armed) {
        std::vector<std::string> after;
        for (const Sent& x : sent)
            if (x.at > boxes.front().first) after.push_back(x.frame);
        got += effect(!after.empty() && after.front() == sent[*armed].frame, mainStarts(log) == 2,
                      closedAtEnd);
        expected += effect(c.answer == Answer::Retry, c.answer == Answer::Retry, false);
        if (got.substr(got.rfind(", ")) != expected.substr(expected.rfind(", ")))
            faults.push_back("the answer did not do that");
    }
    if (!tool->ended()) faults.push_back("the program did not end");
    // Afterwards, a column each; every case ends the program, so the tape is still.
    const bool adjusting = status.find("adjustment mode") != std::string::npos;
    const bool valuesKept = c.programme == Programme::Upload || headsAfter == headsBefore;
    const std::string found =
        c.programme == Programme::Upload ? "out of adjustment mode" : "recorder as found";
    const std::string moving = grab(status, "status (REC|PLAY|FF|REW|searching),");
    auto last = [&](const std::string& kind) {
        return grab(log, "\"" + kind + "\",.*,\"([^\"]*)\"\r\n");
    };
    const bool sweep = c.programme == Programme::RecordSweep;
    const std::string transfer = c.answer == Answer::Abort    ? "aborted: " + e.box
                                 : c.answer == Answer::Ignore ? "completed, 1 command(s) ignored"
                                                              : "completed";
    const std::string wanted = c.answer == Answer::Ignore ? "(INCOMPLETE)" : "(STOPPED)";
    const std::string ends = grab(log, "\"([^\"]*)\"\r\n\"[0-9-]{10}\",\"[0-9:]{8}\"\r\n$");
    const std::array<std::array<std::string, 3>, 7> columns{{
        {"", found, adjusting || !valuesKept ? "recorder changed" : found},
        {"tape ", "still", moving.empty() ? "still" : moving},
        {"answers logged: ", e.box.empty() ? "" : name(c.answer), last("ERROR Message")},
        {"put back: ", sweep && !e.box.empty() ? "done" : "", last("Put back")},
        {"transfer: ", c.programme == Programme::Upload ? "started, " + transfer : "",
         last("Data [A-Za-z]+")},
        {"log ends: ", c.answer == Answer::Abort ? e.box : "",
         c.answer == Answer::Abort ? ends : ""},
        {"report: ", sweep && c.answer != Answer::Abort ? wanted : "", report},
    }};
    for (const auto& [label, want, was] : columns) {
        if (want.empty() && was.empty()) continue;
        expected += "; " + label + want;
        got += "; " + label + was;
        if (was != want) faults.push_back(label + was);
    }
    std::string verdict = "ok";
    for (const auto& f : faults)
        verdict = (verdict == "ok" ? "FAIL: " : verdict + "; ") + f;

    {
        const char* outDir = RF_FAULT_MATRIX_DIR;
        std::filesystem::create_directories(outDir);
        std::ofstream(std::filesystem::path(outDir) / (caseName(c) + ".row"))
            << name(c.programme) << '|' << c.fault << '|'
            << (c.answer == Answer::Ok ? "-" : name(c.answer)) << '|' << expected << '|' << got
            << '|' << verdict << '\n';
    }
    std::ostringstream line;
    for (std::size_t i = armed.value_or(0); i < sent.size(); ++i)
        line << sent[i].at << ' ' << sent[i].frame << '\n';
    for (const DialogRecord& d : dialogs.shown())
        line << "box at " << d.at.count() / 1e6 << ": " << d.title << ": " << d.text << '\n';
    EXPECT_EQ(verdict, "ok") << line.str() << "expected " << expected << ", got " << got
                             << "\nstatus " << status << "\nheads before\n"
                             << headsBefore << "heads after\n"
                             << headsAfter;
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (Programme p : {Programme::Connection, Programme::ErrorRate, Programme::RecordSweep,
                        Programme::Upload, Programme::Close})
        for (const char* fault :
             {"noreply", "loneack", "badfirst", "error", "wrongcode", "slow", "split", "stale"}) {
            if (expectedOf(fault).box.empty()) {
                cases.push_back({p, fault, Answer::Ok});
                continue;
            }
            for (Answer a : {Answer::Abort, Answer::Retry, Answer::Ignore})
                cases.push_back({p, fault, a});
        }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, FaultMatrix, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return caseName(info.param);
                         });

}  // namespace
}  // namespace rf

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "adjust/rec_adjust.h"
#include "report/report_content.h"
#include "tool_rig.h"
#include "wire_transcript.h"

namespace rf::adjust {
namespace {

using namespace std::chrono_literals;
using platform::Answer;
using run::ProgramItem;
using test::readFile;
using test::ToolRig;

const std::string NoCurrPoint = "-5dB Point not Found !!";
const std::string BlockStop = "\"MAGVEX HDLP,18000rpm,RP,RP,RP Stop !\"\r\n";

// The Adjust programme on the record block alone, started from the menu as an
// operator does, with the recorder's tape changer on. The recorder's curves
// have no -2.5 dB point yet: the frequency sweep of channel L ends at its box.
struct RecRun : ToolRig {
    explicit RecRun(bool pbDone = false) {
        recorder.setAutoChanger(true, now());
        EXPECT_TRUE(startUp());
        tool.choose(ProgramItem::Adjust);
        tool.partAdjCheck(2);  // REC
        if (pbDone) tool.tables().MasterPbLevelOf = {7, 2};
        dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
        for (int ch = 0; ch <= 1; ++ch)
            found[static_cast<std::size_t>(ch)] = recorder.recValues(0, 7, 2, 0, ch);
        platform.clearWire();
    }
    // Runs `action` `delay` after the logger shows `text` for the `nth` time
    // (looking every 5 ms).
    void afterLog(const std::string& text, int nth, std::chrono::milliseconds delay,
                  std::function<void()> action) {
        at(now() + 5ms, [=, this] {
            const std::string& shown = tool.window().LogText;
            int seen = 0;
            for (auto at = shown.find(text); at != std::string::npos; at = shown.find(text, at + 1))
                ++seen;
            if (seen < nth) return afterLog(text, nth, delay, action);
            at(now() + delay, action);
        });
    }
    void start() { tool.choose(ProgramItem::Start); }
    std::string log() { return readFile("QT7310AdjLog.txt"); }
    const AdjustRecord& record() { return tool.adjustRecord(); }
    // The recorder works with the values it had before the run, out of adjustment mode.
    void expectValuesFound(bool ejected = true) {
        for (int ch = 0; ch <= 1; ++ch)
            EXPECT_EQ(recorder.recValues(0, 7, 2, 0, ch), found[static_cast<std::size_t>(ch)]);
        EXPECT_FALSE(recorder.adjustMode());
        EXPECT_TRUE(!ejected || recorder.transport().tape() == nullptr);
    }
    std::array<sim::RecItems, 2> found;
};

// Exchanges on the line: what the tool sent and the reply, without the framing.
struct Exchange {
    std::string sent, reply;
};
std::vector<Exchange> exchanges(const std::vector<platform::virt::WireRecord>& wire) {
    std::vector<Exchange> out;
    for (const auto& r : wire) {
        if (r.dir == platform::virt::WireRecord::Dir::ToPeer)
            out.push_back({r.bytes.substr(1, r.bytes.size() - 2), {}});
        else if (!out.empty() && out.back().reply.empty() && r.bytes.size() > 3)
            out.back().reply = r.bytes.substr(2, r.bytes.size() - 3);
    }
    return out;
}
int hexByte(const std::string& text, std::size_t at) {
    return std::stoi(text.substr(at, 2), nullptr, 16);
}

// A sweep as the line carried it: every write starting with `write` that is
// followed by fourteen envelope replies to `env` is a point; its offset is the
// first value written, its levels the trimmed means of the two reply fields.
struct LinePoints {
    std::vector<int> offsets;
    std::vector<float> levels[2];
};
LinePoints linePoints(const std::vector<Exchange>& ex, const std::string& write,
                      const std::string& env) {
    LinePoints out;
    for (std::size_t i = 0; i < ex.size(); ++i) {
        if (ex[i].sent.rfind(write, 0) != 0) continue;
        calc::Readings readings;
        int n = 0;
        for (std::size_t j = i + 1; j < ex.size() && ex[j].sent.rfind("$RS:", 0) != 0; ++j)
            if (ex[j].sent == env && ++n <= 14)
                for (int series = 0; series <= 1; ++series)
                    readings(n, series) = static_cast<std::int16_t>(
                        hexByte(ex[j].reply, 3 + 2 * static_cast<std::size_t>(series)));
        if (n != 14) continue;
        out.offsets.push_back(hexByte(ex[i].sent, write.size()) - 128);
        for (int series = 0; series <= 1; ++series)
            out.levels[series].push_back(calc::CaluTrimAve(readings, series, 14));
    }
    return out;
}

const Sweep& sweepOf(const AdjustRecord& record, int ch, int head, SweepQuantity quantity) {
    for (const Sweep& s : record.sweeps)
        if (s.block.SHeadCh == ch && s.head == head && s.quantity == quantity) return s;
    throw std::logic_error("no such sweep");
}

// A transcript with every run of three or more equal requests in a row (the
// waits that poll the time code or the status) folded into its first and last
// exchange and the number between.
std::string folded(const std::string& transcript) {
    std::vector<std::string> lines;
    std::istringstream in(transcript);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    const auto request = [&](std::size_t i) {
        return lines[i].size() > 11 && lines[i][11] == '>' ? lines[i].substr(11) : "";
    };
    std::string out;
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t j = i;
        while (j + 3 < lines.size() && !request(j).empty() && request(j + 2) == request(j))
            j += 2;
        if (j - i >= 4) {
            out += lines[i] + "\n" + lines[i + 1] + "\n           ... " +
                   std::to_string((j - i) / 2 - 1) + " more\n" + lines[j] + "\n" + lines[j + 1] +
                   "\n";
            i = j + 2;
        } else {
            out += lines[i++] + "\n";
        }
    }
    return out;
}

TEST(RecAdjustMain, OneBlockOnTheLineAndInTheRecord) {
    RecRun run;
    // A playback block marked done by a run that never measured the master
    // levels: they are measured here (a level of 0 would fail the LevelRate).
    run.tool.selection().AdjDone(dir::Playback, 7, 2, 1, 0, 0) = true;
    run.start();
    test::expectTranscript(run.log(), "rec_block_log.txt");
    // The block on the blank tape: from its adjustment mode to the end.
    const auto& wire = run.platform.wire();
    const auto isStart = [](const auto& r) { return r.bytes == "\x02$SA:0720\x03"; };
    auto sa = std::find_if(wire.begin(), wire.end(), isStart);
    ASSERT_NE(sa, wire.end());
    sa = std::find_if(sa + 1, wire.end(), isStart);
    ASSERT_NE(sa, wire.end());
    test::expectTranscript(folded(test::wireTranscript(wire, std::size_t(sa - wire.begin()))),
                           "rec_block.txt");
    const auto ex = exchanges(wire);

    // What the level-curve window will draw is what went over the line.
    const auto& record = run.record();
    ASSERT_EQ(record.sweeps.size(), 8u);  // current and frequency, L and R, two heads each
    for (int ch = 0; ch <= 1; ++ch) {
        SCOPED_TRACE(ch);
        const std::string c = std::to_string(ch);
        const LinePoints line = linePoints(ex, "$RS:0" + c + "0:", "$AR:" + c + "2");
        for (int series = 0; series <= 1; ++series) {
            // Channel R reports its second head first: its first series is head 2.
            const int head = ch == 0 ? series : 1 - series;
            const Sweep& sweep = sweepOf(record, ch, head, SweepQuantity::Current);
            EXPECT_EQ(sweep.offsets, line.offsets);
            EXPECT_EQ(sweep.levels, line.levels[series]);
            EXPECT_EQ(sweep.reference, run.tool.tables().RecEnvLevel(ch, series, 1));
            EXPECT_EQ(sweep.threshold, 0.4f);
            EXPECT_EQ(sweep.chosen, run.tool.tables().RecData(7, 2, 0, 0, ch, head));
            EXPECT_EQ(sweep.measurements, 1);
        }
        // The chosen currents, head 1 first, went to the recorder.
        const std::string chosen =
            "$RS:0" + c + "0:" + link::signedByte(run.tool.tables().RecData(7, 2, 0, 0, ch, 0)) +
            link::signedByte(run.tool.tables().RecData(7, 2, 0, 0, ch, 1));
        EXPECT_NE(std::find_if(ex.begin(), ex.end(), [&](auto& e) { return e.sent == chosen; }),
                  ex.end());
    }
    for (int ch = 0; ch <= 1; ++ch)
        for (int head = 0; head <= 1; ++head) {
            const Sweep& freq = sweepOf(record, ch, head, SweepQuantity::Frequency);
            EXPECT_EQ(freq.chosen, run.tool.tables().RecData(7, 2, 0, 0, ch, 2 + head));
        }
    // The block ends stored: the recorder works with the values left, and keeps them.
    ASSERT_EQ(record.recordBlocks.size(), 1u);
    const RecordBlock& block = record.recordBlocks[0];
    EXPECT_TRUE(block.stored);
    EXPECT_NE(block.found, block.left);
    for (int area = 0; area <= 1; ++area)
        for (int ch = 0; ch <= 1; ++ch)
            EXPECT_EQ(run.recorder.recValues(area, 7, 2, 0, ch),
                      block.left.value()[static_cast<std::size_t>(ch)]);
    EXPECT_FALSE(run.recorder.adjustMode());
}

TEST(RecAdjustMain, StopAtEachStopPointPutsBackTheValuesFound) {
    struct Case {
        const char* what;
        std::string after;                // logger text after which STOP is chosen ...
        std::chrono::milliseconds delay;  // ... this long after
        int nth = 1;
        const char* before = nullptr;  // the stop came before the logger showed this ...
        int beforeNth = 1;             // ... for this time
        bool master = false;           // stopped in the master phase
        bool pbDone = false;           // the master levels were measured in this session
    };
    const std::vector<Case> cases = {
        {"master levels", "Lch;Low Frequency Level", 0ms, 1, nullptr, 1, true},
        {"record values read", "RP,RP,RP Start !", 200ms},
        {"master levels known", "RP,RP,RP Start !", 0ms, 1, nullptr, 1, false, true},
        {"time code roll-over", "Rec Current", 2s},
        {"reference levels", "Lch;High Frequency Level", 0ms, 2},
        {"current calculation L", "\n0040:", 0ms},
        {"current sweep R", "CURR : Env-R2", 30s},
        {"current calculation R", "\n0040:", 0ms, 2},
        {"frequency sweep L", "FREQ : Env-L1", 10s},
        {"frequency calculation L", "\n0040:", 0ms, 3, "FREQ : Env-R2"},
        {"frequency sweep R", "FREQ : Env-R2", 10s, 1, "\n0040:", 4},
        {"frequency calculation R", "\n0040:", 0ms, 4, "Conf Error Rate"},
        {"time code roll-over for the error rate", "Conf Error Rate", 3s, 1, "Audio2:"},
        {"recording on after the sample", "Audio2:", 20s, 1, "Self Error Rate"},
        {"search back", "Audio2:", 52s, 1, "Self Error Rate"},
        {"self error rate", "Self Error Rate", 5s, 1, "Self TAP Charactor"},
        {"self TAP", "Self TAP Charactor", 500ms, 1, "Self PB Level"},
        {"self playback level", "Self PB Level", 1s, 1, "Rch;Low Frequency Level", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecRun run(c.pbDone);
        run.afterLog(c.after, c.nth, c.delay, [&] { run.tool.choose(ProgramItem::Stop); });
        run.start();
        const std::string log = run.log();
        if (c.before) {
            const std::string& shown = run.tool.window().LogText;
            std::size_t seen = 0;
            for (auto at = shown.find(c.before); at != std::string::npos;
                 at = shown.find(c.before, at + 1))
                ++seen;
            EXPECT_LT(seen, static_cast<std::size_t>(c.beforeNth)) << "stopped too late";
        }
        EXPECT_EQ(log.find("Master PB Level") == std::string::npos, c.pbDone);
        const std::string end = BlockStop + (c.master ? "\"QT7310XYZ_SN1  Rec Adjust Stop\"\r\n"
                                                      : "\"QT7310XYZ_SN1 Rec Adjust Stop\"\r\n");
        EXPECT_NE(log.find(end), std::string::npos) << log.substr(log.size() - 300);
        EXPECT_EQ(log.find("Rec Adjust End"), std::string::npos);
        run.expectValuesFound();
        const auto& blocks = run.record().recordBlocks;
        ASSERT_EQ(blocks.size(), c.master ? 0u : 1u);
        for (const auto& b : blocks)
            EXPECT_EQ(b.left, b.found);  // the values found, as the recorder holds them
    }
}

TEST(RecAdjustMain, RetryAtAMissingPointSweepsTheChannelAgainAbortAndIgnoreStop) {
    const std::vector<std::vector<Answer>> cases = {
        {Answer::Abort}, {Answer::Ignore}, {Answer::Retry, Answer::Ignore}};
    for (const auto& answers : cases) {
        SCOPED_TRACE(answers.size());
        RecRun run;
        run.recorder.faults().curveFlat = true;  // no curve crosses: no point is found
        for (Answer a : answers)
            run.dialogs().expectMsgBox(NoCurrPoint, a);
        run.start();
        EXPECT_EQ(run.dialogs().pending(), 0u);
        const auto ex = exchanges(run.platform.wire());
        // The first point of channel L's current sweep, once per measurement.
        EXPECT_EQ(
            std::count_if(ex.begin(), ex.end(), [](auto& e) { return e.sent == "$RS:000:3030"; }),
            static_cast<long>(answers.size()));
        const Sweep& s = sweepOf(run.record(), 0, 0, SweepQuantity::Current);
        EXPECT_EQ(s.measurements, static_cast<int>(answers.size()));
        EXPECT_EQ(s.offsets.size(), 13u);
        EXPECT_FALSE(s.chosen);
        EXPECT_EQ(run.record().notes.size(), answers.size() - 1);  // each Retry, for the report
        EXPECT_NE(run.log().find(BlockStop + "\"QT7310XYZ_SN1 Rec Adjust Stop\""),
                  std::string::npos);
        run.expectValuesFound();
    }
}

// Each bent curve takes its own path through the calculations, and whatever
// the operator answers, the recorder is not left with a sweep's settings.
TEST(RecAdjustMain, BentCurvesTakeTheirPathThroughTheCalculations) {
    using Check = std::function<void(RecRun&)>;
    const auto stoppedAsFound = [](RecRun& run) {
        EXPECT_NE(run.log().find(BlockStop), std::string::npos);
        run.expectValuesFound();
    };
    const auto currents = [](RecRun& run, auto check) {
        for (int ch = 0; ch <= 1; ++ch)
            for (int head = 0; head <= 1; ++head) {
                SCOPED_TRACE("ch " + std::to_string(ch) + " head " + std::to_string(head));
                check(sweepOf(run.record(), ch, head, SweepQuantity::Current),
                      sweepOf(run.record(), ch, head, SweepQuantity::Frequency));
            }
        EXPECT_TRUE(run.record().recordBlocks.at(0).stored);
    };
    struct Case {
        const char* fault;
        std::vector<std::pair<std::string, Answer>> dialogs;
        Check check;
        int levelRate = 0;  // LevelRate messages: one per channel at the most
    };
    const std::vector<Case> cases = {
        {"curvefalls", {{NoCurrPoint, Answer::Ignore}}, stoppedAsFound},
        // The first of two rises (a third of the way along the sweep), not the second.
        {"curvetwice",
         {},
         [&](RecRun& run) {
             currents(run, [](const Sweep& current, const Sweep&) {
                 EXPECT_LT(current.chosen.value_or(99), -20);
             });
         },
         2},
        // Only the last of the four fractions is reached.
        {"curvelow",
         {},
         [&](RecRun& run) {
             currents(run, [](const Sweep& current, const Sweep& frequency) {
                 EXPECT_EQ(current.threshold, 0.4f);
                 EXPECT_EQ(frequency.threshold, 0.53f);
             });
         },
         2},
        // No level at the default values: a division error for run control,
        // which Retry meets again; either way the values found are back.
        {"refzero",
         {{"Other Error No =  11", Answer::Retry}, {"Other Error No =  11", Answer::Ignore}},
         [](RecRun& run) {
             run.expectValuesFound(false);
             EXPECT_TRUE(run.tool.window().prgItem(ProgramItem::Start).enabled);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        RecRun run;
        *run.recorder.faults().stateSwitch(c.fault) = true;
        for (const auto& [text, answer] : c.dialogs)
            run.dialogs().expectMsgBox(text, answer);
        // A curve bent out of shape may well record too weakly: the LevelRate
        // check says so, and that is all it does.
        int levelRate = 0;
        run.dialogs().setFallback([&](const platform::virt::DialogRecord& shown) {
            EXPECT_EQ(shown.title, "LevelRate Check");
            ++levelRate;
            auto answered = shown;
            answered.answer = Answer::Ok;
            return answered;
        });
        run.start();
        EXPECT_EQ(levelRate, c.levelRate);
        EXPECT_EQ(static_cast<int>(
                      std::count_if(run.record().notes.begin(), run.record().notes.end(),
                                    [](const Note& n) { return n.text.starts_with("LevelRate"); })),
                  c.levelRate);
        EXPECT_EQ(run.dialogs().pending(), 0u);
        c.check(run);
    }
}

TEST(LevelRateCheck, PassesFrom068To147TimesTheMasterAndTellsOncePerChannel) {
    struct Case {
        std::array<float, 4> self;    // low band: L head 0, L head 1, R head 0, R head 1
        std::array<float, 4> master;  // the same heads on the master tape
        int messages;
    };
    const std::vector<Case> cases = {
        {{68, 147, 100, 100}, {100, 100, 100, 100}, 0},
        {{17, 25, 147, 68}, {25, 25, 100, 100}, 0},
        {{67, 100, 100, 100}, {100, 100, 100, 100}, 1},
        {{100, 148, 100, 100}, {100, 100, 100, 100}, 1},
        {{67, 148, 100, 100}, {100, 100, 100, 100}, 1},  // one message for channel L
        {{67, 100, 100, 148}, {100, 100, 100, 100}, 2},
        {{0, 100, 100, 100}, {0, 100, 100, 100}, 1},  // a master level of 0 never passes
        {{100, 100, 100, 100}, {100, 100, 0, 100}, 1},
    };
    for (const Case& c : cases) {
        ToolRig rig;
        for (int i = 0; i < 4; ++i) {
            rig.tool.tables().SelfPbLevel(i / 2, i % 2, 1) = c.self[static_cast<std::size_t>(i)];
            rig.tool.tables().MasterPbLevel(i / 2, i % 2, 1) =
                c.master[static_cast<std::size_t>(i)];
            rig.tool.tables().MasterPbLevel(i / 2, i % 2, 0) =
                1000;  // the high band is not compared
        }
        for (int i = 0; i < c.messages; ++i)
            rig.dialogs().expectMsgBox("LevelRate too Different !! Please Check Tape Pattern !",
                                       Answer::Ok);
        LevelRateCheck(rig.tool.context());
        ASSERT_EQ(rig.dialogs().shown().size(), static_cast<std::size_t>(c.messages));
        for (const auto& box : rig.dialogs().shown()) {
            EXPECT_EQ(box.title, "LevelRate Check");
            EXPECT_EQ(box.icon, platform::Icon::Exclamation);
            EXPECT_EQ(box.buttons, platform::Buttons::Ok);
        }
    }
}

TEST(RecAdjustMain, ARetryAfterALinkErrorStartsAfreshAndTheBarNeverStepsBackWithinARun) {
    RecRun run;
    run.afterLog("CURR : Env-L1", 1, 0ms, [&] { run.recorder.faults().noReply.count = 1; });
    std::vector<int> bar;
    for (std::chrono::milliseconds t = 1s; t < 1000s; t += 500ms)
        run.at(run.now() + t, [&] { bar.push_back(run.tool.window().ProgressBar); });
    run.dialogs().expectMsgBox("RS232-C Time Over Error", Answer::Retry);
    run.start();
    const std::string log = run.log();
    const auto first = log.find("\"QT7310XYZ_SN1  Rec Adjust Start\"");
    EXPECT_NE(log.find("\"QT7310XYZ_SN1  Rec Adjust Start\"", first + 1), std::string::npos);
    for (const Sweep& sweep : run.record().sweeps)
        EXPECT_EQ(sweep.measurements, 1);  // the record starts afresh too
    // Forwards only, but for the fresh start of the Retry (which the master
    // levels, measured by then, take back to where it was within a moment).
    std::vector<int> drops;
    for (std::size_t i = 1; i < bar.size(); ++i)
        if (bar[i] < bar[i - 1]) drops.push_back(bar[i]);
    EXPECT_LE(drops.size(), 1u);
    EXPECT_EQ(log.find("\"Master PB Level\"", log.find("\"Master PB Level\"") + 1),
              std::string::npos);  // measured once in the session
    EXPECT_LE(*std::max_element(bar.begin(), bar.end()), 100);
}

// Every way a run can end, from an error 15 s into channel L's current sweep
// (or none): the report, the result window, the demo's last line and the
// operation log tell the same outcome, and the values left in the report are
// the ones the recorder holds. A time-out is put back once answered (a framing
// error at once, the program then ending with the tape stopped); a
// recorder switched to local refuses the put-back and keeps the sweep's values.
TEST(RunOutcome, EveryEndIsToldAlikeAndLeftIsWhatTheRecorderHolds) {
    const std::string what = "MAGVEX HDLP,18000rpm,RP,RP,RP record values as found";
    const std::string timeOut = "RS232-C Time Over Error", refused = "RS232-C Err Receive Error";
    const std::string putBack = "\"Put back\",\"" + what + "\",\"";
    const std::string lost = "put back failed: " + what + ": " + refused;
    const auto box = [](const std::string& text, const char* answer) {
        return "\"ERROR Message\",\"" + text + "\",\"" + answer + "\"|";
    };
    const auto incomplete = [](const std::string& why) {
        return "\"Run incomplete\",\"Rec Adjust\",\"" + why + "\"";
    };
    enum class Fault { None, Stop, TimeOut, Local, Framing };
    struct Row {
        const char* what;
        Fault fault;
        Answer answer;        // to the error box
        std::string outcome;  // the demo's last line; "" for a program ended by Abort
        std::string log;      // records in this order, between bars
    };
    const std::vector<Row> rows = {
        {"own end", Fault::None, Answer::Ok, "Run completed", "RP End !\"|Rec Adjust End\""},
        {"STOP", Fault::Stop, Answer::Ok, "Run stopped", "RP Stop !\"|Rec Adjust Stop\""},
        {"Abort", Fault::TimeOut, Answer::Abort, "",
         box(timeOut, "Abort") + putBack + "done\"|\r\n\"" + timeOut + "\"\r\n"},
        {"Retry", Fault::TimeOut, Answer::Retry, "Run completed",
         box(timeOut, "Retry") + putBack + "done\"|Rec Adjust Start|Rec Adjust End\""},
        {"Ignore", Fault::TimeOut, Answer::Ignore, "Run INCOMPLETE: " + timeOut + " (Rec Adjust)",
         box(timeOut, "Ignore") + putBack + "done\"|" + incomplete(timeOut)},
        {"failed put-back", Fault::Local, Answer::Ignore, "Run INCOMPLETE: " + lost,
         putBack + "failed: " + refused + "\"|" + box(refused, "Ignore") + incomplete(lost)},
        {"framing error", Fault::Framing, Answer::Ok, "",
         putBack + "done\"|\r\n\"Frame Error\"\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RecRun run;
        std::vector<report::Content> reports;
        run.tool.setReportWriter([&](const report::Content& c, const std::string&) {
            reports.push_back(c);
            return std::string();
        });
        run.afterLog("CURR : Env-L1", 1, 15s, [&] {
            EXPECT_EQ(run.recorder.transport().mode(), sim::Mode::Rec);
            if (row.fault == Fault::Stop) run.tool.choose(ProgramItem::Stop);
            if (row.fault == Fault::Framing) run.peer.lineEvent(platform::comm::Frame);
            run.recorder.faults().noReply.count = row.fault == Fault::TimeOut ? 1 : 0;
            run.recorder.setRemote(row.fault != Fault::Local);
        });
        if (row.fault == Fault::TimeOut || row.fault == Fault::Local)
            run.dialogs().expectMsgBox(row.fault == Fault::Local ? refused : timeOut, row.answer);
        if (row.fault == Fault::Framing) run.dialogs().expectMsgBox("Frame Error", Answer::Ok);
        if (row.fault == Fault::Local)
            run.dialogs().expectMsgBox("The values found could not all be put back (" + what +
                                           ": " + refused +
                                           "). The recorder may hold values of the unfinished "
                                           "adjustment: check them before it is used.",
                                       Answer::Ok);
        run.start();
        EXPECT_EQ(run.dialogs().pending(), 0u);
        run.recorder.setRemote(true);

        const auto& lastRun = run.tool.runControl().lastRun();
        EXPECT_EQ(lastRun ? run::outcomeLine(*lastRun) : "", row.outcome);
        const std::string kind = row.outcome == "Run stopped"                ? "STOPPED"
                                 : row.outcome.starts_with("Run INCOMPLETE") ? "INCOMPLETE"
                                                                             : "";
        const auto& window = run.tool.resultWindows().errResult();
        EXPECT_EQ(window.visible, kind.empty() && !row.outcome.empty());
        EXPECT_EQ(window.caption, "ErrorRate Result" + (kind.empty() ? "" : " - " + kind));
        EXPECT_EQ(window.RunLabel, kind.empty() ? "" : row.outcome);
        const std::string log = run.log();
        std::istringstream records(row.log);
        std::size_t at = 0;
        for (std::string record; std::getline(records, record, '|');) {
            at = log.find(record, at);
            ASSERT_NE(at, std::string::npos) << record << "\n" << log.substr(log.size() - 600);
        }
        EXPECT_EQ(log.find("Run incomplete") != std::string::npos, kind == "INCOMPLETE");
        // No end leaves the tape running (but on a recorder in local, which
        // refuses); only a put-back owed keeps the journal.
        EXPECT_EQ(run.tool.ended(), row.outcome.empty());
        const sim::Mode tape = run.recorder.transport().mode();
        EXPECT_EQ(tape == sim::Mode::Rec || tape == sim::Mode::Play, row.fault == Fault::Local);
        EXPECT_EQ(std::filesystem::exists(run::JournalFileName), row.fault == Fault::Local);

        // The record and the report show as left what the recorder holds.
        const RecordBlock& block = run.record().recordBlocks.at(0);
        EXPECT_EQ(block.stored, row.outcome == "Run completed");
        for (std::size_t ch = 0; ch <= 1; ++ch)
            EXPECT_EQ(block.left.value()[ch],
                      run.recorder.recValues(0, 7, 2, 0, static_cast<int>(ch)));
        EXPECT_EQ(block.left == block.found, !block.stored && row.fault != Fault::Local);
        ASSERT_EQ(reports.size(), row.outcome.empty() ? 0u : 1u);
        if (row.outcome.empty()) continue;
        EXPECT_TRUE(reports[0].title.ends_with(kind.empty() ? "SN1" : "  (" + kind + ")"));
        EXPECT_TRUE(reports[0].recorder.tables[0].rows.back()[1].text.starts_with(
            kind == "STOPPED" ? kind : row.outcome.substr(4)));
        const auto& table = reports[0].sections[1].tables.at(0);
        for (std::size_t r = 1; r <= 4; ++r)  // the current and frequency left of each head
            for (std::size_t item : {0, 2})
                EXPECT_EQ(table.rows[r][2 + item].text,
                          std::to_string(block.left.value()[(r - 1) / 2][(r - 1) % 2 + item]));
    }
}

// A put-back whose first write the recorder refuses: the other writes are
// still made, and the operator and the log are told.
TEST(RecAdjustMain, APutBackThatFailsIsSaidAloudAndTheRestIsStillWritten) {
    RecRun run;
    run.afterLog("CURR : Env-L1", 1, 0ms, [&] { run.recorder.faults().errorReply.count = 12; });
    const std::string what = "MAGVEX HDLP,18000rpm,RP,RP,RP record values as found";
    run.dialogs().expectMsgBox("RS232-C Err Receive Error", Answer::Ignore);
    run.dialogs().expectMsgBox("The values found could not all be put back (" + what +
                                   ": RS232-C Err Receive Error). The recorder may hold values of "
                                   "the unfinished adjustment: check them before it is used.",
                               Answer::Ok);
    run.start();
    EXPECT_EQ(run.recorder.recValues(0, 7, 2, 0, 1), run.found[1]);
    EXPECT_FALSE(run.recorder.adjustMode());

    // The journal keeps what is owed: nothing else starts until Program
    // Reset has put it back.
    EXPECT_TRUE(std::filesystem::exists(run::JournalFileName));
    test::answerEveryBox(run, Answer::Yes);
    run.start();
    run.tool.choose(ProgramItem::Reset);
    std::vector<std::string> titles;
    for (const auto& d : run.dialogs().shown())
        titles.push_back(d.title);
    EXPECT_EQ(
        std::vector<std::string>(titles.end() - 4, titles.end()),
        (std::vector<std::string>{"Put Back", "RESTART", "Unfinished Run", "Unfinished Run"}));
    EXPECT_EQ(run.recorder.recValues(0, 7, 2, 0, 0), run.found[0]);
    EXPECT_FALSE(std::filesystem::exists(run::JournalFileName));
}

}  // namespace
}  // namespace rf::adjust

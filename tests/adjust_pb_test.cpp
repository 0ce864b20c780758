#include <gtest/gtest.h>

#include <algorithm>

#include "adjust/pb_adjust.h"
#include "tool_rig.h"
#include "wire_transcript.h"

namespace rf::adjust {
namespace {

using namespace std::chrono_literals;
using platform::virt::WireRecord;
using run::ProgramItem;
using shell::CheckBoxId;
using test::onceWhen;
using test::readFile;
using test::ToolRig;

using enum CheckBoxId;
constexpr CheckBoxId PbBoxes[] = {PbLp0, PbLp1, PbLp2, PbLp3, PbLp4, PbSp, PbPro, PbDv};

// The playback adjustment started from the menu as an operator does it:
// "Adjust", option PB, the given boxes checked, the changer bringing the tapes.
struct AdjustRun : ToolRig {
    explicit AdjustRun(std::initializer_list<CheckBoxId> boxes) {
        recorder.setAutoChanger(true, now());
        EXPECT_TRUE(startUp());
        tool.choose(ProgramItem::Adjust);
        tool.partAdjCheck(1);
        for (CheckBoxId box : PbBoxes)
            if (std::find(boxes.begin(), boxes.end(), box) == boxes.end())
                tool.form().CheckBox_Click(box);
        dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
        platform.clearWire();
    }
    void start() { tool.choose(ProgramItem::Start); }
    std::string log() { return readFile("QT7310AdjLog.txt"); }
    bool lastSentStarts(const std::string& text) {
        const auto& wire = platform.wire();
        for (auto it = wire.rbegin(); it != wire.rend(); ++it)
            if (it->dir == WireRecord::Dir::ToPeer) return it->bytes.starts_with("\x02" + text);
        return false;
    }
    // The HDLP record block too, without running the record adjustment.
    void selectRecordBlock() {
        for (int ch = 0; ch <= 1; ++ch)
            tool.selection().AdjSel(dir::Record, fmt::HdLp, rpm::Rpm18000, cate::RecPlay, 0, ch) =
                true;
    }
};

template <typename Range>
std::size_t count(const Range& in, const std::string& part) {
    if constexpr (std::is_same_v<Range, std::string>) {
        std::size_t n = 0;
        for (auto at = in.find(part); at != std::string::npos; at = in.find(part, at + 1))
            ++n;
        return n;
    } else {
        return static_cast<std::size_t>(std::count(in.begin(), in.end(), part));
    }
}

// Items 4 to 28 of a level block: what the "EQ200" layout carries.
std::vector<std::int16_t> eq200(std::span<const std::int16_t> items) {
    return {items.begin() + 4, items.end()};
}

// The master phase of one HDLP block, from adjustment mode on to the storing,
// byte for byte with its times; the whole operation log of the run and the
// logger's lines.
TEST(PbAdjustMain, OneHdlpBlockRunsItsCommandsAndLogsItsRecordsExactly) {
    AdjustRun run({PbLp0});
    run.start();
    // From the first adjustment mode to the answer of the $ND that ends the storing.
    const auto& wire = run.platform.wire();
    auto at = [&](const std::string& text, long from) {
        return std::find_if(wire.begin() + from, wire.end(),
                            [&](const WireRecord& w) { return w.bytes == "\x02" + text + "\x03"; });
    };
    const auto first = at("$SA:0720", 0);
    const auto storing = at("$SA:0721", first - wire.begin());
    const auto end = at("$ND", storing - wire.begin()) + 2;
    ASSERT_LT(end - wire.begin(), static_cast<long>(wire.size()));
    const std::vector<WireRecord> block(first, end);
    test::expectTranscript(test::wireTranscript(block), "pb_block.txt");
    test::expectTranscript(run.log(), "pb_block_log.txt");
    test::expectTranscript(run.tool.window().LogText, "pb_block_logger.txt");
}

// STOP at each point of a block's master phase where the programme looks for
// it: the level block goes back as found, adjustment mode is left, nothing is
// stored and the run ends with the stop texts.
TEST(PbAdjustStop, AtEachStopPointOfTheMasterPhase) {
    struct Row {
        const char* sentLast;  // STOP is chosen while this command is the last one sent
        bool blockStopped;     // the block is written back and logged " Stop !"
    };
    const Row rows[] = {
        {"QOD:11", false},        // the master tape asked for
        {"$BS:012:", true},       // the defaults written, before the block starts
        {"$RM:000000000", true},  // the heads chosen for the VCO
        {"$AR:00", true},         // the recorder's VCO adjustment
        {"OPL", true},            // the tape played for the equaliser
        {"$AR:01", true},         // the recorder's equaliser adjustment
        {"$ND", false},           // both passes done, before the storing
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sentLast);
        AdjustRun run({PbLp0});
        std::array<sim::LevelItems, 2> user, stored;
        for (int ch = 0; ch <= 1; ++ch) {
            user[ch] = run.recorder.levelBlock(0, 7, 2, 1, 0, ch);
            stored[ch] = run.recorder.levelBlock(1, 7, 2, 1, 0, ch);
        }
        onceWhen(
            run, [&] { return run.lastSentStarts(row.sentLast); },
            [&] {
                run.tool.choose(ProgramItem::Stop);
                EXPECT_NE(run.tool.window().StopNotice.find("put back"), std::string::npos);
            });
        run.start();
        for (int ch = 0; ch <= 1; ++ch) {
            EXPECT_EQ(run.recorder.levelBlock(1, 7, 2, 1, 0, ch), stored[ch]);
            // Once the passes are through, the adjusted values stay unstored.
            EXPECT_EQ(run.recorder.levelBlock(0, 7, 2, 1, 0, ch) == user[ch],
                      row.sentLast != std::string("$ND"));
        }
        EXPECT_FALSE(run.recorder.adjustMode());
        EXPECT_EQ(run.recorder.transport().tape(), nullptr);
        const auto& blocks = run.tool.adjustRecord().playbackBlocks;
        ASSERT_EQ(blocks.size(), row.sentLast == std::string("QOD:11") ? 0u : 1u);
        for (const auto& b : blocks) {
            EXPECT_FALSE(b.stored);
            for (std::size_t ch = 0; ch <= 1; ++ch) {
                EXPECT_EQ(b.found.value()[ch], user[ch]);
                EXPECT_EQ(b.left.value()[ch], run.recorder.levelBlock(0, 7, 2, 1, 0, ch));
            }
        }
        const std::string log = run.log();
        const std::string end = "\"QT7310XYZ_SN1  Play Adjust Stop\"\r\n\"";
        const auto last = log.rfind(end);
        ASSERT_NE(last, std::string::npos) << log;
        EXPECT_EQ(log.size(), last + end.size() + 11);  // then the time of day alone
        const std::string stopLine = "\"MAGVEX HDLP,18000rpm,PB,PB,Conf Stop !\"\r\n";
        EXPECT_EQ(log.ends_with(stopLine + log.substr(last)), row.blockStopped);
        EXPECT_EQ(count(log, "Master Error Rate"), 0u);  // no check phase
    }
}

// A check measurement within its limit is not repeated; one above it is
// repeated exactly once at another place on the tape, found forward while more
// than five minutes are left, and the second result is kept whatever it is.
TEST(PbAdjustCheck, RemeasuresOnceAtAnotherPlaceOnlyWhenAboveTheLimit) {
    struct Row {
        CheckBoxId box;
        int cate;
        bool bad;          // the playback path is spoilt when the check begins
        bool mendedAfter;  // and mended after the first measurement
        int minutesLeft;   // the tape's place then (0: as the run leaves it)
        std::size_t measurements;
        const char* wind;
    };
    const Row rows[] = {
        {PbDv, 1, false, false, 0, 1, nullptr},  {PbDv, 1, true, false, 6, 2, "OFF"},
        {PbDv, 1, true, true, 5, 2, "ORW"},      {PbLp0, 1, true, false, 0, 2, "OFF"},
        {PbLp4, 0, false, false, 0, 1, nullptr}, {PbLp4, 0, true, true, 0, 2, "OFF"},
    };
    for (const Row& row : rows) {
        const bool dv = row.box == PbDv;
        SCOPED_TRACE(testing::Message() << (dv ? "DV " : "HDLP ") << row.cate << row.bad
                                        << row.mendedAfter << row.minutesLeft);
        AdjustRun run({row.box});
        const int fmt = dv ? 1 : 7, rpm = dv ? 0 : 2;
        auto spoil = [&](int by) {
            for (int ch = 0; ch <= 1; ++ch)
                run.recorder.levelBlock(0, fmt, rpm, row.cate, 0, ch)[9] +=
                    static_cast<std::int16_t>(by);
        };
        onceWhen(
            run, [&] { return run.lastSentStarts("$RM:0001"); },
            [&] {
                if (row.bad) spoil(150);
                if (row.minutesLeft) run.recorder.transport().windToEnd(row.minutesLeft * 60 + 45);
            });
        if (row.mendedAfter)
            onceWhen(
                run, [&] { return run.tool.rates().ErrRateRetry == 1; }, [&] { spoil(-150); });
        run.start();
        const auto frames = test::sent(run);
        const auto check = std::find_if(frames.begin(), frames.end(), [](const std::string& f) {
            return f.starts_with("$RM:0001");
        });
        ASSERT_NE(check, frames.end());
        const std::vector<std::string> checked(check, frames.end());
        EXPECT_EQ(count(checked, "$ER:0"), row.measurements * (dv ? 11 : 10));
        EXPECT_EQ(count(run.log(), dv ? "\"A/V:" : "\"Audio2:"), row.measurements);
        for (const char* wind : {"OFF", "ORW"})
            EXPECT_EQ(count(checked, wind), row.wind && wind == std::string(row.wind) ? 1u : 0u)
                << wind;
        const float kept = dv ? run.tool.rates().ErrResOt(1, 0, 0)
                              : run.tool.rates().ErrResLp(7, row.cate, 0, 0, 0, 0);
        const float limit = dv              ? FourChannelLimit
                            : row.cate == 0 ? RecPlayHeadLimit
                                            : PlaybackHeadLimit;
        EXPECT_EQ(kept > limit, row.bad && !row.mendedAfter) << kept;
        EXPECT_EQ(run.tool.rates().ErrRateRetry, row.bad ? (row.mendedAfter ? 1 : 2) : 0);
        // The report will list the repeat.
        EXPECT_EQ(run.tool.adjustRecord().notes.size(), row.measurements - 1);
        EXPECT_NE(run.log().find("  Play Adjust End"), std::string::npos);
    }
}

TEST(PbAdjustCheck, AValueEqualToItsLimitPassesAndEveryValueCounts) {
    std::vector<float> values(12, -5.0f);
    values[11] = -3.1f;
    EXPECT_FALSE(aboveLimit(values, RecPlayHeadLimit));
    EXPECT_TRUE(aboveLimit(values, PlaybackHeadLimit));
    EXPECT_FALSE(aboveLimit(std::vector<float>{-5.0f, -4.3f, -4.6f, -5.5f}, FourChannelLimit));
}

// Every box checked and the HDLP record block selected: the master tapes in
// format order, each stored with area 1; the check tapes in the order HDLP,
// 50M, HDSP, DV with the master levels after the HDLP blocks; the stored
// blocks are what the recorder's own VCO and equaliser adjustment gave.
TEST(PbAdjustMain, EveryBoxAdjustsStoresTheRecordersOwnValuesAndChecksInOrder) {
    AdjustRun run({PbLp0, PbLp1, PbLp2, PbLp3, PbLp4, PbSp, PbPro, PbDv});
    run.selectRecordBlock();
    std::vector<int> progress;
    for (auto t = 1s; t < 4h; t += 1s)
        run.at(run.now() + t, [&] { progress.push_back(run.tool.window().ProgressBar); });
    run.start();
    std::vector<std::string> modes;
    for (const std::string& f : test::sent(run))
        if (f.starts_with("$SA:")) modes.push_back(f.substr(4));
    EXPECT_EQ(modes,
              (std::vector<std::string>{"0100", "0101", "0250", "0251", "0360", "0361", "0720",
                                        "0721", "0720", "0720", "0250", "0360", "0100"}));
    const auto& record = run.tool.adjustRecord().playbackBlocks;
    EXPECT_EQ(record.size(), 18u);
    const sim::SignalModel& truth = run.recorder.signal();
    for (const PlaybackBlock& b : record) {
        const auto [f, r, c, k, unused] = b.block;
        SCOPED_TRACE(testing::Message() << f << r << c << k);
        EXPECT_TRUE(b.stored);
        for (int ch = 0; ch <= 1; ++ch) {
            const auto& adjusted = run.recorder.levelBlock(0, f, r, c, k, ch);
            const auto inRecorder = eq200(run.recorder.levelBlock(1, f, r, c, k, ch));
            EXPECT_EQ(inRecorder, eq200(adjusted));
            EXPECT_EQ(inRecorder, eq200(run.tool.tables().PbDataRead.row(f, r, c, k, ch)));
            EXPECT_EQ(inRecorder, eq200(b.left.value()[static_cast<std::size_t>(ch)]));
            const auto best = truth.pbChannel(f, c, k, ch);
            EXPECT_NEAR(adjusted[9], best.vcoOpt, 2);
            for (std::size_t i = 0; i < 12; ++i)
                EXPECT_NEAR(adjusted[17 + i], best.tapOpt[i], 1);
        }
    }
    EXPECT_EQ(run.tool.selection().AdjDoneCount, 36);
    for (int ch = 0; ch <= 1; ++ch)
        for (int j = 0; j <= 1; ++j)
            for (auto band : {sim::Band::High, sim::Band::Low})
                EXPECT_NEAR(run.tool.tables().MasterPbLevel(ch, j, static_cast<int>(band)),
                            truth.masterLevel(7, ch, ch == 0 ? j : 1 - j, band), 3.0);
    while (!progress.empty() && progress.back() == 0)
        progress.pop_back();  // back to idle
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
    const std::string log = run.log();
    EXPECT_NE(log.find("\"Master PB Level\"\r\n\"BPF Kind\",\"Env-*1\",\"Env-*2\"",
                       log.find("\"MAGVEX HDLP,18000rpm,PB,PB,Conf Measuring !\"")),
              std::string::npos);
}

TEST(PbAdjustCheck, MasterLevelsOnlyForTheRecordBlockAndOnlyUntilMeasuredInTheSession) {
    // A conf check marked done by a playback-only run has not measured them.
    const struct {
        bool recordBlock, confDone, known, measured;
    } rows[] = {{false, false, false, false},
                {true, false, false, true},
                {true, true, false, true},
                {true, true, true, false}};
    for (const auto& row : rows) {
        AdjustRun run({PbLp4});
        if (row.recordBlock) run.selectRecordBlock();
        run.tool.selection().AdjDone(dir::Playback, 7, 2, 1, 0, 0) = row.confDone;
        if (row.known) run.tool.tables().MasterPbLevelOf = {7, 2};
        run.start();
        EXPECT_EQ(count(test::sent(run), "$KS:100") > 0, row.measured);
        EXPECT_EQ(count(run.log(), "Master PB Level"), row.measured ? 1u : 0u);
        EXPECT_TRUE(run.tool.selection().AdjDone(dir::Playback, 7, 2, 0, 0, 1));
    }
}

// The step the progress bar advances by: run control's count less what the
// four-channel formats measure at once, in quarters; never zero or negative.
TEST(PbProgressStep, CountsTheAdvancesOfTheSelection) {
    const struct {
        std::vector<std::array<int, 4>> blocks;  // format, speed, category, kind
        float step;
    } rows[] = {
        {{{7, 2, 1, 0}}, 25.0f},
        {{{1, 0, 1, 0}, {1, 0, 1, 1}, {1, 0, 1, 2}, {1, 0, 1, 3}, {1, 0, 0, 0}}, 100.0f / 3 / 4},
        {{{3, 6, 1, 0}, {3, 6, 1, 1}, {3, 6, 1, 2}, {3, 6, 1, 3}, {7, 2, 0, 0}}, 100.0f / 3.5f / 4},
        {{{1, 0, 1, 0}}, 25.0f},                // one kind of DV: four advances
        {{{2, 5, 1, 0}, {2, 5, 1, 1}}, 50.0f},  // half a step: done early
        {{}, 0.0f},
    };
    for (const auto& row : rows) {
        Selection selection;
        float count = 0;
        for (auto [f, r, c, k] : row.blocks) {
            selection.AdjSel(dir::Playback, f, r, c, k, 0) = true;
            count += 1;
        }
        EXPECT_FLOAT_EQ(pbProgressStep(selection, count), row.step) << row.blocks.size();
    }
}

// A link error answered with Retry runs the programme again from its start.
TEST(PbAdjustMain, ARetryStartsAfresh) {
    AdjustRun run({PbLp0});
    onceWhen(
        run, [&] { return run.lastSentStarts("$AR:01"); },
        [&] { run.recorder.faults().noReply.count = 1; });
    run.dialogs().expectMsgBox("RS232-C Time Over Error", platform::Answer::Retry);
    run.start();
    const std::string log = run.log();
    EXPECT_EQ(count(log, "Play Adjust Start"), 2u);
    EXPECT_EQ(count(log, "Play Adjust End"), 1u);
    ASSERT_EQ(run.tool.adjustRecord().playbackBlocks.size(), 1u);
    EXPECT_TRUE(run.tool.adjustRecord().playbackBlocks[0].stored);
    EXPECT_LT(run.tool.rates().ErrResLp(7, 1, 0, 0, 0, 0), PlaybackHeadLimit);
}

// An error the recorder answers (not a silence) in the middle of the master
// phase: before the operator is asked, the block read so far is as found again
// and adjustment mode is left, so Abort leaves a recorder as it was. An error
// while the block is still being read puts back nothing: the tables hold
// values that were never read from this recorder. A recorder switched to
// local refuses the put-back: it keeps the defaults written, and the block's
// values left say so.
TEST(PbAdjustMain, AnErrorInTheMasterPhasePutsBackTheBlockBeforeTheOperatorIsAsked) {
    for (const std::string after : {"$AR:01", "$BR:010", "local $BS:012:"}) {
        SCOPED_TRACE(after);
        const bool local = after.starts_with("local ");
        AdjustRun run({PbLp0});
        run.tool.tables().PbDataRead.row(7, 2, 1, 0, 1)[9] = 77;  // an earlier run's value
        std::array<sim::LevelItems, 2> found;
        for (int ch = 0; ch <= 1; ++ch)
            found[static_cast<std::size_t>(ch)] = run.recorder.levelBlock(0, 7, 2, 1, 0, ch);
        onceWhen(
            run, [&] { return run.lastSentStarts(local ? after.substr(6) : after); },
            [&] {
                if (local) run.recorder.setRemote(false);
                run.recorder.faults().errorReply.count = local ? 0 : 6;
            });
        run.dialogs().expectMsgBox("RS232-C Err Receive Error", platform::Answer::Abort);
        if (local)
            run.dialogs().expectMsgBox(
                "The values found could not all be put back (MAGVEX HDLP,18000rpm,PB,PB,Conf "
                "levels as found: RS232-C Err Receive Error). The recorder may hold values of the "
                "unfinished adjustment: check them before it is used.",
                platform::Answer::Ok);
        run.start();
        EXPECT_TRUE(run.tool.ended());
        EXPECT_EQ(run.recorder.adjustMode(), local);
        const auto& blocks = run.tool.adjustRecord().playbackBlocks;
        ASSERT_EQ(blocks.size(), after == "$BR:010" ? 0u : 1u);
        for (int ch = 0; ch <= 1; ++ch) {
            const auto& holds = run.recorder.levelBlock(0, 7, 2, 1, 0, ch);
            EXPECT_EQ(holds == found[static_cast<std::size_t>(ch)], !local);
            for (const auto& b : blocks)
                EXPECT_EQ(b.left.value()[static_cast<std::size_t>(ch)], holds);
        }
    }
}

}  // namespace
}  // namespace rf::adjust

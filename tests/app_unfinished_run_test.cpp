#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "tool_rig.h"

namespace rf::app {
namespace {

using platform::Answer;
using run::JournalFileName;
using test::readFile;

using RecValues = std::array<sim::RecItems, 2>;

RecValues recValues(sim::Recorder& r, int area) {
    return {r.recValues(area, 7, 2, 0, 0), r.recValues(area, 7, 2, 0, 1)};
}

// The HDLP 18000 rpm level blocks the recorder works with.
std::vector<sim::LevelItems> levelBlocks(sim::Recorder& r) {
    std::vector<sim::LevelItems> out;
    for (int c = 0; c <= 1; ++c)
        for (int k = 0; k <= 3; ++k)
            for (int ch = 0; ch <= 1; ++ch)
                out.push_back(r.levelBlock(0, 7, 2, c, k, ch));
    return out;
}

// An Adjust run of the HDLP blocks, killed once the frames starting with
// `frames` have gone in that order (others between them); then the tool
// started again on the recorder as the kill left it, in the same working
// directory, its question answered `answer`.
struct KilledRun : test::ToolRig {
    KilledRun(std::vector<std::string> frames, Answer answer)
        : ToolRig(sim::RecorderConfig{.autoChanger = true}) {
        EXPECT_TRUE(startUp());
        found = {recValues(recorder, 0), recValues(recorder, 1)};
        foundLevels = levelBlocks(recorder);
        tool.choose(run::ProgramItem::Adjust);
        tool.partAdjCheck(0);  // ALL, then the HDLP Conf heads and record heads alone
        tool.selection().AdjSel.fill(false);
        for (int ch = 0; ch <= 1; ++ch) {
            tool.selection().AdjSel(dir::Playback, fmt::HdLp, rpm::Rpm18000, cate::Playback, 0,
                                    ch) = true;
            tool.selection().AdjSel(dir::Record, fmt::HdLp, rpm::Rpm18000, cate::RecPlay, 0, ch) =
                true;
        }
        dialogs().expectInput("Please input VTR Serial No or Manufact No !", "SN1");
        test::killWhen(
            *this,
            [this, frames, read = std::make_shared<std::size_t>(0),
             seen = std::make_shared<std::size_t>(0)] {
                const auto lines = test::sent(*this, *read);
                *read = platform.wire().size();
                for (const std::string& l : lines)
                    if (*seen < frames.size() && l.rfind(frames[*seen], 0) == 0) ++*seen;
                if (*seen == frames.size()) atKill = recValues(recorder, 0);
                return *seen == frames.size();
            },
            journal);
        EXPECT_THROW(tool.choose(run::ProgramItem::Start), test::Killed);
        // The values the run had chosen, stored or about to be.
        for (std::size_t ch = 0; ch <= 1; ++ch) {
            const auto row = tool.tables().RecDataRead.row(7, 2, 0, 0, static_cast<int>(ch));
            std::copy_n(row.begin(), 4, chosen[ch].begin());
        }
        EXPECT_TRUE(test::startAfterKill(*this, next, journal, answer));
    }
    std::array<RecValues, 2> found;  // areas 0 and 1 before the run
    std::vector<sim::LevelItems> foundLevels;
    RecValues atKill, chosen;
    std::string journal;
    Tool next{platform};
};

TEST(UnfinishedRun, ANextStartPutsTheRecorderRightAsTheOperatorAnswersAndSaysSo) {
    const std::vector<std::string> sweep(12, "$RS:");  // the defaults, then eight points
    // The playback store, then the record store's first write gone.
    const std::vector<std::string> store = {"$SA:0721", "$SA:0721", "$RS:", "$RS:"};
    using Areas = std::array<RecValues, 2>;  // the record values held in areas 0 and 1
    const auto found = [](const KilledRun& r) { return r.found; };
    const std::string done = "done, 4 writes read back";
    struct Row {
        const char* name;
        std::vector<std::string> frames;
        Answer answer;
        std::function<Areas(const KilledRun&)> holds;
        std::string logged;  // the outcome of the put-back's record; "" none
    };
    const Row rows[] = {
        {"record sweep, put back", sweep, Answer::Yes, found, done},
        {"record sweep, kept", sweep, Answer::No,
         [](const KilledRun& r) {
             return Areas{r.atKill, r.found[1]};
         },
         "kept as it is"},
        {"record store, put back", store, Answer::Yes,
         [](const KilledRun& r) {
             return Areas{r.found[0], r.found[0]};
         },
         done},
        {"record store, completed", store, Answer::No,
         [](const KilledRun& r) {
             return Areas{r.chosen, r.chosen};
         },
         done},
        {"VCO adjustment, put back", {"$AR:"}, Answer::Yes, found, done},
        {"master levels, nothing pending", {"$SA:0721", "$SA:0720"}, Answer::Yes, found, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        KilledRun run(row.frames, row.answer);
        sim::Recorder& r = run.recorder;
        EXPECT_FALSE(r.adjustMode());
        EXPECT_NE(r.transport().mode(), sim::Mode::Rec);
        EXPECT_FALSE(std::filesystem::exists(JournalFileName));
        EXPECT_EQ((Areas{recValues(r, 0), recValues(r, 1)}), row.holds(run));
        EXPECT_TRUE(row.frames.front() != "$AR:" || levelBlocks(r) == run.foundLevels);
        const std::string log = readFile("QT7310AdjLog.txt");
        EXPECT_NE(log.find("\"Unfinished run\",\"Adjust\""), std::string::npos);
        const auto putBack = log.find("\"Put back\",\"unfinished");
        EXPECT_EQ(putBack == std::string::npos, row.logged.empty());
        EXPECT_TRUE(row.logged.empty() || log.find(row.logged, putBack) != std::string::npos);
    }
}

}  // namespace
}  // namespace rf::app

#include "app/run_record_of.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "adjust/level_curves.h"
#include "adjust/rec_adjust.h"
#include "app/tool.h"
#include "core/errors.h"
#include "core/version.h"
#include "data/history_rows.h"
#include "run/context.h"
#include "state/selection.h"

namespace rf::app {

namespace {

std::string dateTimeText(const platform::DateTime& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                  d.minute, d.second);
    return buf;
}

std::string measurementName(const KeptRates& row, int group) {
    static constexpr const char* groups[] = {"VIDEO", "AUDIO1", "AUDIO2"};
    const char* kind = row.measurement == meas::Self   ? "Self"
                       : row.measurement == meas::Conf ? "Conf"
                                                       : "Master";
    return row.fmt == fmt::HdLp ? std::string(kind) + " " + groups[group] : kind;
}

// The name of a block the run worked on: a four-channel format's error
// rates are the format's, so is its name in the run's blocks.
std::string blockNameOf(const BlockSel& block) {
    return block.SFmt == fmt::HdLp ? run::blockName(block) : fourChannelName(block.SFmt);
}

void addBlock(history::RunRecord& run, const std::string& block) {
    if (std::find(run.blocks.begin(), run.blocks.end(), block) == run.blocks.end())
        run.blocks.push_back(block);
}

// Whether the run worked on the block: the operator selected it.
bool selected(const Selection& selection, int direction, const BlockSel& b) {
    return selection.AdjSel(direction, b.SFmt, b.SRpm, b.SHeadCate, b.SHeadKind, 0) ||
           selection.AdjSel(direction, b.SFmt, b.SRpm, b.SHeadCate, b.SHeadKind, 1);
}

void addValues(history::RunRecord& run, Tool& tool, bool stopped) {
    const adjust::AdjustRecord& record = tool.adjustRecord();
    const Selection& selection = tool.selection();
    for (const adjust::PlaybackBlock& b : record.playbackBlocks) {
        if (!selected(selection, dir::Playback, b.block)) continue;
        for (std::size_t ch = 0; ch < 2; ++ch)
            for (std::size_t item = 0; item < 29; ++item) {
                history::ValueRow row{run::blockName(b.block), history::levelItemName(int(item)),
                                      std::string(history::Channels[ch]), std::nullopt,
                                      std::nullopt};
                if (b.found) row.found = (*b.found)[ch][item];
                if (b.left) row.left = (*b.left)[ch][item];
                run.values.push_back(std::move(row));
            }
    }
    bool recordAdjusted = false;
    for (const adjust::RecordBlock& b : record.recordBlocks) {
        if (!selected(selection, dir::Record, b.block)) continue;
        recordAdjusted = true;
        for (std::size_t ch = 0; ch < 2; ++ch)
            for (std::size_t item = 0; item < 4; ++item) {
                history::ValueRow row{run::blockName(b.block), history::recordItemName(int(item)),
                                      std::string(history::Heads[ch * 2 + item % 2]), std::nullopt,
                                      std::nullopt};
                if (b.found) row.found = (*b.found)[ch][item];
                if (b.left) row.left = (*b.left)[ch][item];
                run.values.push_back(std::move(row));
            }
    }
    for (const adjust::Sweep& s : record.sweeps) {
        if (!selected(selection, dir::Record, s.block)) continue;
        run.sweeps.push_back({run::blockName(s.block), adjust::headName(s),
                              s.quantity == adjust::SweepQuantity::Current
                                  ? history::SweepQuantity::Current
                                  : history::SweepQuantity::Frequency,
                              s.offsets, s.levels, s.chosen});
    }
    // The LevelRate ratios the report checks: the self-recorded tape's low
    // band over the master's, per channel and envelope (head).
    if (!recordAdjusted || stopped) return;
    const std::string block = run::blockName(record.recordBlocks.front().block);
    for (int ch = 0; ch <= 1; ++ch)
        for (int j = 0; j <= 1; ++j) {
            const float self = tool.tables().SelfPbLevel(ch, j, 1);
            const float master = tool.tables().MasterPbLevel(ch, j, 1);
            if (master == 0) continue;
            run.levelRates.push_back({block, std::string(history::Heads[std::size_t(ch * 2 + j)]),
                                      self / master, adjust::LevelRateLow, adjust::LevelRateHigh});
        }
}

}  // namespace

std::optional<int> drumHoursOf(const std::array<std::string, 3>& fields) {
    int hours = 0;
    for (const std::string& f : fields) {
        if (f.size() != 2) return std::nullopt;
        for (char c : f) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
            hours = hours * 10 + (c - '0');
        }
    }
    return hours;
}

history::RunRecord runRecordOf(Tool& tool, const RunOrigin& origin, std::string runId) {
    run::Outcome outcome;
    if (const auto& last = tool.runControl().lastRun()) outcome = *last;
    return runRecordOf(tool, EndedRun{tool.verdictWindow().programme, origin.started, outcome},
                       origin.bench, std::move(runId));
}

history::RunRecord runRecordOf(Tool& tool, const EndedRun& ended, const std::string& bench,
                               std::string runId) {
    const RunOrigin origin{ended.started, bench};
    history::RunRecord run;
    run.runId = std::move(runId);
    const Recorder& r = tool.recorder();
    run.recorder = {r.VtrId, r.VtrName, r.VtrInduce, r.VtrSerialNo, r.SysconVer};
    run.bench = origin.bench;
    run.operatorSerial = r.VtrSerialNo;
    run.toolVersion = toolVersion();
    run.dateTime = dateTimeText(origin.started);
    // A File Save or Load is the PC's work alone: the recorder is not asked.
    if (ended.programme.rfind("File ", 0) != 0) try {
            run.drumHours = drumHoursOf(tool.rs().QhrRead(0));
        } catch (const RfError&) {
            // Not read: the record says nothing of the hours.
        }
    run.programme = ended.programme;
    run.outcome = ended.outcome.incomplete ? history::Outcome::Incomplete
                  : ended.outcome.stopped  ? history::Outcome::Stopped
                                           : history::Outcome::Completed;
    run.outcomeReason = ended.outcome.incomplete.value_or("");
    const bool adjust = ended.programme == "Adjust";
    const bool programme = adjust || ended.programme == "Error Rate";
    // A programme works on the blocks selected; a transfer or a file on
    // the blocks of the data (the target).
    forEachHeadBlock([&](int f, int rpm, int c, int k) {
        const BlockSel b{static_cast<std::int16_t>(f), static_cast<std::int16_t>(rpm),
                         static_cast<std::int16_t>(c), static_cast<std::int16_t>(k), 0};
        for (int d : {dir::Playback, dir::Record})
            if (programme
                    ? selected(tool.selection(), d, b)
                    : tool.selection().AdjTarget(d, b.SFmt, b.SRpm, b.SHeadCate, b.SHeadKind, 0))
                addBlock(run, blockNameOf(b));
    });
    if (ended.programme.rfind("File ", 0) == 0) {
        data::addDataFileRows(run, tool.rates(), tool.tables(), tool.selection().AdjTarget);
        return run;
    }
    if (!programme) {
        // A transfer cut short (a command ignored) did not move all it names.
        if (!ended.outcome.incomplete)
            data::addTransferRows(run, tool.tables(), tool.selection().AdjTarget,
                                  ended.programme == "Data DownLoad");
        return run;
    }
    results::forEachKeptRate(tool.rates(), [&](const results::KeptRate& k) {
        history::RateRow row{results::keptRowBlock(k.row),
                             measurementName(k.row, k.group),
                             k.headName,
                             std::nullopt,
                             k.limit,
                             history::RateVerdict::NotMeasured};
        if (measured(k.value)) {
            row.value = k.value;
            row.verdict =
                k.value <= k.limit ? history::RateVerdict::Pass : history::RateVerdict::Fail;
        }
        run.rates.push_back(std::move(row));
    });
    if (adjust) addValues(run, tool, ended.outcome.stopped);
    run.verdictLine = tool.verdictWindow().verdict.line();
    return run;
}

}  // namespace rf::app

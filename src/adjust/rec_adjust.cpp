#include "adjust/rec_adjust.h"

#include <string>
#include <tuple>

#include "adjust/pb_levels.h"
#include "core/delimited.h"
#include "measure/pb_measure.h"

namespace rf::adjust {

namespace {

auto recRow(RecTable& table, const BlockSel& sel) {
    return table.row(sel.SFmt, sel.SRpm, sel.SHeadCate, sel.SHeadKind, sel.SHeadCh);
}

auto pbRow(PbTable& table, const BlockSel& sel) {
    return table.row(sel.SFmt, sel.SRpm, sel.SHeadCate, sel.SHeadKind, sel.SHeadCh);
}

// A record block's four values per channel, as kept in the AdjustRecord.
RecordValues recordValues(RecTable& table, const BlockSel& block) {
    RecordValues out{};
    for (int ch = 0; ch <= 1; ++ch) {
        const auto row = recRow(table, onChannel(block, ch));
        for (std::size_t i = 0; i < 4; ++i)
            out[static_cast<std::size_t>(ch)][i] = row[i];
    }
    return out;
}

// Both channels' record values in `table` as the journal's writes in `area`.
std::vector<run::JournalWrite> recordWrites(RecTable& table, const BlockSel& block, int area) {
    std::vector<run::JournalWrite> out;
    for (int ch = 0; ch <= 1; ++ch) {
        const BlockSel sel = onChannel(block, ch);
        const auto row = recRow(table, sel);
        for (auto item : {run::JournalWrite::Item::RecCurr, run::JournalWrite::Item::RecFreq})
            out.push_back({item, area, sel, {row.begin(), row.end()}});
    }
    return out;
}

// Items first to first + 5 of a level block: "a,b,c,d,e,f".
std::string tapText(std::span<const std::int16_t, link::LevelItems> items, std::size_t first) {
    std::string out;
    for (std::size_t i = first; i < first + item::TapCount; ++i)
        out += (i == first ? "" : ",") + std::to_string(items[i]);
    return out;
}

}  // namespace

bool levelRateOk(float self, float master) {
    if (master == 0.0f) return false;
    const float ratio = self / master;
    return ratio >= LevelRateLow && ratio <= LevelRateHigh;
}

std::vector<int> LevelRateCheck(run::RunContext& ctx) {
    std::vector<int> told;
    for (int ch = 0; ch <= 1; ++ch)
        for (int head = 0; head <= 1; ++head) {
            if (levelRateOk(ctx.tables.SelfPbLevel(ch, head, 1),
                            ctx.tables.MasterPbLevel(ch, head, 1)))
                continue;
            ctx.platform.dialogs().msgBox("LevelRate too Different !! Please Check Tape Pattern !",
                                          platform::Buttons::Ok, platform::Icon::Exclamation,
                                          "LevelRate Check");
            told.push_back(ch);
            break;  // one message per channel
        }
    return told;
}

template <typename Fn>
void RecAdjust::forEachSelectedBlock(Fn fn) {
    forEachHeadBlock([&](int f, int r, int c, int k) {
        if (ctx_.stopRequested()) return false;
        if (ctx_.selection.AdjSel(dir::Record, f, r, c, k, 0))
            fn(BlockSel{static_cast<std::int16_t>(f), static_cast<std::int16_t>(r),
                        static_cast<std::int16_t>(c), static_cast<std::int16_t>(k), 0});
        return true;
    });
}

void RecAdjust::RecAdjustMain() {
    // Counted here, not taken from run control, so that a Retry of the whole
    // programme starts from a fresh count; with no block the bar stays put.
    int blocks = 0;
    forEachSelectedBlock([&blocks](const BlockSel&) { ++blocks; });
    ctx_.flags.ProgressStep = blocks > 0 ? 100.0f / static_cast<float>(blocks) / 14.0f : 0.0f;
    ctx_.flags.ProgressVal = 0;
    ctx_.progressReset();
    record_.clear(dir::Record);
    ctx_.log.writeText(measure::timeOfDay(ctx_.platform.now()));
    ctx_.logAndShow(ctx_.recorder.VtrName + "  Rec Adjust Start");

    masterRpm_.reset();
    forEachSelectedBlock([this](const BlockSel& block) { masterBlock(block); });
    tape_.ejectTape();
    if (ctx_.stopRequested()) {
        ctx_.logAndShow(ctx_.recorder.VtrName + "  Rec Adjust Stop");
        return;
    }

    selfRpm_.reset();
    forEachSelectedBlock([this](const BlockSel& block) { selfBlock(block); });
    tape_.ejectTape();
    ctx_.logAndShow(ctx_.recorder.VtrName +
                    (ctx_.stopRequested() ? " Rec Adjust Stop" : " Rec Adjust End"));
    ctx_.log.writeText(measure::timeOfDay(ctx_.platform.now()));
    ctx_.log.sync();  // the run's end outlives a power loss
}

bool RecAdjust::standbyOff() {
    return tape_.transportUntil(link::Transport::StbOff);
}

void RecAdjust::drumWait(std::optional<int>& lastRpm, int rpm) {
    ctx_.Stby(lastRpm == rpm ? 2000 : 5000);
    lastRpm = rpm;
}

void RecAdjust::masterBlock(const BlockSel& block) {
    if (ctx_.tables.MasterPbLevelOf == std::pair<int, int>{block.SFmt, block.SRpm}) {
        // The master levels were measured already in this session.
        ctx_.ProgressDsp();
        ctx_.ProgressDsp();
        return;
    }
    if (!tape_.TapeLoad(measure::TapeKind::Master, block.SFmt)) return;
    ctx_.flags.sel = block;
    rs_.AdjModeSet(link::AdjMode::Start, 0, block.SFmt, block.SRpm, 0);
    ctx_.display.channelLabels({"**", "**", "**", "**"});
    ctx_.display.kindLabel("**");
    // A stop is taken once the levels found are read.
    std::ignore = standbyOff();
    ctx_.announce(block, " Measuring !");
    measure::normalHeadsMode(ctx_);
    for (int ch = 0; ch <= 1; ++ch)
        for (auto kind : {link::LevelKind::Rf, link::LevelKind::Eq200}) {
            const BlockSel sel = onChannel(block, ch);
            rs_.LevelRead(sel, kind).applyTo(pbRow(ctx_.tables.PbDataRead, sel));
        }
    ctx_.Stby(1000);
    ctx_.display.message("");
    if (ctx_.stopRequested()) {
        rs_.TransportCtrl(link::Transport::StbOn);
    } else if (tape_.transportUntil(link::Transport::Play)) {
        drumWait(masterRpm_, block.SRpm);
        // A stop here is taken by the level measurement, which logs its
        // heading first.
        std::ignore = tape_.RemainCheck(2, link::Transport::Play);
    }
    ctx_.tables.MasterPbLevelOf.reset();  // a measurement cut short leaves them mixed
    if (PbLevelMeas(ctx_, "Master PB Level", ctx_.tables.MasterPbLevel))
        ctx_.tables.MasterPbLevelOf = {block.SFmt, block.SRpm};
    ctx_.ProgressDsp();
    tape_.transportOnStopPath(link::Transport::Stop);
    ctx_.logAndShow(ctx_.AdjNameDisp(block) + (ctx_.stopRequested() ? " Stop !" : " End !"));
    rs_.KsSet(false, 1, 0);
    rs_.AdjModeSet(link::AdjMode::Stop, 0, block.SFmt, block.SRpm, 0);
    ctx_.display.channelLabels({"**", "**", "**", "**"});
}

void RecAdjust::selfBlock(const BlockSel& block) {
    if (!tape_.TapeLoad(measure::TapeKind::Self, block.SFmt)) return;
    ctx_.flags.sel = block;
    rs_.AdjModeSet(link::AdjMode::Start, 0, block.SFmt, block.SRpm, 0);
    valuesFound_ = false;
    try {
        // Cut short by a stop or not, the block's end goes by the request.
        std::ignore = selfSteps(block);
    } catch (const RfError& e) {
        restoreAfterError(block, e);
        throw;
    }
    blockEnd(block);
}

void RecAdjust::writeRecordValues(const BlockSel& block, RecTable& table,
                                  const WriteThrough& through) {
    for (int ch = 0; ch <= 1; ++ch) {
        const BlockSel sel = onChannel(block, ch);
        for (auto kind : {link::RecKind::Curr, link::RecKind::Freq})
            through([&] { setRecValues(rs_, record_, sel, kind, recRow(table, sel)); });
    }
}

void RecAdjust::restoreAfterError(const BlockSel& block, const RfError& error) {
    auto restore = [this, block, found = valuesFound_] {
        run::PutBackWrites write;
        if (found) writeRecordValues(block, ctx_.tables.RecDataRead, std::ref(write));
        write([&] { rs_.KsSet(false, 0, 0); });
        write([&] { rs_.AdjModeSet(link::AdjMode::Stop, 0, block.SFmt, block.SRpm, 0); });
        write.raiseFirstFailure();
    };
    ctx_.putBackAfter(error,
                      run::blockName(block) +
                          (valuesFound_ ? " record values as found" : " adjustment mode left"),
                      restore);
}

bool RecAdjust::selfSteps(const BlockSel& block) {
    // A stop before the record values are read cannot restore them: the
    // first stop is taken once they are.
    std::ignore = standbyOff();
    ctx_.announce(block, " Start !");
    measure::normalHeadsMode(ctx_);

    RecordBlock& kept = record_.recordBlocks.emplace_back();
    kept.block = block;
    for (int ch = 0; ch <= 1; ++ch) {
        const BlockSel sel = onChannel(block, ch);
        auto read = recRow(ctx_.tables.RecDataRead, sel);
        const auto curr = rs_.RecValueRead(sel, link::RecKind::Curr);
        const auto freq = rs_.RecValueRead(sel, link::RecKind::Freq);
        read[0] = curr[0];
        read[1] = curr[1];
        read[2] = freq[0];
        read[3] = freq[1];
    }
    kept.foundRead(recordValues(ctx_.tables.RecDataRead, block));
    valuesFound_ = true;
    // On the disk before the first write: a crash from here on is put right
    // at the next start.
    ctx_.journal.found(recordWrites(ctx_.tables.RecDataRead, block, 0));
    for (int ch = 0; ch <= 1; ++ch) {
        const auto defaults = recRow(ctx_.tables.RecIniData, onChannel(block, ch));
        std::copy(defaults.begin(), defaults.end(),
                  recRow(ctx_.tables.RecData, onChannel(block, ch)).begin());
    }
    writeRecordValues(block, ctx_.tables.RecData);
    ctx_.Stby(1000);
    if (ctx_.stopRequested()) return false;

    rs_.TransportCtrl(link::Transport::StbOn);
    if (!tape_.transportUntil(link::Transport::Rec)) return false;
    drumWait(selfRpm_, block.SRpm);
    if (!tape_.RemainCheck(3, link::Transport::Rec)) return false;

    if (!sweep_.referenceLevels()) return false;
    for (int ch = 0; ch <= 1; ++ch)
        if (!sweep_.adjustChannel(block, ch, CurrentSweep)) return false;
    for (int ch = 0; ch <= 1; ++ch)
        if (!sweep_.adjustChannel(block, ch, FrequencySweep)) return false;
    // A stop during a measurement takes effect after it: the recorder's own
    // equaliser adjustment does not start once the operator has stopped.
    if (!errorRates(block) || ctx_.stopRequested()) return false;
    selfTap(block);
    if (ctx_.stopRequested()) return false;
    return PbLevelMeas(ctx_, "Self PB Level", ctx_.tables.SelfPbLevel) && !ctx_.stopRequested();
}

bool RecAdjust::errorRates(const BlockSel& block) {
    writeRecordValues(block, ctx_.tables.RecData);
    if (!tape_.transportUntil(link::Transport::Rec)) return false;
    if (!tape_.RemainCheck(2, link::Transport::Rec)) return false;
    ctx_.display.channelLabels({"L1", "L2", "R2", "R1"});
    ctx_.display.kindLabel("CONF");
    static constexpr const char* groups[] = {"Video", "Audio1", "Audio2"};
    ctx_.display.errorGroup(
        groups[ctx_.rates.ErrSelNo >= 0 && ctx_.rates.ErrSelNo <= 2 ? ctx_.rates.ErrSelNo : 0]);
    ctx_.logAndShow("Conf Error Rate");
    errRate_.writeHeader();
    const std::string rmParam = link::rmParam(true, ctx_.flags.PbModeCode, "10");
    rs_.RmSet(rmParam);
    // Sampled 10 s after the time code passes midnight; 50 s more are recorded.
    const bool recorded = errRate_.confErrRate(block.SFmt, 50);
    ctx_.display.message("");
    if (!recorded || ctx_.stopRequested()) return false;
    ctx_.ProgressDsp();
    if (!errRate_.searchStart()) return false;
    if (!tape_.transportUntil(link::Transport::Play)) return false;
    ctx_.logAndShow("Self Error Rate");
    errRate_.writeHeader();
    rs_.RmSet(rmParam);
    errRate_.sample(block.SFmt, meas::Self);
    return true;
}

void RecAdjust::selfTap(const BlockSel& block) {
    ctx_.logAndShow("Self TAP Charactor");
    ctx_.Stby(1000);
    rs_.AdjRun(0, link::AdjRunKind::Tap);
    static constexpr const char* heads[2][2] = {{"TAP L1 = ", "TAP L2 = "},
                                                {"TAP R2 = ", "TAP R1 = "}};
    for (int ch = 0; ch <= 1; ++ch) {
        const BlockSel sel = onChannel(block, ch);
        auto items = pbRow(ctx_.tables.PbData, sel);
        rs_.LevelRead(sel, link::LevelKind::Eq200).applyTo(items);
        ctx_.logAndShow(heads[ch][0] + tapText(items, item::TapHigh));
        ctx_.logAndShow(heads[ch][1] + tapText(items, item::TapLow));
        rs_.LevelSet(sel, link::LevelKind::Eq200, items);
    }
    ctx_.ProgressDsp();
}

void RecAdjust::blockEnd(const BlockSel& block) {
    // The block's values are settled with STOP unavailable.
    ctx_.display.enable(run::ProgramItem::Stop, false);
    tape_.transportOnStopPath(link::Transport::Stop);
    std::string text = ctx_.AdjNameDisp(block);
    if (ctx_.stopRequested()) {
        writeRecordValues(block, ctx_.tables.RecDataRead);
        text += " Stop !";
    } else {
        for (int ch : LevelRateCheck(ctx_))
            record_.note(dir::Record, onChannel(block, ch),
                         std::string("LevelRate too Different !! ") + (ch == 0 ? "Lch" : "Rch"));
        markSelectedDone(ctx_.selection, dir::Record, block.SFmt, block.SRpm);
        for (int ch = 0; ch <= 1; ++ch) {
            const BlockSel sel = onChannel(block, ch);
            const auto adjusted = recRow(ctx_.tables.RecData, sel);
            std::copy(adjusted.begin(), adjusted.end(),
                      recRow(ctx_.tables.RecDataRead, sel).begin());
        }
        measure::keepRecordingRates(ctx_.rates, block.SFmt);
        for (int kind : {meas::Conf, meas::Self})
            record_.rates.push_back({dir::Record, block.SFmt, 1, 0, kind});
        text += " End !";
    }
    ctx_.logAndShow(text);
    rs_.KsSet(false, 0, 0);
    rs_.AdjModeSet(link::AdjMode::Stop, 0, block.SFmt, block.SRpm, 0);
    if (!ctx_.stopRequested()) {
        // Stored: adjustment mode entered with its last parameter 1.
        ctx_.journal.completing(recordWrites(ctx_.tables.RecDataRead, block, 1));
        rs_.AdjModeSet(link::AdjMode::Start, 0, block.SFmt, block.SRpm, 1);
        writeRecordValues(block, ctx_.tables.RecDataRead);
        rs_.AdjModeSet(link::AdjMode::Stop, 0, block.SFmt, block.SRpm, 1);
    }
    ctx_.journal.settled();  // stored, or put back at the operator's STOP
    ctx_.ProgressDsp();
    record_.recordBlocks.back().stored = !ctx_.stopRequested();
    record_.changed();
    ctx_.display.enable(run::ProgramItem::Stop, true);
}

}  // namespace rf::adjust

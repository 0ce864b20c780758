#include "adjust/rec_adjust.h"

#include <string>

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
    for (std::size_t i = first; i < first + 6; ++i)
        out += (i == first ? "" : ",") + std::to_string(items[i]);
    return out;
}

}  // namespace

bool levelRateOk(float self, float master) {
    if (master == 0.0f) return false;
    const float ratio = self / master;
    return ratio >= 0.68f && ratio <= 1.47f;
}

std::vector<int> LevelRateCheck(run::RunContext& ctx) {
    Shared& s = ctx.shared;
    std::vector<int> told;
    for (int ch = 0; ch <= 1; ++ch)
        for (int head = 0; head <= 1; ++head) {
            if (levelRateOk(s.SelfPbLevel(ch, head, 1), s.MasterPbLevel(ch, head, 1))) continue;
            s.MsgAnswer = static_cast<int>(ctx.platform.dialogs().msgBox(
                "LevelRate too Different !! Please Check Tape Pattern !", platform::Buttons::Ok,
                platform::Icon::Exclamation, "LevelRate Check"));
            told.push_back(ch);
            break;  // one message per channel
        }
    return told;
}

template <typename Fn>
void RecAdjust::forEachBlock(Fn fn) {
    Shared& s = ctx_.shared;
    for (int f = 0; f <= 7; ++f)
        for (int r = 0; r <= 6; ++r)
            for (int c = 0; c <= 1; ++c)
                for (int k = 0; k <= 3; ++k) {
                    if (s.StopReq) return;
                    if (s.AdjSel(dir::Record, f, r, c, k, 0))
                        fn(BlockSel{static_cast<std::int16_t>(f), static_cast<std::int16_t>(r),
                                    static_cast<std::int16_t>(c), static_cast<std::int16_t>(k), 0});
                }
}

void RecAdjust::RecAdjustMain() {
    Shared& s = ctx_.shared;
    // Counted here, not taken from run control, so that a Retry of the whole
    // programme starts from a fresh count; with no block the bar stays put.
    int blocks = 0;
    forEachBlock([&blocks](const BlockSel&) { ++blocks; });
    s.ProgressStep = blocks > 0 ? 100.0f / static_cast<float>(blocks) / 14.0f : 0.0f;
    s.ProgressVal = 0;
    ctx_.progressReset();
    record_.clear(dir::Record);
    ctx_.log.writeText(measure::timeOfDay(ctx_.platform.now()));
    s.DspText = s.VtrName + "  Rec Adjust Start";
    ctx_.logLine(s.DspText);

    masterRpm_.reset();
    forEachBlock([this](const BlockSel& block) { masterBlock(block); });
    tape_.ejectTape();
    if (s.StopReq) {
        s.DspText = s.VtrName + "  Rec Adjust Stop";
        ctx_.logLine(s.DspText);
        return;
    }

    selfRpm_.reset();
    forEachBlock([this](const BlockSel& block) { selfBlock(block); });
    tape_.ejectTape();
    s.DspText = s.VtrName + (s.StopReq ? " Rec Adjust Stop" : " Rec Adjust End");
    ctx_.logLine(s.DspText);
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
    Shared& s = ctx_.shared;
    if (s.MasterPbLevelOf == std::pair<int, int>{block.SFmt, block.SRpm}) {
        // The master levels were measured already in this session.
        ctx_.ProgressDsp();
        ctx_.ProgressDsp();
        return;
    }
    tape_.TapeLoad(measure::TapeKind::Master, block.SFmt);
    if (s.StopReq) return;
    s.sel = block;
    rs_.AdjModeSet(link::AdjMode::Start, 0, block.SFmt, block.SRpm, 0);
    ctx_.display.channelLabels({"**", "**", "**", "**"});
    ctx_.display.kindLabel("**");
    standbyOff();
    ctx_.announce(block, " Measuring !");
    measure::normalHeadsMode(ctx_);
    for (int ch = 0; ch <= 1; ++ch)
        for (auto kind : {link::LevelKind::Rf, link::LevelKind::Eq200}) {
            const BlockSel sel = onChannel(block, ch);
            rs_.LevelRead(sel, kind).applyTo(pbRow(s.PbDataRead, sel));
        }
    ctx_.Stby(1000);
    ctx_.display.message("");
    if (s.StopReq) {
        rs_.TransportCtrl(link::Transport::StbOn);
    } else if (tape_.transportUntil(link::Transport::Play)) {
        drumWait(masterRpm_, block.SRpm);
        tape_.RemainCheck(2, link::Transport::Play);
    }
    s.MasterPbLevelOf.reset();  // a measurement cut short leaves them mixed
    if (PbLevelMeas(ctx_, "Master PB Level", s.MasterPbLevel))
        s.MasterPbLevelOf = {block.SFmt, block.SRpm};
    ctx_.ProgressDsp();
    tape_.transportUntil(link::Transport::Stop, false);
    ctx_.AdjNameDisp(block);
    s.DspText += s.StopReq ? " Stop !" : " End !";
    ctx_.logLine(s.DspText);
    rs_.KsSet(false, 1, 0);
    rs_.AdjModeSet(link::AdjMode::Stop, 0, block.SFmt, block.SRpm, 0);
    ctx_.display.channelLabels({"**", "**", "**", "**"});
}

void RecAdjust::selfBlock(const BlockSel& block) {
    Shared& s = ctx_.shared;
    tape_.TapeLoad(measure::TapeKind::Self, block.SFmt);
    if (s.StopReq) return;
    s.sel = block;
    rs_.AdjModeSet(link::AdjMode::Start, 0, block.SFmt, block.SRpm, 0);
    valuesFound_ = false;
    try {
        selfSteps(block);
    } catch (const RfError& e) {
        restoreAfterError(block, e);
        throw;
    }
    blockEnd(block);
}

void RecAdjust::restoreAfterError(const BlockSel& block, const RfError& error) {
    Shared& s = ctx_.shared;
    auto restore = [this, &s, block, found = valuesFound_] {
        run::PutBackWrites write;
        if (found)
            for (int ch = 0; ch <= 1; ++ch) {
                const BlockSel sel = onChannel(block, ch);
                for (auto kind : {link::RecKind::Curr, link::RecKind::Freq})
                    write(
                        [&] { setRecValues(rs_, record_, sel, kind, recRow(s.RecDataRead, sel)); });
            }
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
    Shared& s = ctx_.shared;
    // A stop before the record values are read cannot restore them: the
    // first stop is taken once they are.
    standbyOff();
    ctx_.announce(block, " Start !");
    measure::normalHeadsMode(ctx_);

    RecordBlock& kept = record_.recordBlocks.emplace_back();
    kept.block = block;
    for (int ch = 0; ch <= 1; ++ch) {
        const BlockSel sel = onChannel(block, ch);
        auto read = recRow(s.RecDataRead, sel);
        const auto curr = rs_.RecValueRead(sel, link::RecKind::Curr);
        const auto freq = rs_.RecValueRead(sel, link::RecKind::Freq);
        read[0] = curr[0];
        read[1] = curr[1];
        read[2] = freq[0];
        read[3] = freq[1];
    }
    kept.foundRead(recordValues(s.RecDataRead, block));
    valuesFound_ = true;
    // On the disk before the first write: a crash from here on is put right
    // at the next start.
    ctx_.journal.found(recordWrites(s.RecDataRead, block, 0));
    for (int ch = 0; ch <= 1; ++ch) {
        const BlockSel sel = onChannel(block, ch);
        auto values = recRow(s.RecData, sel);
        const auto defaults = recRow(s.RecIniData, sel);
        std::copy(defaults.begin(), defaults.end(), values.begin());
        setRecValues(rs_, record_, sel, link::RecKind::Curr, values);
        setRecValues(rs_, record_, sel, link::RecKind::Freq, values);
    }
    ctx_.Stby(1000);
    if (s.StopReq) return false;

    rs_.TransportCtrl(link::Transport::StbOn);
    if (!tape_.transportUntil(link::Transport::Rec)) return false;
    drumWait(selfRpm_, block.SRpm);
    tape_.RemainCheck(3, link::Transport::Rec);
    if (s.StopReq) return false;

    if (!sweep_.referenceLevels()) return false;
    for (int ch = 0; ch <= 1; ++ch)
        if (!sweep_.adjustChannel(block, ch, CurrentSweep)) return false;
    for (int ch = 0; ch <= 1; ++ch)
        if (!sweep_.adjustChannel(block, ch, FrequencySweep)) return false;
    // A stop during a measurement takes effect after it: the recorder's own
    // equaliser adjustment does not start once the operator has stopped.
    if (!errorRates(block) || s.StopReq) return false;
    selfTap(block);
    if (s.StopReq) return false;
    PbLevelMeas(ctx_, "Self PB Level", s.SelfPbLevel);
    return !s.StopReq;
}

bool RecAdjust::errorRates(const BlockSel& block) {
    Shared& s = ctx_.shared;
    for (int ch = 0; ch <= 1; ++ch) {
        const BlockSel sel = onChannel(block, ch);
        setRecValues(rs_, record_, sel, link::RecKind::Curr, recRow(s.RecData, sel));
        setRecValues(rs_, record_, sel, link::RecKind::Freq, recRow(s.RecData, sel));
    }
    if (!tape_.transportUntil(link::Transport::Rec)) return false;
    tape_.RemainCheck(2, link::Transport::Rec);
    if (s.StopReq) return false;
    ctx_.display.channelLabels({"L1", "L2", "R2", "R1"});
    ctx_.display.kindLabel("CONF");
    static constexpr const char* groups[] = {"Video", "Audio1", "Audio2"};
    ctx_.display.errorGroup(groups[s.ErrSelNo >= 0 && s.ErrSelNo <= 2 ? s.ErrSelNo : 0]);
    s.DspText = "Conf Error Rate";
    ctx_.logLine(s.DspText);
    errRate_.writeHeader();
    s.RmParam = link::rmParam(true, s.PbModeCode, "10");
    rs_.RmSet(s.RmParam);
    // Sampled 10 s after the time code passes midnight; 50 s more are recorded.
    errRate_.confErrRate(block.SFmt, 50);
    ctx_.display.message("");
    if (s.StopReq) return false;
    ctx_.ProgressDsp();
    if (!errRate_.searchStart()) return false;
    if (!tape_.transportUntil(link::Transport::Play)) return false;
    s.DspText = "Self Error Rate";
    ctx_.logLine(s.DspText);
    errRate_.writeHeader();
    rs_.RmSet(s.RmParam);
    errRate_.sample(block.SFmt, 3);
    return true;
}

void RecAdjust::selfTap(const BlockSel& block) {
    Shared& s = ctx_.shared;
    s.DspText = "Self TAP Charactor";
    ctx_.logLine(s.DspText);
    ctx_.Stby(1000);
    rs_.AdjRun(0, link::AdjRunKind::Tap);
    static constexpr const char* heads[2][2] = {{"TAP L1 = ", "TAP L2 = "},
                                                {"TAP R2 = ", "TAP R1 = "}};
    for (int ch = 0; ch <= 1; ++ch) {
        const BlockSel sel = onChannel(block, ch);
        auto items = pbRow(s.PbData, sel);
        rs_.LevelRead(sel, link::LevelKind::Eq200).applyTo(items);
        s.DspText = heads[ch][0] + tapText(items, 17);
        ctx_.logLine(s.DspText);
        s.DspText = heads[ch][1] + tapText(items, 23);
        ctx_.logLine(s.DspText);
        rs_.LevelSet(sel, link::LevelKind::Eq200, items);
    }
    ctx_.ProgressDsp();
}

void RecAdjust::blockEnd(const BlockSel& block) {
    Shared& s = ctx_.shared;
    // The block's values are settled with STOP unavailable.
    ctx_.display.enable(run::ProgramItem::Stop, false);
    tape_.transportUntil(link::Transport::Stop, false);
    ctx_.AdjNameDisp(block);
    if (s.StopReq) {
        for (int ch = 0; ch <= 1; ++ch) {
            const BlockSel sel = onChannel(block, ch);
            setRecValues(rs_, record_, sel, link::RecKind::Curr, recRow(s.RecDataRead, sel));
            setRecValues(rs_, record_, sel, link::RecKind::Freq, recRow(s.RecDataRead, sel));
        }
        s.DspText += " Stop !";
    } else {
        for (int ch : LevelRateCheck(ctx_))
            record_.note(dir::Record, onChannel(block, ch),
                         std::string("LevelRate too Different !! ") + (ch == 0 ? "Lch" : "Rch"));
        for (int c = 0; c <= 1; ++c)
            for (int k = 0; k <= 3; ++k)
                for (int ch = 0; ch <= 1; ++ch)
                    if (s.AdjSel(dir::Record, block.SFmt, block.SRpm, c, k, ch))
                        s.AdjDone(dir::Record, block.SFmt, block.SRpm, c, k, ch) = true;
        for (int ch = 0; ch <= 1; ++ch) {
            const BlockSel sel = onChannel(block, ch);
            const auto adjusted = recRow(s.RecData, sel);
            std::copy(adjusted.begin(), adjusted.end(), recRow(s.RecDataRead, sel).begin());
        }
        for (int g = 0; g < 3; ++g)
            for (int h = 0; h < 4; ++h)
                for (int kind : {6, 3})
                    s.ErrResLp(block.SFmt, 1, 0, g, h, kind) =
                        s.RealErrLp(block.SFmt, 1, 0, g, h, kind);
        for (int kind : {6, 3})
            record_.rates.push_back({dir::Record, block.SFmt, 1, 0, kind});
        s.DspText += " End !";
    }
    ctx_.logLine(s.DspText);
    rs_.KsSet(false, 0, 0);
    rs_.AdjModeSet(link::AdjMode::Stop, 0, block.SFmt, block.SRpm, 0);
    if (!s.StopReq) {
        // Stored: adjustment mode entered with its last parameter 1.
        ctx_.journal.completing(recordWrites(s.RecDataRead, block, 1));
        rs_.AdjModeSet(link::AdjMode::Start, 0, block.SFmt, block.SRpm, 1);
        for (int ch = 0; ch <= 1; ++ch) {
            const BlockSel sel = onChannel(block, ch);
            setRecValues(rs_, record_, sel, link::RecKind::Curr, recRow(s.RecDataRead, sel));
            setRecValues(rs_, record_, sel, link::RecKind::Freq, recRow(s.RecDataRead, sel));
        }
        rs_.AdjModeSet(link::AdjMode::Stop, 0, block.SFmt, block.SRpm, 1);
    }
    ctx_.journal.settled();  // stored, or put back at the operator's STOP
    ctx_.ProgressDsp();
    record_.recordBlocks.back().stored = !s.StopReq;
    record_.changed();
    ctx_.display.enable(run::ProgramItem::Stop, true);
}

}  // namespace rf::adjust

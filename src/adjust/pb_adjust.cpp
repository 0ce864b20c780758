#include "adjust/pb_adjust.h"

#include <algorithm>
#include <string>
#include <utility>

#include "core/delimited.h"
#include "measure/pb_measure.h"

namespace rf::adjust {

namespace {

using link::LevelKind;
using link::Transport;

std::span<std::int16_t, link::LevelItems> rowOf(PbTable& table, const BlockSel& b, int ch) {
    return table.row(b.SFmt, b.SRpm, b.SHeadCate, b.SHeadKind, ch);
}

// The EQ200 items of channel `ch` read back after the recorder's own
// adjustment, into what is known of the block.
void readBack(std::optional<LevelValues>& known, int ch,
              std::span<const std::int16_t, link::LevelItems> items) {
    if (!known) return;
    const auto [first, last] = link::LevelBlock::itemRange(LevelKind::Eq200);
    for (std::size_t i = first; i <= last; ++i)
        (*known)[static_cast<std::size_t>(ch)][i] = items[i];
}

// The four-channel formats measure every head kind at once: their entry of
// the conf heads stands for the format.
bool fourChannelSelected(const Selection& selection, int fmt, int rpm) {
    return selection.AdjSel(dir::Playback, fmt, rpm, cate::Playback, kind::Conf, 0);
}

// A level block's RF and EQ200 items on both channels as the journal's
// writes in `area`.
std::vector<run::JournalWrite> levelWrites(const LevelValues& values, const BlockSel& block,
                                           int area,
                                           std::initializer_list<run::JournalWrite::Item> items) {
    std::vector<run::JournalWrite> out;
    for (int ch = 0; ch <= 1; ++ch) {
        const auto& row = values[static_cast<std::size_t>(ch)];
        for (auto item : items)
            out.push_back({item, area, onChannel(block, ch), {row.begin(), row.end()}});
    }
    return out;
}

}  // namespace

bool aboveLimit(std::span<const float> values, float limit) {
    return std::any_of(values.begin(), values.end(), [limit](float v) { return v > limit; });
}

float pbProgressStep(const Selection& selection, float PbStepCount) {
    float steps = PbStepCount;
    if (fourChannelSelected(selection, fmt::Dv, rpm::Rpm9000)) steps -= 2;
    if (fourChannelSelected(selection, fmt::Magvex50M, rpm::Rpm9900)) steps -= 1.5f;
    if (fourChannelSelected(selection, fmt::HdSp, rpm::Rpm19800)) steps -= 1.5f;
    if (steps <= 0) {
        // A selection the check boxes cannot make (one kind of a four-channel
        // format, say): count the advances the run will make instead.
        int advances = 0;
        forEachHeadBlock([&](int f, int r, int c, int k) {
            if (selection.AdjSel(dir::Playback, f, r, c, k, 0))
                advances += f == fmt::HdLp && r == rpm::Rpm18000 ? 4 : 2;
        });
        for (auto [f, r] : {std::pair<int, int>{fmt::Dv, rpm::Rpm9000},
                            {fmt::Magvex50M, rpm::Rpm9900},
                            {fmt::HdSp, rpm::Rpm19800}})
            if (fourChannelSelected(selection, f, r)) advances += 2;
        steps = static_cast<float>(advances) / 4.0f;
    }
    return steps > 0 ? 100.0f / steps / 4.0f : 0.0f;
}

void PbAdjust::PbAdjustMain() {
    ctx_.log.writeText(measure::timeOfDay(ctx_.platform.now()));
    ctx_.logAndShow(ctx_.recorder.VtrName + " Play Adjust Start");

    // Counted here from run control's count, so that a Retry counts afresh.
    ctx_.progressReset();
    ctx_.flags.ProgressVal = 0;
    ctx_.flags.ProgressStep = pbProgressStep(ctx_.selection, ctx_.flags.PbStepCount);
    ctx_.display.channelLabels({"**", "**", "**", "**"});
    ctx_.display.kindLabel("**");
    forEachFormatAndSpeed(
        [this](int f, int r) { ctx_.selection.PbFmtRpmSel(f, r) = !selectedBlocks(f, r).empty(); });
    record_.clear(dir::Playback);

    if (masterPhase()) checkPhase();
    finish();
}

std::vector<BlockSel> PbAdjust::selectedBlocks(int fmt, int rpm) const {
    std::vector<BlockSel> out;
    for (int c = 0; c <= 1; ++c)
        for (int k = 0; k <= 3; ++k)
            if (ctx_.selection.AdjSel(dir::Playback, fmt, rpm, c, k, 0))
                out.push_back({static_cast<std::int16_t>(fmt), static_cast<std::int16_t>(rpm),
                               static_cast<std::int16_t>(c), static_cast<std::int16_t>(k), 0});
    return out;
}

bool PbAdjust::masterPhase() {
    return forEachFormatAndSpeed(
        [this](int f, int r) { return !ctx_.selection.PbFmtRpmSel(f, r) || masterFormat(f, r); });
}

bool PbAdjust::masterFormat(int fmt, int rpm) {
    ctx_.flags.sel = {static_cast<std::int16_t>(fmt), static_cast<std::int16_t>(rpm), 0, 0, 0};
    if (!tape_.TapeLoad(measure::TapeKind::Master, fmt)) return false;
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt, rpm, 0);
    const std::vector<BlockSel> blocks = selectedBlocks(fmt, rpm);
    // The adjustments run with the tape stopped and the drum in standby off.
    try {
        if (stopAndStandbyOff())
            if (const BlockSel* stopped = adjustBlocks(blocks)) restoreBlock(*stopped);
    } catch (const RfError& e) {
        restoreAfterError(fmt, rpm, e);
        throw;
    }
    rs_.AdjModeSet(link::AdjMode::Stop, 0, fmt, rpm, 0);
    ctx_.Stby(2000);
    if (ctx_.stopRequested()) {
        // The values as the STOP left them are the run's answer; nothing is pending.
        ctx_.journal.settled();
        return false;
    }
    storeBlocks(blocks);
    return true;
}

const BlockSel* PbAdjust::adjustBlocks(const std::vector<BlockSel>& blocks) {
    for (const BlockSel& b : blocks)
        if (!vcoBlock(b)) return &b;
    for (const BlockSel& b : blocks)
        if (!tapBlock(b)) return &b;
    return nullptr;
}

PlaybackBlock* PbAdjust::findRecord(const BlockSel& block) {
    auto& blocks = record_.playbackBlocks;
    auto it = std::find_if(blocks.begin(), blocks.end(),
                           [&](const PlaybackBlock& b) { return b.block == block; });
    return it != blocks.end() ? &*it : nullptr;
}

PlaybackBlock& PbAdjust::recordOf(const BlockSel& block) {
    if (PlaybackBlock* found = findRecord(block)) return *found;
    PlaybackBlock& added = record_.playbackBlocks.emplace_back();
    added.block = block;
    return added;
}

void PbAdjust::setLevel(const BlockSel& block, int ch, LevelKind kind,
                        std::span<const std::int16_t, link::LevelItems> items) {
    rs_.LevelSet(onChannel(block, ch), kind, items);
    const auto [first, last] = link::LevelBlock::itemRange(kind);
    if (PlaybackBlock* rec = findRecord(block)) rec->held(ch, first, last, items);
}

std::optional<LevelValues> PbAdjust::adjustedByRecorder(const BlockSel& block) {
    return std::exchange(recordOf(block).left, std::nullopt);
}

void PbAdjust::startStep(const BlockSel& block) {
    ctx_.blockBegins(ctx_.AdjNameDisp(block));
    const std::string start = ctx_.AdjNameDisp(block) + " Start !";
    if (!ctx_.stopRequested()) ctx_.display.message(start);
    ctx_.logAndShow(start);
    rs_.RmSet(link::rmParam(false, ctx_.flags.PbModeCode, "00"));
}

bool PbAdjust::vcoBlock(const BlockSel& block) {
    ctx_.flags.sel = block;
    // The block as found, to put back if the operator stops. It counts as
    // found, and is put back after an error, only once both channels are
    // read whole: a put-back never writes values it did not read.
    LevelValues found{};
    for (int ch = 0; ch <= 1; ++ch) {
        auto items = std::span<std::int16_t, link::LevelItems>(found[static_cast<std::size_t>(ch)]);
        const auto before = rowOf(ctx_.tables.PbDataRead, block, ch);
        std::copy(before.begin(), before.end(), items.begin());
        rs_.LevelRead(onChannel(block, ch), LevelKind::Rf).applyTo(items);
        rs_.LevelRead(onChannel(block, ch), LevelKind::Eq200).applyTo(items);
    }
    for (int ch = 0; ch <= 1; ++ch) {
        const auto& items = found[static_cast<std::size_t>(ch)];
        std::copy(items.begin(), items.end(), rowOf(ctx_.tables.PbDataRead, block, ch).begin());
    }
    recordOf(block).foundRead(found);
    // On the disk before the first write: a crash from here on is put right
    // at the next start.
    ctx_.journal.found(levelWrites(
        found, block, 0, {run::JournalWrite::Item::LevelRf, run::JournalWrite::Item::LevelEq200}));
    // The adjustment starts from the defaults with the recorder's own MAG pair.
    for (int ch = 0; ch <= 1; ++ch) {
        auto data = rowOf(ctx_.tables.PbData, block, ch);
        const auto ini = rowOf(ctx_.tables.PbIniData, block, ch);
        const auto found = rowOf(ctx_.tables.PbDataRead, block, ch);
        std::copy(ini.begin(), ini.end(), data.begin());
        data[item::MagFirst] = found[item::MagFirst];
        data[item::MagSecond] = found[item::MagSecond];
        setLevel(block, ch, LevelKind::Eq200, data);
    }
    if (ctx_.stopRequested()) return false;
    startStep(block);
    ctx_.display.message("");
    if (ctx_.stopRequested()) return false;
    ctx_.display.message("VCO Center Frequency");
    ctx_.logAndShow("VCO Center Freq");
    ctx_.Stby(1000);
    auto known = adjustedByRecorder(block);
    rs_.AdjRun(0, link::AdjRunKind::Vco);
    for (int ch = 0; ch <= 1; ++ch) {
        auto data = rowOf(ctx_.tables.PbData, block, ch);
        rs_.LevelRead(onChannel(block, ch), LevelKind::Eq200).applyTo(data);
        readBack(known, ch, data);
        const std::string label = ch == 0 ? "L H/L VCO=" : "R H/L VCO=";
        const std::string value = std::to_string(data[item::Vco]);
        ctx_.logAndShow(label + (data[item::Vco] >= 0 ? " " : "") + value);
        ctx_.log.writeRecord(DelimitedRecord().text(label).raw(value).line());
    }
    recordOf(block).left = known;
    ctx_.display.message("");
    if (ctx_.stopRequested()) return false;
    ctx_.ProgressDsp();
    return true;
}

bool PbAdjust::tapBlock(const BlockSel& block) {
    ctx_.flags.sel = block;
    if (ctx_.stopRequested()) return false;
    // The equaliser adjusts on the played tape, then stopped.
    if (!tape_.transportUntil(Transport::Play)) return false;
    if (!tape_.RemainCheck(1, Transport::Play)) return false;
    ctx_.Stby(500);
    if (!tape_.transportUntil(Transport::Stop)) return false;
    startStep(block);
    ctx_.display.message("Master TAP Charactor");
    ctx_.logAndShow("Master TAP");
    auto known = adjustedByRecorder(block);
    rs_.AdjRun(0, link::AdjRunKind::Tap);
    for (int ch = 0; ch <= 1; ++ch) {
        auto data = rowOf(ctx_.tables.PbData, block, ch);
        rs_.LevelRead(onChannel(block, ch), LevelKind::Eq200).applyTo(data);
        readBack(known, ch, data);
        for (int head = 0; head <= 1; ++head) {
            const std::string label =
                std::string(ch == 0 ? "L " : "R ") + (head == 0 ? "H TAP=" : "L TAP=");
            std::string values;
            DelimitedRecord record;
            record.text(label);
            const std::size_t first = head == 0 ? item::TapHigh : item::TapLow;
            for (std::size_t i = 0; i < item::TapCount; ++i) {
                const std::string value = std::to_string(data[first + i]);
                values += (i ? "," : "") + value;
                record.raw(value);
            }
            ctx_.logAndShow(label + values);
            ctx_.log.writeRecord(record.line());
        }
    }
    recordOf(block).left = known;
    ctx_.display.message("");
    if (ctx_.stopRequested()) return false;
    ctx_.ProgressDsp();
    return true;
}

void PbAdjust::restoreBlock(const BlockSel& block) {
    // Nothing may cut the writing back short.
    ctx_.display.enable(run::ProgramItem::Stop, false);
    const std::string name = ctx_.AdjNameDisp(block);
    for (int ch = 0; ch <= 1; ++ch) {
        const auto found = rowOf(ctx_.tables.PbDataRead, block, ch);
        setLevel(block, ch, LevelKind::Rf, found);
        setLevel(block, ch, LevelKind::Eq200, found);
    }
    PlaybackBlock& rec = recordOf(block);
    rec.left = rec.found;  // every item written back
    ctx_.logAndShow(name + " Stop !");
    ctx_.display.enable(run::ProgramItem::Stop, true);
}

void PbAdjust::restoreAfterError(int fmt, int rpm, const RfError& error) {
    auto restore = [this, fmt, rpm] {
        run::PutBackWrites write;
        for (PlaybackBlock& rec : record_.playbackBlocks) {
            if (rec.block.SFmt != fmt || rec.block.SRpm != rpm) continue;
            int written = 0;
            for (int ch = 0; ch <= 1; ++ch)
                for (auto kind : {LevelKind::Rf, LevelKind::Eq200})
                    write([&] {
                        setLevel(rec.block, ch, kind, rowOf(ctx_.tables.PbDataRead, rec.block, ch));
                        ++written;
                    });
            // Every item written back: also values the recorder's own
            // adjustment left unknown are known again.
            if (written == 4) rec.left = rec.found;
        }
        write([&] { rs_.AdjModeSet(link::AdjMode::Stop, 0, fmt, rpm, 0); });
        write.raiseFirstFailure();
    };
    std::string what;
    for (const PlaybackBlock& rec : record_.playbackBlocks)
        if (rec.block.SFmt == fmt && rec.block.SRpm == rpm)
            what += (what.empty() ? "" : "; ") + run::blockName(rec.block);
    ctx_.putBackAfter(error, what.empty() ? "adjustment mode left" : what + " levels as found",
                      restore);
}

void PbAdjust::storeBlocks(const std::vector<BlockSel>& blocks) {
    if (blocks.empty()) return;
    const int fmt = blocks.front().SFmt, rpm = blocks.front().SRpm;
    std::vector<run::JournalWrite> storing;
    for (const BlockSel& b : blocks) {
        LevelValues values{};
        for (int ch = 0; ch <= 1; ++ch) {
            const auto data = rowOf(ctx_.tables.PbData, b, ch);
            std::copy(data.begin(), data.end(), values[static_cast<std::size_t>(ch)].begin());
        }
        for (auto& w : levelWrites(values, b, 1, {run::JournalWrite::Item::LevelEq200}))
            storing.push_back(std::move(w));
    }
    ctx_.journal.completing(storing);
    rs_.AdjModeSet(link::AdjMode::Start, 0, fmt, rpm, 1);
    for (const BlockSel& b : blocks) {
        for (int ch = 0; ch <= 1; ++ch) {
            const auto data = rowOf(ctx_.tables.PbData, b, ch);
            setLevel(b, ch, LevelKind::Eq200, data);
            std::copy(data.begin(), data.end(), rowOf(ctx_.tables.PbDataRead, b, ch).begin());
        }
        recordOf(b).stored = true;
    }
    rs_.AdjModeSet(link::AdjMode::Stop, 0, fmt, rpm, 1);
    ctx_.journal.settled();
}

bool PbAdjust::stopAndStandbyOff() {
    return tape_.transportUntil(Transport::Stop) && tape_.transportUntil(Transport::StbOff);
}

void PbAdjust::finish() {
    if (ctx_.recorder.VtrStatus != "EJECT") tape_.transportOnStopPath(Transport::Eject);
    ctx_.display.timeCode({"**", "**", "**", "**"});
    ctx_.display.remain({"**", "**", "**"});
    ctx_.display.kindLabel("Head Kind");
    ctx_.display.channelLabels({"**", "**", "**", "**"});
    ctx_.logAndShow(ctx_.recorder.VtrName +
                    (ctx_.stopRequested() ? "  Play Adjust Stop" : "  Play Adjust End"));
    ctx_.log.writeText(measure::timeOfDay(ctx_.platform.now()));
    ctx_.log.sync();  // the run's end outlives a power loss
}

}  // namespace rf::adjust

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "link_fixture.h"

namespace rf::linktest {
namespace {

using link::Rs;
using enum link::AdjMode;
using enum link::AdjRunKind;
using enum link::ErrRateMode;
using enum link::LevelKind;
using enum link::RecKind;
using enum link::SearchMode;
using enum link::TimeCodeMode;
using Row = std::array<std::int16_t, link::LevelItems>;

template <class C>
std::string join(const C& values) {
    std::ostringstream out;
    for (const auto& v : values)
        out << (&v == &*std::begin(values) ? "" : ",") << v;
    return out.str();
}

BlockSel sel(int cate, int kind, int ch) {
    BlockSel s;
    s.SHeadCate = static_cast<std::int16_t>(cate);
    s.SHeadKind = static_cast<std::int16_t>(kind);
    s.SHeadCh = static_cast<std::int16_t>(ch);
    return s;
}

std::string onOff(bool on) {
    return on ? "on" : "off";
}

const std::array<std::int16_t, link::RecItems> rec{-128, 127, 5, -6, 99};

// One command with a good reply: the frame it writes, the reply code and the
// text after it, what it returns (as text) and its pause after the reply.
struct Exchange {
    std::function<std::string(Rs&)> call;
    std::string sent, code, data, result;
    double pauseMs = 0;
};

TEST(Commands, WriteTheirFrameDecodeTheReplyAndPauseAsTheRecorderNeeds) {
    const BlockSel a = sel(0, 1, 2), b = sel(0, 3, 1);
    std::vector<Exchange> cases{
        {[](Rs& r) { return r.SqRead(); }, "$SQ", "$SQ", ":123456789", "123456789", 0},
        {[](Rs& r) { return r.InduceRead(); }, "$DQ", "$DI", "0A5", "0A5", 0},
        {[](Rs& r) { return std::to_string(r.FrRead()); }, "$FR", "$FR", "B", "11", 0},
        {[](Rs& r) { return r.OasRead(); }, "QOD:81", "OAS", ":B", "ON", 0},
        {[](Rs& r) { return r.OasRead(); }, "QOD:81", "OAS", ":2", "OFF", 0},
        {[](Rs& r) { return join(r.QhrRead(0)); }, "QHR", "HTR", "0A1B2C", "0A,1B,2C", 0},
        {[](Rs& r) { return join(r.QhrRead(1)); }, "QHR:H", "HTR", "010203", "01,02,03", 0},
        {[](Rs& r) { return join(r.TimeCodeRead(Tcr)); }, "QCD", "CD", ":023595924", "23,59,59,24"},
        {[](Rs& r) { return join(r.TimeCodeRead(Tcg)); }, "QCS", "CTS", "01020304", "01,02,03,04"},
        {[](Rs& r) { return join(r.AdjRun(5, Env)); }, "$AR:52", "$AR", "1F80", "31,128", 0},
        {[](Rs& r) { return r.RemoteCheck(); }, "QOD:01", "OAS", ":0", "REMOTE", 0},
        {[](Rs& r) { return r.RemoteCheck(); }, "QOD:01", "OAS", ":1", "LOCAL", 0},
        {[&](Rs& r) { return join(r.RecValueRead(a, Curr)); }, "$RR:120", "$RR", "7F81", "-1,1"},
        {[&](Rs& r) { return join(r.RecValueRead(a, Freq)); }, "$RR:121", "$RR", "00FF",
         "-128,127"},
        {[](Rs& r) { return r.InduceSet("A12"), ""; }, "$DI:A12", "$DI", "", "", 500},
        {[](Rs& r) { return r.RmSet("1"), ""; }, "$RM:1", "$RM", "", "", 1000},
        {[](Rs& r) { return r.CtsSet("0"), ""; }, "CTS:0", "CTS", "", "", 500},
        // The command set keeps the adjustment-mode flag itself.
        {[](Rs& r) { return r.AdjModeSet(Start, 1, 0, 2, 17), onOff(r.adjModeOn()); }, "$SA:1021",
         "$SA", "", "on", 1000},
        {[](Rs& r) { return r.AdjModeSet(Stop), onOff(r.adjModeOn()); }, "$ND", "$ND", "", "off",
         1000},
        {[](Rs& r) { return r.KsSet(true, 3, 12), ""; }, "$KS:13C", "$KS", "", "", 500},
        {[](Rs& r) { return r.KsSet(false, 0, 15), ""; }, "$KS:00F", "$KS", "", "", 500},
        {[](Rs& r) { return join(r.AdjRun(10, Vco)); }, "$AR:A0", "$AR", "", "0,0", 2000},
        {[](Rs& r) { return join(r.AdjRun(2, Tap)); }, "$AR:21", "$AR", "", "0,0", 2000},
        {[&](Rs& r) { return r.RecValueSet(b, Curr, rec), ""; }, "$RS:310:00FF", "$RS", "", "",
         500},
        {[&](Rs& r) { return r.RecValueSet(b, Freq, rec), ""; }, "$RS:311:857A", "$RS", "", "",
         500},
        // The identification has no reply code: all after ACK STX, even "ER".
        {[](Rs& r) { return r.IdRead(); }, "QID", "", "ER-9 V1.2", "ER-9 V1.2", 0},
        {[](Rs& r) { return r.IdRead(); }, "QID", "", "A", "A", 0},
    };
    // Each transport mode by its code, waited for and followed by half a second;
    // and every transport state StatusRead names.
    using T = link::Transport;
    const std::vector<std::pair<T, std::string>> modes{
        {T::Stop, "OSP"},  {T::Play, "OPL"},   {T::Rec, "ORC"},   {T::FF, "OFF"},
        {T::Rew, "ORW"},   {T::Eject, "OEJ"},  {T::StbOn, "OBN"}, {T::StbOff, "OBF"},
        {T::TcSel, "CTC"}, {T::CtlSel, "CTL"}, {T::CtlRst, "CRT"}};
    const std::vector<std::pair<std::string, std::string>> states{
        {"A0", "STOP"},  {"81", "PLAY"},   {"88", "REW"},   {"84", "FF"},
        {"83", "REC"},   {"10", "EJECT"},  {"00", "EJECT"}, {"20", "STBOF"},
        {"60", "STBOF"}, {"82", "UNKNOW"}, {"a0", "UNKNOW"}};
    for (auto [mode, code] : modes)
        cases.push_back(
            {[m = mode](Rs& r) { return r.TransportCtrl(m), ""; }, code, code, "", "", 500});
    for (auto [state, text] : states)
        cases.push_back({[](Rs& r) { return r.StatusRead(); }, "QOD:11", "OAS", state, text, 0});
    for (const Exchange& c : cases) {
        SCOPED_TRACE(c.sent + " -> " + c.code + c.data);
        VirtualLine line;
        line.peer.reply(good(c.code + c.data));
        std::string result;
        EXPECT_EQ(errorOf([&] { result = c.call(line.rs); }), 0);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(line.sent(), std::vector<std::string>{c.sent});
        EXPECT_EQ(line.now(), kReplyMs + c.pauseMs);
        if (c.code.empty()) continue;

        // The whole reply code is required: one character off and it is another reply.
        std::string other = c.code;
        other.back() = '#';
        line.peer.replyTimes(6, good(other + c.data));
        EXPECT_EQ(errorOf([&] { c.call(line.rs); }), err::OtherReply);
        EXPECT_EQ(line.sent(), std::vector<std::string>(7, c.sent));
    }
}

TEST(Commands, AdjustmentModeStaysOnUntilTheRecorderHasAcceptedTheStop) {
    VirtualLine line;
    line.peer.reply(good("$SA"));
    line.rs.AdjModeSet(Start, 0, 7, 2, 0);
    EXPECT_TRUE(line.rs.adjModeOn());
    line.peer.replyTimes(6, good("$NX"));
    EXPECT_EQ(errorOf([&] { line.rs.AdjModeSet(Stop); }), err::OtherReply);
    EXPECT_TRUE(line.rs.adjModeOn());  // a close still leaves the mode
    line.peer.reply(good("$ND"));
    line.rs.AdjModeSet(Stop);
    EXPECT_FALSE(line.rs.adjModeOn());
}

TEST(Commands, ReplyFieldsMissingOrNotNumbersAreBadReplies) {
    const std::vector<std::pair<std::function<void(Rs&)>, std::string>> cases{
        {[](Rs& r) { r.SqRead(); }, "$SQ:12345678"},  // the ETX is no field
        {[](Rs& r) { r.InduceRead(); }, "$DI0A"},
        {[](Rs& r) { r.FrRead(); }, "$FR"},
        {[](Rs& r) { r.FrRead(); }, "$FRG"},
        {[](Rs& r) { r.FrRead(); }, "$FRF"},  // 15 is no format
        {[](Rs& r) { r.OasRead(); }, "OAS:"},
        {[](Rs& r) { r.OasRead(); }, "OAS:X"},
        {[](Rs& r) { r.StatusRead(); }, "OAS8"},
        {[](Rs& r) { r.QhrRead(0); }, "HTR0A1B2"},
        {[](Rs& r) { r.TimeCodeRead(Tcr); }, "CD:0235959"},
        {[](Rs& r) { r.TimeCodeRead(Tcg); }, "CTS010203"},
        {[](Rs& r) { r.AdjRun(0, Env); }, "$AR1F8"},
        {[](Rs& r) { r.AdjRun(0, Env); }, "$AR1G80"},
        {[](Rs& r) { r.RemoteCheck(); }, "OAS:Z"},
        {[](Rs& r) { r.RecValueRead(sel(0, 0, 0), Curr); }, "$RR7F8"},
        {[](Rs& r) { r.RecValueRead(sel(0, 0, 0), Curr); }, "$RR7F-1"},
        {[](Rs& r) { r.ErrRateRead(Hex, 0); }, "$ER0014003800390041AABBCC"},
        {[](Rs& r) { r.ErrRateRead(Hex, 0); }, "$ER00G4003800390041AABBCCDD"},
        {[](Rs& r) { r.ErrRateRead(Bcd, 0); }, "$ER001A003800390041AABBCCDD"},
        {[](Rs& r) { r.LevelRead(sel(0, 0, 0), Rf); }, "$PR7F80FF"},
        {[](Rs& r) { r.IdRead(); }, ""},
    };
    for (const auto& [call, reply] : cases) {
        VirtualLine line;
        line.peer.reply(good(reply));
        EXPECT_EQ(errorOf([&] { call(line.rs); }), err::BadReply) << reply;
    }
    VirtualLine line;  // a remote state past 1
    line.peer.reply(good("OAS:2"));
    EXPECT_EQ(errorOf([&] { line.rs.RemoteCheck(); }), err::ValueRange);
}

TEST(Commands, SearchSetIsAcknowledgedByALoneAckAndPausesOneSecond) {
    VirtualLine line;
    line.peer.replyTimes(2, kAck);
    line.rs.SearchSet(Ctl, "00:12:34:56");
    EXPECT_EQ(line.now(), kReplyMs + 1000);
    line.rs.SearchSet(Tc, "01:02:03:04");
    EXPECT_EQ(line.now(), 2 * (kReplyMs + 1000));
    EXPECT_EQ(line.sent(), (std::vector<std::string>{"SRS:L00:12:34:56", "SRS:S01:02:03:04"}));
}

TEST(Commands, RemoteCheckAfterSixFailuresJudgesTheLastReply) {
    const std::string nak = kNak, er = good("ER");
    struct Case {
        std::vector<std::string> replies;
        int error;
        std::string result;
        double end;
    };
    const std::vector<Case> cases{
        {{6, er}, 0, "LOCAL", 6},
        {{6, good("ER::0")}, 0, "REMOTE", 6},  // position 7 overrides
        {{6, good("ER::1")}, 0, "LOCAL", 6},
        {{6, good("ER::7")}, 0, "LOCAL", 6},
        {{6, good("XYZ:0")}, err::OtherReply, "", 6},
        {{er, er, er, er, er, nak}, err::AckReceive, "", 2006},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(join(c.replies));
        VirtualLine line;
        for (const auto& r : c.replies)
            line.peer.reply(r);
        std::string result;
        EXPECT_EQ(errorOf([&] { result = line.rs.RemoteCheck(); }), c.error);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(line.now(), c.end);
        EXPECT_EQ(line.sent(), std::vector<std::string>(c.replies.size(), "QOD:01"));
    }
}

TEST(Commands, ErrRateReadClampsRawValuesAndRoundsHalvesToEven) {
    VirtualLine line;
    line.peer.reply(good("$ER0014003800390041AABBCCDD"));
    const link::ErrRates worked = line.rs.ErrRateRead(Hex, 3);
    EXPECT_EQ(line.sent(), std::vector<std::string>{"$ER:3"});
    EXPECT_EQ(worked.raw, (std::array<int, 4>{20, 56, 56, 20}));
    EXPECT_EQ(worked.rates, (std::array<int, 4>{18, 0, 0, 18}));
    EXPECT_EQ(worked.marks, (std::array<std::string, 4>{"AA", "BB", "CC", "DD"}));

    // H (hex) or B (BCD) and the field, then the clamped raw value and the rate.
    std::istringstream cases(
        "H0015 21 18  H0017 23 16  H0019 25 16  H0035 53 2  H0037 55 0  H0013 20 18 "
        "H0040 56 0  H0041 20 18  HFFFF 20 18  B0021 21 18  B0040 40 8  B0057 56 0");
    std::string field;
    int raw = 0, rate = 0, rows = 0;
    for (; cases >> field >> raw >> rate; ++rows) {
        const std::string f = field.substr(1);
        line.peer.reply(good("$ER" + f + f + f + f + "01020304"));
        const link::ErrRates r = line.rs.ErrRateRead(field[0] == 'H' ? Hex : Bcd, 0);
        EXPECT_EQ(r.raw, (std::array<int, 4>{raw, raw, raw, raw})) << field;
        EXPECT_EQ(r.rates, (std::array<int, 4>{rate, rate, rate, rate})) << field;
    }
    EXPECT_EQ(rows, 12) << "a row did not parse";
}

// Level blocks as the recorder sends them, from reply position 6, with their
// items (RF 0-3, EQ 4-25, EQ200 4-28); the head category is the kind's number.
struct LevelCase {
    link::LevelKind kind;
    std::string body;
    std::vector<int> items;
    int cate() const { return static_cast<int>(kind); }
    std::size_t first() const { return kind == Rf ? 0 : 4; }
    std::string code(bool set) const {
        return std::string("$") + "PBD"[cate()] + (set ? 'S' : 'R');
    }
};
const std::vector<LevelCase> kLevels{
    {Rf, "7F80FF00", {-1, 0, 127, -128}},
    {Eq,
     "0102031F000FA07FFF0080619F307C80817F85764E8A6C",
     {1, 2, 3, 31, 0, 4000, 127, 255, 0, 128, -31, 31, -80, -4, 0, 1, -1, 5, -10, -50, 10, -20}},
    {Eq200,
     "0300013F0003FF3F01FFC840030F000061A8287C619F80A84E28A77B",
     {3,   0,  1,   63, 0,   1023, 63, 1,  255, 200, 64, 3, 15,
      -31, 40, -88, -4, -31, 31,   0,  40, -50, -88, 39, -5}},
};

Row levelRow(const LevelCase& c, std::int16_t others) {
    Row row;
    row.fill(others);
    for (std::size_t i = 0; i < c.items.size(); ++i)
        row[c.first() + i] = static_cast<std::int16_t>(c.items[i]);
    return row;
}

// The frame LevelSet writes for `row`, or the error it raises.
std::pair<std::string, int> levelSet(const LevelCase& c, const Row& row, double* end = nullptr) {
    VirtualLine line;
    line.peer.reply(good(c.code(true)));
    const int error = errorOf([&] { line.rs.LevelSet(sel(c.cate(), 4, 2), c.kind, row); });
    if (end) *end = line.now();
    return {line.sent().empty() ? "" : line.sent()[0], error};
}

TEST(Commands, LevelBlocksAreReadAndWrittenInOneLayoutWithoutTheEq200Filler) {
    for (const LevelCase& c : kLevels) {
        SCOPED_TRACE(c.code(false));
        const char kindDigit = "012"[static_cast<int>(c.kind)];
        std::string body = c.body;
        if (c.kind == Eq200) body.replace(28, 4, "FFFF");  // the filler is not read
        VirtualLine line;
        line.peer.reply(good(c.code(false) + body));
        const link::LevelBlock block = line.rs.LevelRead(sel(c.cate(), 2, 1), c.kind);
        EXPECT_EQ(line.sent(), std::vector<std::string>{c.code(false) + ":21" + kindDigit});
        EXPECT_EQ(block.items, levelRow(c, 0));
        EXPECT_EQ(line.now(), kReplyMs);

        // Written, only the items of the block's kind go out: the others hold
        // values no field could take.
        double end = 0;
        EXPECT_EQ(
            levelSet(c, levelRow(c, 9999), &end),
            std::make_pair(
                c.code(true) + ":42" + kindDigit + ":" + c.body + (c.kind == Rf ? "0000" : ""), 0));
        EXPECT_EQ(end, kReplyMs + 1000);
    }
}

TEST(Commands, LevelReadTakesEachItemsLimitsAndRefusesCheckedItemsJustOutside) {
    struct Bound {
        link::LevelKind kind;
        std::vector<int> items;
        int low, high;  // the values allowed
    };
    const std::vector<Bound> bounds{
        {Eq, {4, 5, 6}, 0, 3},
        {Eq, {7, 8}, 0, 31},
        {Eq, {10}, 0, 127},
        {Eq, {11, 12, 13}, 0, 255},
        {Eq, {14, 15, 18, 19, 20, 21, 24, 25}, -31, 31},
        {Eq, {16, 17, 22, 23}, -80, -4},
        {Eq200, {4, 5, 6, 15}, 0, 3},
        {Eq200, {7, 8, 10, 11}, 0, 63},
        {Eq200, {9}, 0, 1023},
        {Eq200, {16}, 0, 15},
        {Eq200, {17, 22, 23, 28}, -31, 31},
        {Eq200, {18, 21, 24, 27}, -31, 40},
        {Eq200, {19, 20, 25, 26}, -88, -4},
        // Fields taken as they come: the limits are the field's own.
        {Rf, {0, 1, 2, 3}, -128, 127},
        {Eq, {9}, 0, 4095},
        {Eq200, {12, 13, 14}, 0, 255},
    };
    // `value` at the item's place in an otherwise good reply, written in the
    // layout LevelSet uses (its own test pins that layout to the bytes).
    auto probe = [](link::LevelKind kind, int item, int value, int readError) {
        const LevelCase& level = kLevels[static_cast<std::size_t>(kind)];
        SCOPED_TRACE(level.code(false) + " item " + std::to_string(item) + " = " +
                     std::to_string(value));
        Row row = levelRow(level, 0);
        row[static_cast<std::size_t>(item)] = static_cast<std::int16_t>(value);
        const auto [frame, setError] = levelSet(level, row);
        if (readError != 0 && setError == err::Overflow) return;  // the field cannot carry it
        ASSERT_EQ(setError, 0);
        VirtualLine line;
        line.peer.reply(good(level.code(false) + frame.substr(8)));
        link::LevelBlock block;
        EXPECT_EQ(errorOf([&] { block = line.rs.LevelRead(sel(level.cate(), 0, 0), kind); }),
                  readError);
        EXPECT_EQ(readError ? value : block.items[static_cast<std::size_t>(item)], value);
    };
    for (const Bound& b : bounds)
        for (int item : b.items) {
            probe(b.kind, item, b.low, 0);
            probe(b.kind, item, b.high, 0);
            probe(b.kind, item, b.low - 1, err::ValueRange);
            probe(b.kind, item, b.high + 1, err::ValueRange);
        }
}

TEST(Commands, ValuesThatDoNotFitTheirFieldAreOverflowAndNothingIsSent) {
    // Level block (3: a record value block), item and value.
    const std::vector<std::array<int, 3>> cases{
        {0, 0, 128},  {0, 3, -129}, {1, 4, 16},   {1, 7, 256}, {1, 9, 4096}, {1, 10, -1},
        {1, 25, 128}, {2, 16, 16},  {2, 14, 256}, {3, 1, 128}, {3, 2, -129}};
    for (const auto [level, item, value] : cases) {
        SCOPED_TRACE("block " + std::to_string(level) + " item " + std::to_string(item));
        if (level < 3) {
            const LevelCase& c = kLevels[static_cast<std::size_t>(level)];
            Row row = levelRow(c, 0);
            row[static_cast<std::size_t>(item)] = static_cast<std::int16_t>(value);
            double end = -1;
            EXPECT_EQ(levelSet(c, row, &end), std::make_pair(std::string(), +err::Overflow));
            EXPECT_EQ(end, 0);
            continue;
        }
        VirtualLine line;
        std::array<std::int16_t, link::RecItems> rec{};
        rec[static_cast<std::size_t>(item)] = static_cast<std::int16_t>(value);
        EXPECT_EQ(errorOf([&] { line.rs.RecValueSet(sel(0, 0, 0), item < 2 ? Curr : Freq, rec); }),
                  err::Overflow);
        EXPECT_TRUE(line.sent().empty());
        EXPECT_EQ(line.now(), 0);
    }
}

}  // namespace
}  // namespace rf::linktest

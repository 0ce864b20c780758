#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "link_fixture.h"

namespace rf::linktest {
namespace {

using link::AdjMode;
using link::AdjRunKind;
using link::ErrRateMode;
using link::LevelKind;
using link::RecKind;
using link::Rs;
using link::SearchMode;
using link::TimeCodeMode;

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

// One command with a good reply: the frame it writes, the reply text after the
// reply code, what it returns (as text) and its pause after the reply.
struct Exchange {
    std::function<std::string(Rs&)> call;
    std::string sent;
    std::string code;
    std::string data;
    std::string result;
    double pauseMs;
};

TEST(Commands, WriteTheirFrameDecodeTheReplyAndPauseAsTheRecorderNeeds) {
    const std::array<std::int16_t, link::RecItems> rec{-128, 127, 5, -6, 99};
    const std::vector<Exchange> cases{
        {[](Rs& rs) { return rs.SqRead(); }, "$SQ", "$SQ", ":123456789", "123456789", 0},
        {[](Rs& rs) { return rs.InduceRead(); }, "$DQ", "$DI", "0A5", "0A5", 0},
        {[](Rs& rs) { return std::to_string(rs.FrRead()); }, "$FR", "$FR", "B", "11", 0},
        {[](Rs& rs) { return rs.OasRead(); }, "QOD:81", "OAS", ":B", "ON", 0},
        {[](Rs& rs) { return rs.OasRead(); }, "QOD:81", "OAS", ":2", "OFF", 0},
        {[](Rs& rs) { return rs.StatusRead(); }, "QOD:11", "OAS", "84", "FF", 0},
        {[](Rs& rs) { return join(rs.QhrRead(0)); }, "QHR", "HTR", "0A1B2C", "0A,1B,2C", 0},
        {[](Rs& rs) { return join(rs.QhrRead(1)); }, "QHR:H", "HTR", "010203", "01,02,03", 0},
        {[](Rs& rs) { return join(rs.TimeCodeRead(TimeCodeMode::Tcr)); }, "QCD", "CD", ":023595924",
         "23,59,59,24", 0},
        {[](Rs& rs) { return join(rs.TimeCodeRead(TimeCodeMode::Tcg)); }, "QCS", "CTS", "01020304",
         "01,02,03,04", 0},
        {[](Rs& rs) { return join(rs.AdjRun(5, AdjRunKind::Env)); }, "$AR:52", "$AR", "1F80",
         "31,128", 0},
        {[](Rs& rs) { return rs.RemoteCheck(); }, "QOD:01", "OAS", ":0", "REMOTE", 0},
        {[](Rs& rs) { return rs.RemoteCheck(); }, "QOD:01", "OAS", ":1", "LOCAL", 0},
        {[](Rs& rs) { return join(rs.RecValueRead(sel(0, 1, 2), RecKind::Curr)); }, "$RR:120",
         "$RR", "7F81", "-1,1", 0},
        {[](Rs& rs) { return join(rs.RecValueRead(sel(0, 1, 2), RecKind::Freq)); }, "$RR:121",
         "$RR", "00FF", "-128,127", 0},
        {[](Rs& rs) { return rs.InduceSet("A12"), ""; }, "$DI:A12", "$DI", "", "", 500},
        {[](Rs& rs) { return rs.RmSet("1"), ""; }, "$RM:1", "$RM", "", "", 1000},
        {[](Rs& rs) { return rs.CtsSet("0"), ""; }, "CTS:0", "CTS", "", "", 500},
        {[](Rs& rs) { return rs.AdjModeSet(AdjMode::Start, 1, 0, 2, 17), ""; }, "$SA:1021", "$SA",
         "", "", 1000},
        {[](Rs& rs) { return rs.AdjModeSet(AdjMode::Stop), ""; }, "$ND", "$ND", "", "", 1000},
        {[](Rs& rs) { return rs.KsSet(true, 3, 12), ""; }, "$KS:13C", "$KS", "", "", 500},
        {[](Rs& rs) { return rs.KsSet(false, 0, 15), ""; }, "$KS:00F", "$KS", "", "", 500},
        {[](Rs& rs) { return join(rs.AdjRun(10, AdjRunKind::Vco)); }, "$AR:A0", "$AR", "", "0,0",
         2000},
        {[](Rs& rs) { return join(rs.AdjRun(2, AdjRunKind::Tap)); }, "$AR:21", "$AR", "", "0,0",
         2000},
        {[&](Rs& rs) { return rs.RecValueSet(sel(0, 3, 1), RecKind::Curr, rec), ""; },
         "$RS:310:00FF", "$RS", "", "", 500},
        {[&](Rs& rs) { return rs.RecValueSet(sel(0, 3, 1), RecKind::Freq, rec), ""; },
         "$RS:311:857A", "$RS", "", "", 500},
    };
    for (const Exchange& c : cases) {
        SCOPED_TRACE(c.sent + " -> " + c.code + c.data);
        VirtualLine line;
        line.peer.reply(good(c.code + c.data));
        std::string result;
        EXPECT_EQ(errorOf([&] { result = c.call(line.rs); }), 0);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(line.sent(), std::vector<std::string>{c.sent});
        EXPECT_EQ(line.now(), kReplyMs + c.pauseMs);

        // The whole reply code is required: one character off and it is another reply.
        std::string other = c.code;
        other.back() = '#';
        line.peer.replyTimes(6, good(other + c.data));
        EXPECT_EQ(errorOf([&] { c.call(line.rs); }), err::OtherReply);
        EXPECT_EQ(line.sent(), std::vector<std::string>(7, c.sent));
    }
}

TEST(Commands, IdReadReturnsTheWholeReplyTextAndRefusesAnEmptyOne) {
    VirtualLine line;
    line.peer.reply(good("ER-9 V1.2"));  // no reply code: anything after ACK STX is the text
    line.peer.reply(good("A"));
    line.peer.reply(good(""));
    EXPECT_EQ(line.rs.IdRead(), "ER-9 V1.2");
    EXPECT_EQ(line.rs.IdRead(), "A");
    EXPECT_EQ(errorOf([&] { line.rs.IdRead(); }), err::BadReply);
    EXPECT_EQ(line.sent(), std::vector<std::string>(3, "QID"));
}

TEST(Commands, ReplyFieldsMissingOrNotNumbersAreBadReplies) {
    struct Case {
        std::function<void(Rs&)> call;
        std::string reply;
        int error;
    };
    const std::vector<Case> cases{
        {[](Rs& rs) { rs.SqRead(); }, "$SQ:12345678", err::BadReply},  // the ETX is no field
        {[](Rs& rs) { rs.InduceRead(); }, "$DI0A", err::BadReply},
        {[](Rs& rs) { rs.FrRead(); }, "$FR", err::BadReply},
        {[](Rs& rs) { rs.FrRead(); }, "$FRG", err::BadReply},
        {[](Rs& rs) { rs.FrRead(); }, "$FRF", err::BadReply},  // 15 is no format
        {[](Rs& rs) { rs.OasRead(); }, "OAS:", err::BadReply},
        {[](Rs& rs) { rs.OasRead(); }, "OAS:X", err::BadReply},
        {[](Rs& rs) { rs.StatusRead(); }, "OAS8", err::BadReply},
        {[](Rs& rs) { rs.QhrRead(0); }, "HTR0A1B2", err::BadReply},
        {[](Rs& rs) { rs.TimeCodeRead(TimeCodeMode::Tcr); }, "CD:0235959", err::BadReply},
        {[](Rs& rs) { rs.TimeCodeRead(TimeCodeMode::Tcg); }, "CTS010203", err::BadReply},
        {[](Rs& rs) { rs.AdjRun(0, AdjRunKind::Env); }, "$AR1F8", err::BadReply},
        {[](Rs& rs) { rs.AdjRun(0, AdjRunKind::Env); }, "$AR1G80", err::BadReply},
        {[](Rs& rs) { rs.RemoteCheck(); }, "OAS:", err::BadReply},
        {[](Rs& rs) { rs.RemoteCheck(); }, "OAS:Z", err::BadReply},
        {[](Rs& rs) { rs.RemoteCheck(); }, "OAS:2", err::ValueRange},
        {[](Rs& rs) { rs.RecValueRead(sel(0, 0, 0), RecKind::Curr); }, "$RR7F8", err::BadReply},
        {[](Rs& rs) { rs.RecValueRead(sel(0, 0, 0), RecKind::Curr); }, "$RR7F-1", err::BadReply},
        {[](Rs& rs) { rs.ErrRateRead(ErrRateMode::Hex, 0); }, "$ER0014003800390041AABBCC",
         err::BadReply},
        {[](Rs& rs) { rs.ErrRateRead(ErrRateMode::Hex, 0); }, "$ER00G4003800390041AABBCCDD",
         err::BadReply},
        {[](Rs& rs) { rs.ErrRateRead(ErrRateMode::Bcd, 0); }, "$ER001A003800390041AABBCCDD",
         err::BadReply},
        {[](Rs& rs) { rs.LevelRead(sel(0, 0, 0), LevelKind::Rf); }, "$PR7F80FF", err::BadReply},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        VirtualLine line;
        line.peer.reply(good(c.reply));
        EXPECT_EQ(errorOf([&] { c.call(line.rs); }), c.error);
    }
}

TEST(Commands, StatusReadNamesEveryTransportState) {
    const std::map<std::string, std::string> states{
        {"A0", "STOP"},  {"81", "PLAY"},   {"88", "REW"},   {"84", "FF"},
        {"83", "REC"},   {"10", "EJECT"},  {"00", "EJECT"}, {"20", "STBOF"},
        {"60", "STBOF"}, {"82", "UNKNOW"}, {"a0", "UNKNOW"}};
    for (const auto& [code, text] : states) {
        SCOPED_TRACE(code);
        VirtualLine line;
        line.peer.reply(good("OAS" + code));
        EXPECT_EQ(line.rs.StatusRead(), text);
    }
}

TEST(Commands, TransportCtrlSendsTheModeCodeWaitsForItAndPausesHalfASecond) {
    const std::map<std::string, std::string> modes{
        {"STOP", "OSP"},  {"PLAY", "OPL"},   {"REC", "ORC"},   {"FF", "OFF"},
        {"REW", "ORW"},   {"EJECT", "OEJ"},  {"STBON", "OBN"}, {"STBOFF", "OBF"},
        {"TCSEL", "CTC"}, {"CTLSEL", "CTL"}, {"CTLRST", "CRT"}};
    for (const auto& [mode, code] : modes) {
        SCOPED_TRACE(mode);
        VirtualLine line;
        line.peer.reply(good(code));
        line.rs.TransportCtrl(mode);
        EXPECT_EQ(line.sent(), std::vector<std::string>{code});
        EXPECT_EQ(line.now(), kReplyMs + 500);

        std::string other = code;
        other.back() = '#';
        line.peer.replyTimes(6, good(other));
        EXPECT_EQ(errorOf([&] { line.rs.TransportCtrl(mode); }), err::OtherReply);
    }
    VirtualLine line;
    for (const char* mode : {"PAUSE", ""})
        EXPECT_EQ(errorOf([&] { line.rs.TransportCtrl(mode); }), err::InvalidCall) << mode;
    EXPECT_TRUE(line.sent().empty());
}

TEST(Commands, SearchSetIsAcknowledgedByALoneAckAndPausesOneSecond) {
    VirtualLine line;
    line.peer.reply(kAck);
    line.peer.reply(kAck);
    line.rs.SearchSet(SearchMode::Ctl, "00:12:34:56");
    EXPECT_EQ(line.now(), kReplyMs + 1000);
    line.rs.SearchSet(SearchMode::Tc, "01:02:03:04");
    EXPECT_EQ(line.now(), 2 * (kReplyMs + 1000));
    EXPECT_EQ(line.sent(), (std::vector<std::string>{"SRS:L00:12:34:56", "SRS:S01:02:03:04"}));
}

TEST(Commands, RemoteCheckAfterSixFailuresJudgesTheLastReply) {
    const std::string nak = kNak;
    struct Case {
        std::vector<std::string> replies;  // an empty string: no reply
        int error;
        std::string result;
        double end;
    };
    const std::vector<Case> cases{
        {{6, good("ER")}, 0, "LOCAL", 6},
        {{6, good("ER::0")}, 0, "REMOTE", 6},  // position 7 overrides
        {{6, good("ER::1")}, 0, "LOCAL", 6},
        {{6, good("ER::7")}, 0, "LOCAL", 6},
        {{6, good("XYZ:0")}, err::OtherReply, "", 6},
        {{6, nak}, err::AckReceive, "", 12006},
        {{good("ER"), good("ER"), good("ER"), good("ER"), good("ER"), nak},
         err::AckReceive,
         "",
         2006},
        {{""}, err::TimeOver, "", 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(join(c.replies));
        VirtualLine line;
        for (const auto& r : c.replies)
            r.empty() ? line.peer.silence() : line.peer.reply(r);
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
    const link::ErrRates worked = line.rs.ErrRateRead(ErrRateMode::Hex, 3);
    EXPECT_EQ(line.sent(), std::vector<std::string>{"$ER:3"});
    EXPECT_EQ(worked.raw, (std::array<int, 4>{20, 56, 56, 20}));
    EXPECT_EQ(worked.rates, (std::array<int, 4>{18, 0, 0, 18}));
    EXPECT_EQ(worked.marks, (std::array<std::string, 4>{"AA", "BB", "CC", "DD"}));

    struct Case {
        ErrRateMode mode;
        const char* field;
        int raw;
        int rate;
    };
    const auto hex = ErrRateMode::Hex;
    const auto bcd = ErrRateMode::Bcd;
    for (const Case& c : std::vector<Case>{{hex, "0015", 21, 18},
                                           {hex, "0016", 22, 17},
                                           {hex, "0017", 23, 16},
                                           {hex, "0019", 25, 16},
                                           {hex, "0035", 53, 2},
                                           {hex, "0037", 55, 0},
                                           {hex, "000F", 20, 18},
                                           {hex, "0010", 20, 18},
                                           {hex, "0013", 20, 18},
                                           {hex, "0040", 56, 0},
                                           {hex, "0041", 20, 18},
                                           {hex, "FFFF", 20, 18},
                                           {bcd, "0021", 21, 18},
                                           {bcd, "0040", 40, 8},
                                           {bcd, "0057", 56, 0},
                                           {bcd, "0064", 56, 0},
                                           {bcd, "0065", 20, 18},
                                           {bcd, "0015", 20, 18}}) {
        SCOPED_TRACE(std::string(c.mode == hex ? "HEX " : "BCD ") + c.field);
        const std::string f = c.field;
        line.peer.reply(good("$ER" + f + f + f + f + "01020304"));
        const link::ErrRates r = line.rs.ErrRateRead(c.mode, 0);
        EXPECT_EQ(r.raw, (std::array<int, 4>{c.raw, c.raw, c.raw, c.raw}));
        EXPECT_EQ(r.rates, (std::array<int, 4>{c.rate, c.rate, c.rate, c.rate}));
    }
}

// Level blocks as the recorder sends them, from reply position 6, with their items.
const std::string kRfBody = "7F80FF00";
const std::vector<int> kRfItems{-1, 0, 127, -128};  // items 0-3
const std::string kEqBody =
    "010203"
    "1F00"
    "0FA0"
    "7FFF0080"
    "619F307C80817F85764E8A6C";
const std::vector<int> kEqItems{1,  2,   3,  31, 0, 4000, 127, 255, 0,   128, -31,
                                31, -80, -4, 0,  1, -1,   5,   -10, -50, 10,  -20};  // 4-25
const std::string kEq200Body =
    "030001"
    "3F00"
    "03FF"
    "3F01FFC840"
    "030F"
    "0000"
    "61A8287C619F80A84E28A77B";
const std::vector<int> kEq200Items{3,   0,  1,   63, 0,   1023, 63, 1,  255, 200, 64, 3, 15,
                                   -31, 40, -88, -4, -31, 31,   0,  40, -50, -88, 39, -5};  // 4-28

struct LevelCase {
    LevelKind kind;
    int cate;
    std::string readCode, setCode;
    std::string body;
    std::size_t first;
    std::vector<int> items;
};
const std::vector<LevelCase> kLevels{
    {LevelKind::Rf, 0, "$PR", "$PS", kRfBody, 0, kRfItems},
    {LevelKind::Eq, 1, "$BR", "$BS", kEqBody, 4, kEqItems},
    {LevelKind::Eq200, 2, "$DR", "$DS", kEq200Body, 4, kEq200Items},
};

std::array<std::int16_t, link::LevelItems> levelRow(const LevelCase& c, std::int16_t others) {
    std::array<std::int16_t, link::LevelItems> row;
    row.fill(others);
    for (std::size_t i = 0; i < c.items.size(); ++i)
        row[c.first + i] = static_cast<std::int16_t>(c.items[i]);
    return row;
}

TEST(Commands, LevelReadDecodesEachBlockLayout) {
    for (const LevelCase& c : kLevels) {
        SCOPED_TRACE(c.readCode);
        VirtualLine line;
        line.peer.reply(good(c.readCode + c.body));
        const link::LevelBlock block = line.rs.LevelRead(sel(c.cate, 2, 1), c.kind);
        const char kindDigit = "012"[static_cast<int>(c.kind)];
        EXPECT_EQ(line.sent(), std::vector<std::string>{c.readCode + ":21" + kindDigit});
        EXPECT_EQ(block.kind, c.kind);
        EXPECT_EQ(block.items, levelRow(c, 0));
        EXPECT_EQ(line.now(), kReplyMs);
    }
}

// Where an item of an EQ or EQ200 block stands in the reply, and its field.
enum class FieldKind { OneDigit, TwoHex, ZeroThreeHex, Signed };
struct Spot {
    std::size_t pos;
    FieldKind field;
};
Spot spotOf(LevelKind kind, int item) {
    auto at = [](int first, std::size_t pos, int i) {
        return pos + 2 * static_cast<std::size_t>(i - first);
    };
    if (item <= 6) return {at(4, 6, item), FieldKind::OneDigit};
    if (item <= 8) return {at(7, 12, item), FieldKind::TwoHex};
    if (item == 9) return {16, FieldKind::ZeroThreeHex};
    if (kind == LevelKind::Eq)
        return item <= 13 ? Spot{at(10, 20, item), FieldKind::TwoHex}
                          : Spot{at(14, 28, item), FieldKind::Signed};
    if (item <= 14) return {at(10, 20, item), FieldKind::TwoHex};
    if (item <= 16) return {at(15, 30, item), FieldKind::OneDigit};
    return {at(17, 38, item), FieldKind::Signed};
}
std::string fieldText(FieldKind field, int v) {
    char out[8];
    switch (field) {
        case FieldKind::OneDigit:
            std::snprintf(out, sizeof out, "0%X", v);
            break;
        case FieldKind::TwoHex:
            std::snprintf(out, sizeof out, "%02X", v);
            break;
        case FieldKind::ZeroThreeHex:
            std::snprintf(out, sizeof out, "%04X", v);
            break;
        case FieldKind::Signed:
            std::snprintf(out, sizeof out, "%02X", v + 128);
            break;
    }
    return out;
}

bool fits(FieldKind field, int v) {
    switch (field) {
        case FieldKind::OneDigit:
            return v >= 0 && v <= 15;
        case FieldKind::TwoHex:
            return v >= 0 && v <= 255;
        case FieldKind::ZeroThreeHex:
            return v >= 0 && v <= 4095;
        case FieldKind::Signed:
            return v >= -128 && v <= 127;
    }
    return false;
}

TEST(Commands, LevelReadRefusesAnyCheckedItemOutsideItsRange) {
    struct Bound {
        LevelKind kind;
        std::vector<int> items;
        int low, high;  // the values allowed
    };
    const auto eq = LevelKind::Eq;
    const auto eq200 = LevelKind::Eq200;
    const std::vector<Bound> bounds{
        {eq, {4, 5, 6}, 0, 3},
        {eq, {7, 8}, 0, 31},
        {eq, {10}, 0, 127},
        {eq, {11, 12, 13}, 0, 255},
        {eq, {14, 15, 18, 19, 20, 21, 24, 25}, -31, 31},
        {eq, {16, 17, 22, 23}, -80, -4},
        {eq200, {4, 5, 6, 15}, 0, 3},
        {eq200, {7, 8, 10, 11}, 0, 63},
        {eq200, {9}, 0, 1023},
        {eq200, {16}, 0, 15},
        {eq200, {17, 22, 23, 28}, -31, 31},
        {eq200, {18, 21, 24, 27}, -31, 40},
        {eq200, {19, 20, 25, 26}, -88, -4},
    };
    // Each value of `probe` at the item's place in an otherwise good reply.
    auto probe = [](LevelKind kind, int item, int value, int error) {
        const LevelCase& level = kLevels[static_cast<std::size_t>(kind)];
        const Spot spot = spotOf(kind, item);
        const std::string text = fieldText(spot.field, value);
        SCOPED_TRACE(level.readCode + " item " + std::to_string(item) + " = " +
                     std::to_string(value) + " (" + text + ")");
        std::string body = level.body;
        body.replace(spot.pos - 6, text.size(), text);
        VirtualLine line;
        line.peer.reply(good(level.readCode + body));
        link::LevelBlock block;
        EXPECT_EQ(errorOf([&] { block = line.rs.LevelRead(sel(level.cate, 0, 0), kind); }), error);
        if (error == 0) {
            EXPECT_EQ(block.items[static_cast<std::size_t>(item)], value);
        }
    };
    for (const Bound& b : bounds)
        for (int item : b.items) {
            probe(b.kind, item, b.low, 0);
            probe(b.kind, item, b.high, 0);
            // Just outside the range, where the field can carry such a value.
            const FieldKind field = spotOf(b.kind, item).field;
            if (fits(field, b.low - 1)) probe(b.kind, item, b.low - 1, err::ValueRange);
            if (fits(field, b.high + 1)) probe(b.kind, item, b.high + 1, err::ValueRange);
        }
    // Fields taken as they come.
    probe(eq, 9, 4000, 0);
    probe(eq, 9, 4095, 0);
    for (int item : {12, 13, 14})
        probe(eq200, item, 255, 0);
}

TEST(Commands, LevelReadIgnoresTheEq200FillerAndChecksNoRfItem) {
    VirtualLine line;
    std::string eq200 = kEq200Body;
    eq200.replace(34 - 6, 4, "FFFF");
    line.peer.reply(good("$DR" + eq200));
    EXPECT_EQ(line.rs.LevelRead(sel(2, 0, 0), LevelKind::Eq200).items, levelRow(kLevels[2], 0));
    line.peer.reply(good("$PR00FF8000"));
    const auto rf = line.rs.LevelRead(sel(0, 0, 0), LevelKind::Rf).items;
    EXPECT_EQ(std::vector<int>(rf.begin(), rf.begin() + 4), (std::vector<int>{-128, 127, 0, -128}));
}

TEST(Commands, LevelSetWritesOnlyTheItemsOfItsKindInTheReadLayout) {
    for (const LevelCase& c : kLevels) {
        SCOPED_TRACE(c.setCode);
        VirtualLine line;
        line.peer.reply(good(c.setCode));
        // Items of other kinds hold values no field could take.
        line.rs.LevelSet(sel(c.cate, 4, 2), c.kind, levelRow(c, 9999));
        const char kindDigit = "012"[static_cast<int>(c.kind)];
        const std::string filler = c.kind == LevelKind::Rf ? "0000" : "";
        EXPECT_EQ(line.sent(),
                  std::vector<std::string>{c.setCode + ":42" + kindDigit + ":" + c.body + filler});
        EXPECT_EQ(line.now(), kReplyMs + 1000);
    }
}

TEST(Commands, ValuesThatDoNotFitTheirFieldAreOverflowAndNothingIsSent) {
    struct Case {
        const char* what;
        std::size_t level;  // index in kLevels, or 3 for a record value block
        std::size_t item;
        std::int16_t value;
    };
    for (const Case& c : std::vector<Case>{{"RF signed byte", 0, 0, 128},
                                           {"RF signed byte", 0, 3, -129},
                                           {"EQ one digit", 1, 4, 16},
                                           {"EQ two hex", 1, 7, 256},
                                           {"EQ three hex", 1, 9, 4096},
                                           {"EQ negative hex", 1, 10, -1},
                                           {"EQ signed byte", 1, 25, 128},
                                           {"EQ200 one digit", 2, 16, 16},
                                           {"EQ200 two hex", 2, 14, 256},
                                           {"record CURR", 3, 1, 128},
                                           {"record FREQ", 3, 2, -129}}) {
        SCOPED_TRACE(std::string(c.what) + " item " + std::to_string(c.item));
        VirtualLine line;
        line.peer.setDefault([](const std::string& text) {
            return ScriptedPeer::Response{good(text.substr(0, 3))};
        });
        int error = 0;
        if (c.level < kLevels.size()) {
            auto row = levelRow(kLevels[c.level], 0);
            row[c.item] = c.value;
            error = errorOf([&] {
                line.rs.LevelSet(sel(kLevels[c.level].cate, 0, 0), kLevels[c.level].kind, row);
            });
        } else {
            std::array<std::int16_t, link::RecItems> rec{};
            rec[c.item] = c.value;
            error = errorOf([&] {
                line.rs.RecValueSet(sel(0, 0, 0), c.item < 2 ? RecKind::Curr : RecKind::Freq, rec);
            });
        }
        EXPECT_EQ(error, err::Overflow);
        EXPECT_TRUE(line.sent().empty());
        EXPECT_EQ(line.now(), 0);
    }
}

}  // namespace
}  // namespace rf::linktest

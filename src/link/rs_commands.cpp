#include "link/rs_commands.h"

#include <cmath>
#include <vector>

#include "core/errors.h"

namespace rf::link {

namespace {

// Cuts fields out of a reply. Positions count from 1 at the ACK. A field that
// lies past the reply text, or that is not a number of its kind, means the reply
// is not what the command expects: error 205, never a silent zero.
class Reply {
  public:
    explicit Reply(const std::string& bytes) : r_(bytes) {
        textEnd_ = r_.size() - (!r_.empty() && r_.back() == EtxCode ? 1 : 0);
    }
    std::string mid(std::size_t p, std::size_t n) const {
        if (p < 1 || p + n - 1 > textEnd_) Raise(err::BadReply, "reply too short");
        return r_.substr(p - 1, n);
    }
    int hex(std::size_t p, std::size_t n) const {
        int v = 0;
        for (char c : mid(p, n)) {
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                           : -1;
            if (d < 0) Raise(err::BadReply, "not a hexadecimal field");
            v = v * 16 + d;
        }
        return v;
    }
    int dec(std::size_t p, std::size_t n) const {
        int v = 0;
        for (char c : mid(p, n)) {
            if (c < '0' || c > '9') Raise(err::BadReply, "not a decimal field");
            v = v * 10 + (c - '0');
        }
        return v;
    }
    int signedByte(std::size_t p) const { return hex(p, 2) - 128; }
    std::size_t textEnd() const { return textEnd_; }

  private:
    const std::string& r_;
    std::size_t textEnd_;
};

// Layout of one item inside an EQ or EQ200 level block.
enum class Field { OneDigit, TwoHex, Item9, Signed };
struct ItemField {
    int item;
    Field field;
};
struct Range {
    int low, high;
    bool checked;
};

// What a field carries as LevelRead reads it.
ValueLimits fieldLimits(Field f) {
    switch (f) {
        case Field::OneDigit:
            return {0, 15};
        case Field::TwoHex:
            return {0, 255};
        case Field::Item9:
            return {0, 4095};
        case Field::Signed:
            break;
    }
    return SignedByteLimits;
}

// Characters a field takes on the line.
int fieldWidth(Field f) {
    return f == Field::Item9 ? 4 : 2;
}

// Items in their order on the line (the EQ200 block has four filler characters
// after item 16).
std::vector<ItemField> layout(LevelKind kind) {
    std::vector<ItemField> out;
    auto add = [&](int first, int last, Field f) {
        for (int i = first; i <= last; ++i)
            out.push_back({i, f});
    };
    switch (kind) {
        case LevelKind::Rf:
            add(0, 3, Field::Signed);
            break;
        case LevelKind::Eq:
            add(4, 6, Field::OneDigit);
            add(7, 8, Field::TwoHex);
            add(9, 9, Field::Item9);
            add(10, 13, Field::TwoHex);
            add(14, 25, Field::Signed);
            break;
        case LevelKind::Eq200:
            add(4, 6, Field::OneDigit);
            add(7, 8, Field::TwoHex);
            add(9, 9, Field::Item9);
            add(10, 14, Field::TwoHex);
            add(15, 16, Field::OneDigit);
            add(17, 28, Field::Signed);
            break;
    }
    return out;
}

// The filler of the EQ200 block sits after item 16.
constexpr int Eq200FillerAfter = 16;

Range allowed(LevelKind kind, int item) {
    auto in = [item](std::initializer_list<int> items) {
        for (int i : items)
            if (i == item) return true;
        return false;
    };
    if (kind == LevelKind::Eq) {
        if (in({4, 5, 6})) return {0, 3, true};
        if (in({7, 8})) return {0, 31, true};
        if (in({10})) return {0, 127, true};
        if (in({11, 12, 13})) return {0, 255, true};
        if (in({14, 15, 18, 19, 20, 21, 24, 25})) return {-31, 31, true};
        if (in({16, 17, 22, 23})) return {-80, -4, true};
    } else if (kind == LevelKind::Eq200) {
        if (in({4, 5, 6, 15})) return {0, 3, true};
        if (in({7, 8, 10, 11})) return {0, 63, true};
        if (in({9})) return {0, 1023, true};
        if (in({16})) return {0, 15, true};
        if (in({17, 22, 23, 28})) return {-31, 31, true};
        if (in({18, 21, 24, 27})) return {-31, 40, true};
        if (in({19, 20, 25, 26})) return {-88, -4, true};
    }
    return {0, 0, false};
}

ValueLimits itemLimits(LevelKind kind, const ItemField& f) {
    const Range range = allowed(kind, f.item);
    return range.checked ? ValueLimits{range.low, range.high} : fieldLimits(f.field);
}

std::string levelCode(int cate, bool set) {
    switch (cate) {
        case 0:
            return set ? "$PS" : "$PR";
        case 1:
            return set ? "$BS" : "$BR";
        case 2:
            return set ? "$DS" : "$DR";
        default:
            Raise(err::InvalidCall, "no level block for head category " + std::to_string(cate));
    }
}

char levelKindDigit(LevelKind kind) {
    return kind == LevelKind::Rf ? '0' : kind == LevelKind::Eq ? '1' : '2';
}

// A value written into a field of `digits` hex digits must fit it.
std::string hexField(int v, int digits) {
    if (v < 0 || v >= (1 << (4 * digits)))
        Raise(err::Overflow, std::to_string(v) + " does not fit a field of " +
                                 std::to_string(digits) + " hex digits");
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, v >>= 4)
        out[static_cast<std::size_t>(i)] = hex[v & 15];
    return out;
}

}  // namespace

char hexDigit(int n) {
    return "0123456789ABCDEF"[n & 15];
}

std::string twoHex(int n) {
    return {hexDigit(n >> 4), hexDigit(n)};
}

ValueLimits levelItemLimits(LevelKind kind, int item) {
    for (const ItemField& f : layout(kind))
        if (f.item == item) return itemLimits(kind, f);
    Raise(err::InvalidCall, "no item " + std::to_string(item) + " in this level block");
}

std::string signedByte(int v) {
    if (v < SignedByteLimits.low || v > SignedByteLimits.high)
        Raise(err::Overflow, std::to_string(v) + " does not fit a signed byte");
    return twoHex(v + 128);
}

std::pair<std::size_t, std::size_t> LevelBlock::itemRange(LevelKind kind) {
    switch (kind) {
        case LevelKind::Rf:
            return {0, 3};
        case LevelKind::Eq:
            return {4, 25};
        case LevelKind::Eq200:
            return {4, 28};
    }
    return {0, 0};
}

void LevelBlock::applyTo(std::span<std::int16_t, LevelItems> row) const {
    auto [first, last] = itemRange(kind);
    for (std::size_t i = first; i <= last; ++i)
        row[i] = items[i];
}

std::string statusText(std::string_view code) {
    if (code == "A0") return "STOP";
    if (code == "81") return "PLAY";
    if (code == "88") return "REW";
    if (code == "84") return "FF";
    if (code == "83") return "REC";
    if (code == "10" || code == "00") return "EJECT";
    if (code == "20" || code == "60") return "STBOF";
    return "UNKNOW";
}

std::string rmParam(bool errorRates, std::string_view modeDigit, std::string_view closing) {
    std::string param = errorRates ? "000100" : "000000";
    param += modeDigit;
    param += closing;
    return param;
}

namespace {
// Each transport mode's name and command code, in the order of Transport.
// A mode's name, its command code and the status StatusRead reports once the
// recorder is there (none for the counter's settings and standby on).
struct TransportMode {
    std::string_view name, code, status;
};
constexpr TransportMode transportModes[] = {
    {"STOP", "OSP", "STOP"}, {"PLAY", "OPL", "PLAY"},    {"REC", "ORC", "REC"},
    {"FF", "OFF", "FF"},     {"REW", "ORW", "REW"},      {"EJECT", "OEJ", "EJECT"},
    {"STBON", "OBN", ""},    {"STBOFF", "OBF", "STBOF"}, {"TCSEL", "CTC", ""},
    {"CTLSEL", "CTL", ""},   {"CTLRST", "CRT", ""},
};

const TransportMode& transportMode(Transport mode) {
    return transportModes[static_cast<std::size_t>(mode)];
}

// The transport command code of a mode ("OSP" for Stop, ...).
std::string_view transportCode(Transport mode) {
    return transportMode(mode).code;
}
}  // namespace

std::string_view transportName(Transport mode) {
    return transportMode(mode).name;
}

std::string_view transportStatus(Transport mode) {
    return transportMode(mode).status;
}

const std::string& Rs::send(std::string_view cmd, std::string_view params,
                            std::string_view replyCode) {
    return link_.exchange(std::string(cmd) + std::string(params), replyCode);
}

std::string Rs::IdRead() {
    const std::string& r = send("QID", "", "");
    if (r.size() < 4) Raise(err::BadReply, "identification reply too short");
    return r.substr(2, r.size() - 3);
}

std::string Rs::SqRead() {
    return Reply(send("$SQ", "", "$SQ")).mid(7, 9);
}

std::string Rs::InduceRead() {
    return Reply(send("$DQ", "", "$DI")).mid(6, 3);
}

void Rs::InduceSet(std::string_view code) {
    send("$DI", ":" + std::string(code), "$DI");
    link_.RsWait(500);
}

int Rs::FrRead() {
    int value = Reply(send("$FR", "", "$FR")).hex(6, 1);
    if (value == 15) Raise(err::BadReply, "format value F");
    return value;
}

void Rs::RmSet(std::string_view value) {
    send("$RM", ":" + std::string(value), "$RM");
    link_.RsWait(1000);
}

void Rs::CtsSet(std::string_view value) {
    send("CTS", ":" + std::string(value), "CTS");
    link_.RsWait(500);
}

void Rs::AdjModeSet(AdjMode mode, int a, int b, int c, int d) {
    if (mode == AdjMode::Start)
        send("$SA", std::string(":") + hexDigit(a) + hexDigit(b) + hexDigit(c) + hexDigit(d),
             "$SA");
    else
        send("$ND", "", "$ND");
    adjModeOn_ = mode == AdjMode::Start;
    link_.RsWait(1000);
}

void Rs::KsSet(bool on, int a, int b) {
    send("$KS", std::string(on ? ":1" : ":0") + hexDigit(a) + hexDigit(b), "$KS");
    link_.RsWait(500);
}

std::string Rs::OasRead() {
    return (Reply(send("QOD", ":81", "OAS")).hex(7, 1) & 1) ? "ON" : "OFF";
}

std::string Rs::StatusRead() {
    return statusText(Reply(send("QOD", ":11", "OAS")).mid(6, 2));
}

std::array<std::string, 3> Rs::QhrRead(int mode) {
    Reply r(send("QHR", mode == 1 ? ":H" : "", "HTR"));
    std::array<std::string, 3> out;
    for (std::size_t i = 0; i < 3; ++i)
        out[i] = r.mid(6 + 2 * i, 2);
    return out;
}

std::array<std::string, 4> Rs::TimeCodeRead(TimeCodeMode mode) {
    const bool tcr = mode == TimeCodeMode::Tcr;
    Reply r(link_.exchange(tcr ? "QCD" : "QCS", tcr ? "CD" : "CTS"));
    std::array<std::string, 4> out;
    for (std::size_t i = 0; i < 4; ++i)
        out[i] = r.mid((tcr ? 7 : 6) + 2 * i, 2);
    return out;
}

void Rs::TransportCtrl(Transport mode) {
    const std::string_view code = transportCode(mode);
    link_.exchange(code, code);
    link_.RsWait(500);
}

std::array<int, 2> Rs::AdjRun(int channel, AdjRunKind kind) {
    const char k = kind == AdjRunKind::Vco ? '0' : kind == AdjRunKind::Tap ? '1' : '2';
    const std::string& reply = send("$AR", std::string(":") + hexDigit(channel) + k, "$AR");
    if (kind == AdjRunKind::Env) {
        Reply r(reply);
        return {r.hex(6, 2), r.hex(8, 2)};
    }
    link_.RsWait(2000);
    return {0, 0};
}

void Rs::SearchSet(SearchMode mode, std::string_view value) {
    link_.exchangeAckOnly((mode == SearchMode::Ctl ? "SRS:L" : "SRS:S") + std::string(value));
}

std::string Rs::RemoteCheck() {
    const std::string& reply = link_.reply();
    if (link_.exchangeAttempts("QOD:01", "OAS")) {
        int x = Reply(reply).hex(7, 1);
        if (x > 1) Raise(err::ValueRange, "remote state " + std::to_string(x));
        return x == 0 ? "REMOTE" : "LOCAL";
    }
    if (!link_.state().RsAckFlag) Raise(err::AckReceive);
    if (reply.find(ErrHead) == std::string::npos) Raise(err::OtherReply);
    // A recorder in local mode answers with an error reply; a 0 or 1 where the
    // state stands in a good reply still decides.
    if (reply.size() >= 8) {
        if (reply[6] == '0') return "REMOTE";
        if (reply[6] == '1') return "LOCAL";
    }
    return "LOCAL";
}

ErrRates Rs::ErrRateRead(ErrRateMode mode, int channel) {
    Reply r(send("$ER", std::string(":") + hexDigit(channel), "$ER"));
    ErrRates out;
    for (std::size_t i = 0; i < 4; ++i) {
        int raw = mode == ErrRateMode::Hex ? r.hex(6 + 4 * i, 4) : r.dec(6 + 4 * i, 4);
        if (raw > 64 || raw < 16) raw = 20;
        if (raw > 56) raw = 56;
        if (raw < 20) raw = 20;
        out.raw[i] = raw;
        // Rounded with halves to the even neighbour (the default rounding mode).
        out.rates[i] = static_cast<int>(std::nearbyint(28.0f - static_cast<float>(raw) * 0.5f));
    }
    for (std::size_t i = 0; i < 4; ++i)
        out.marks[i] = r.mid(22 + 2 * i, 2);
    return out;
}

std::array<std::int16_t, 2> Rs::RecValueRead(const BlockSel& sel, RecKind kind) {
    Reply r(send("$RR",
                 std::string(":") + hexDigit(sel.SHeadKind) + hexDigit(sel.SHeadCh) +
                     (kind == RecKind::Curr ? '0' : '1'),
                 "$RR"));
    return {static_cast<std::int16_t>(r.signedByte(6)), static_cast<std::int16_t>(r.signedByte(8))};
}

void Rs::RecValueSet(const BlockSel& sel, RecKind kind,
                     std::span<const std::int16_t, RecItems> items) {
    const std::size_t first = kind == RecKind::Curr ? 0 : 2;
    std::string params = std::string(":") + hexDigit(sel.SHeadKind) + hexDigit(sel.SHeadCh) +
                         (kind == RecKind::Curr ? "0:" : "1:") + signedByte(items[first]) +
                         signedByte(items[first + 1]);
    send("$RS", params, "$RS");
    link_.RsWait(500);
}

LevelBlock Rs::LevelRead(const BlockSel& sel, LevelKind kind) {
    const std::string code = levelCode(sel.SHeadCate, false);
    Reply r(send(
        code,
        std::string(":") + hexDigit(sel.SHeadKind) + hexDigit(sel.SHeadCh) + levelKindDigit(kind),
        code));
    LevelBlock block;
    block.kind = kind;
    std::size_t pos = 6;
    for (const ItemField& f : layout(kind)) {
        int v = 0;
        switch (f.field) {
            case Field::OneDigit:
                v = r.hex(pos + 1, 1);
                break;
            case Field::TwoHex:
                v = r.hex(pos, 2);
                break;
            case Field::Item9:
                v = r.hex(pos + 1, 3);
                break;
            case Field::Signed:
                v = r.signedByte(pos);
                break;
        }
        const ValueLimits limits = itemLimits(kind, f);
        if (v < limits.low || v > limits.high)
            Raise(err::ValueRange,
                  "item " + std::to_string(f.item) + " = " + std::to_string(v) + " out of range");
        block.items[static_cast<std::size_t>(f.item)] = static_cast<std::int16_t>(v);
        pos += static_cast<std::size_t>(fieldWidth(f.field));
        if (kind == LevelKind::Eq200 && f.item == Eq200FillerAfter) pos += 4;
    }
    return block;
}

void Rs::LevelSet(const BlockSel& sel, LevelKind kind,
                  std::span<const std::int16_t, LevelItems> items) {
    const std::string code = levelCode(sel.SHeadCate, true);
    std::string params = std::string(":") + hexDigit(sel.SHeadKind) + hexDigit(sel.SHeadCh) +
                         levelKindDigit(kind) + ":";
    for (const ItemField& f : layout(kind)) {
        int v = items[static_cast<std::size_t>(f.item)];
        switch (f.field) {
            case Field::OneDigit:
                params += "0" + hexField(v, 1);
                break;
            case Field::TwoHex:
                params += hexField(v, 2);
                break;
            case Field::Item9:
                params += "0" + hexField(v, 3);
                break;
            case Field::Signed:
                params += signedByte(v);
                break;
        }
        if (kind == LevelKind::Eq200 && f.item == Eq200FillerAfter) params += "0000";
    }
    if (kind == LevelKind::Rf) params += "0000";
    send(code, params, code);
    link_.RsWait(1000);
}

}  // namespace rf::link

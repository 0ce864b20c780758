#include "sim/recorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/timecode.h"

namespace rf::sim {

namespace {

constexpr char Ack = '\x06';
constexpr char Stx = '\x02';
constexpr char Etx = '\x03';
constexpr char Nak = '\x15';
constexpr Micros Turnaround{2000};
constexpr Micros SlowDelay{6'000'000};
constexpr Micros SplitGap{20'000};
constexpr Micros StaleDelay{100'000};

std::string good(const std::string& text) {
    return std::string{Ack, Stx} + text + Etx;
}
// Error replies: 01 unknown command, 02 not in remote, 03 not possible now,
// 04 bad parameters, 05 refused.
std::string errorReply(const char* code) {
    return good(std::string("ER") + code);
}

char hexDigit(int n) {
    return "0123456789ABCDEF"[n & 15];
}
std::string hex2(int n) {
    return {hexDigit(n >> 4), hexDigit(n)};
}
std::string signedByte(int v) {
    return hex2(std::clamp(v, -128, 127) + 128);
}
std::string dec2(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n % 100);
    return buf;
}

std::optional<int> hexValue(std::string_view s) {
    if (s.empty()) return std::nullopt;
    int v = 0;
    for (char c : s) {
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return std::nullopt;
        v = v * 16 + d;
    }
    return v;
}

// How the items of a level block stand on the line.
enum class Field { Digit, Hex2, Item9, Signed, Filler };
struct Slot {
    int item;
    Field field;
};
std::vector<Slot> slots(int kind) {
    std::vector<Slot> out;
    auto add = [&](int a, int b, Field f) {
        for (int i = a; i <= b; ++i)
            out.push_back({i, f});
    };
    if (kind == 0) {
        add(0, 3, Field::Signed);
        out.push_back({-1, Field::Filler});
    } else if (kind == 1) {
        add(4, 6, Field::Digit);
        add(7, 8, Field::Hex2);
        add(9, 9, Field::Item9);
        add(10, 13, Field::Hex2);
        add(14, 25, Field::Signed);
    } else {
        add(4, 6, Field::Digit);
        add(7, 8, Field::Hex2);
        add(9, 9, Field::Item9);
        add(10, 14, Field::Hex2);
        add(15, 16, Field::Digit);
        out.push_back({-1, Field::Filler});
        add(17, 28, Field::Signed);
    }
    return out;
}
std::size_t width(Field f) {
    return f == Field::Item9 || f == Field::Filler ? 4 : 2;
}

std::string encode(const LevelItems& b, int kind) {
    std::string out;
    for (const Slot& s : slots(kind)) {
        const int v = s.item < 0 ? 0 : b[static_cast<std::size_t>(s.item)];
        switch (s.field) {
            case Field::Digit:
                out += std::string("0") + hexDigit(v);
                break;
            case Field::Hex2:
                out += hex2(v);
                break;
            case Field::Item9:
                out += {'0', hexDigit(v >> 8), hexDigit(v >> 4), hexDigit(v)};
                break;
            case Field::Signed:
                out += signedByte(v);
                break;
            case Field::Filler:
                out += "0000";
                break;
        }
    }
    return out;
}

// Reads a level block written by the tool; nothing when it does not fit the layout.
std::optional<LevelItems> decode(std::string_view text, int kind, LevelItems into) {
    std::size_t pos = 0;
    for (const Slot& s : slots(kind)) {
        const std::size_t w = width(s.field);
        if (pos + w > text.size()) return std::nullopt;
        auto field = text.substr(pos, w);
        pos += w;
        if (s.field == Field::Filler) continue;
        auto v =
            hexValue(s.field == Field::Digit || s.field == Field::Item9 ? field.substr(1) : field);
        if (!v) return std::nullopt;
        into[static_cast<std::size_t>(s.item)] =
            static_cast<std::int16_t>(s.field == Field::Signed ? *v - 128 : *v);
    }
    if (pos != text.size()) return std::nullopt;
    return into;
}

int standardRpm(int fmt) {
    switch (fmt) {
        case 1:
            return 0;
        case 2:
            return 5;
        case 3:
            return 6;
        default:
            return 2;
    }
}

}  // namespace

Recorder::Recorder(RecorderConfig config)
    : config_(std::move(config)),
      signal_(config_.seed),
      transport_(config_.library),
      noise_(mixSeed(config_.seed, 0x4E4F)) {
    transport_.setSettingsSource([this] { return recordingSettings(); });
    transport_.setAutoChanger(config_.autoChanger, Micros{0});
    setInduce(config_.induce);
}

Micros Recorder::lineTime(std::size_t characters) const {
    return Micros{static_cast<std::int64_t>(characters) * 10'000'000 / config_.baud};
}

std::vector<Output> Recorder::input(std::string_view bytes, Micros now) {
    std::vector<Output> out;
    for (char c : bytes) {
        if (c == Stx) partial_.clear();
        if (c == Stx || !partial_.empty()) partial_ += c;
        if (c != Etx || partial_.empty()) continue;
        const std::string text = partial_.substr(1, partial_.size() - 2);
        partial_.clear();
        transport_.setGeneratorStuck(faults_.tcStuck);
        transport_.setRemainUnknown(faults_.remainUnknown);
        const auto colon = text.find(':');
        const std::string code = text.substr(0, colon);
        const std::string params = colon == std::string::npos ? "" : text.substr(colon + 1);
        auto reply = frame(dispatch(code, params, now), now, text.size() + 2);
        out.insert(out.end(), reply.begin(), reply.end());
    }
    return out;
}

std::vector<Output> Recorder::frame(std::string reply, Micros now, std::size_t) {
    if (reply.empty() || faults_.noReply.take(now)) return {};
    if (faults_.loneAck.take(now))
        reply = std::string{Ack};
    else if (faults_.errorReply.take(now))
        reply = errorReply("05");
    else if (faults_.wrongCode.take(now))
        reply = good("ZZZ");
    else if (faults_.badFirst.take(now))
        reply[0] = Nak;
    Micros start = now + Turnaround;
    if (faults_.slow.take(now)) start += SlowDelay;
    std::vector<Output> out;
    if (faults_.split.take(now)) {
        for (std::size_t i = 0; i < reply.size(); ++i)
            out.push_back(
                {start + lineTime(1) + SplitGap * static_cast<long>(i), reply.substr(i, 1)});
    } else {
        out.push_back({start + lineTime(reply.size()), reply});
    }
    if (faults_.stale.take(now)) out.push_back({out.back().at + StaleDelay, good("OAS00")});
    return out;
}

std::string Recorder::dispatch(const std::string& code, const std::string& params, Micros now) {
    if (!remote_ && code != "QOD" && code != "QID") return errorReply("02");
    const bool dataCommand = code == "$PR" || code == "$BR" || code == "$DR" || code == "$PS" ||
                             code == "$BS" || code == "$DS" || code == "$RR" || code == "$RS" ||
                             code == "$AR";
    if (dataCommand && !adjMode_) return errorReply("03");

    if (code == "QID") return good(config_.id);
    if (code == "$SQ") {
        if (faults_.sqError) return errorReply("05");
        std::string version = (config_.sysconVersion + "         ").substr(0, 9);
        return good("$SQ:" + version);
    }
    if (code == "$DQ") return faults_.dqError ? errorReply("05") : good("$DI" + induce_);
    if (code == "$DI") {
        setInduce(params);
        return good("$DI");
    }
    if (code == "$FR") {
        transport_.advance(now);  // a tape the changer put in meanwhile counts
        const Tape* t = transport_.tape();
        const int value = faults_.frZero ? 0 : t ? t->format : 1;
        return good(std::string("$FR") + hexDigit(value));
    }
    if (code == "$RM") {
        rmParam_ = params;
        return good("$RM");
    }
    if (code == "CTS") {
        auto tc = parseTimecode(params);
        if (!tc) return errorReply("04");
        transport_.presetGenerator(*tc, now);
        return good("CTS");
    }
    if (code == "$SA") {
        if (params.size() != 4 || !hexValue(params)) return errorReply("04");
        adjMode_ = true;
        selFmt_ = *hexValue(params.substr(1, 1));
        selRpm_ = *hexValue(params.substr(2, 1));
        area_ = *hexValue(params.substr(3, 1)) & 1;
        return good("$SA");
    }
    if (code == "$ND") {
        adjMode_ = false;
        band_.reset();
        return good("$ND");
    }
    if (code == "$KS") {
        if (params.size() != 3 || !hexValue(params)) return errorReply("04");
        if (params[0] == '1')
            band_ = *hexValue(params.substr(1, 1)) == 0 ? 0 : 1;
        else
            band_.reset();
        return good("$KS");
    }
    if (code == "QOD") {
        transport_.advance(now);
        if (params == "01") return good(std::string("OAS0") + (remote_ ? '0' : '1'));
        if (params == "11") return good("OAS" + transport_.statusCode());
        if (params == "81") {
            const Tape* t = transport_.tape();
            return good(std::string("OAS0") + (t && t->mark ? '1' : '0'));
        }
        return errorReply("04");
    }
    if (code == "QHR") {
        if (params == "H") {
            transport_.advance(now);
            auto left = transport_.remaining();
            if (!left) return good("HTRFFFFFF");
            const int s = static_cast<int>(*left);
            return good("HTR" + dec2(s / 3600) + dec2(s / 60 % 60) + dec2(s % 60));
        }
        return good("HTR123400");  // the drum hours meter
    }
    if (code == "QCD") return good("CD::" + timecodeText(transport_.readerTimecode(now)));
    if (code == "QCS") return good("CTS" + timecodeText(transport_.generator(now)));
    if (code == "SRS") return search(params, now);
    if (code == "$AR") return adjRun(params, now);
    if (code == "$ER") return errorRates(params, now);
    if (code == "$RR") return recReply(params);
    if (code == "$RS") return recWrite(params, now);
    if (code == "$PR" || code == "$BR" || code == "$DR") return levelReply(code, params);
    if (code == "$PS" || code == "$BS" || code == "$DS") return levelWrite(code, params, now);
    return transportCommand(code, now);
}

std::string Recorder::transportCommand(const std::string& code, Micros now) {
    bool ok = true;
    if (code == "OSP")
        ok = transport_.stop(now);
    else if (code == "OPL")
        ok = transport_.play(now);
    else if (code == "ORC")
        ok = transport_.record(now);
    else if (code == "OFF")
        ok = transport_.fastForward(now);
    else if (code == "ORW")
        ok = transport_.rewind(now);
    else if (code == "OEJ")
        ok = faults_.ejectJam || transport_.eject(now);
    else if (code == "OBN")
        ok = transport_.standby(true, now);
    else if (code == "OBF")
        ok = transport_.standby(false, now);
    else if (code != "CTC" && code != "CTL" && code != "CRT")
        return errorReply("01");
    return ok ? good(code) : errorReply("03");
}

std::string Recorder::search(const std::string& params, Micros now) {
    if (params.size() != 9 || (params[0] != 'S' && params[0] != 'L')) return errorReply("04");
    auto tc = parseTimecode(params.substr(1));
    if (!tc || !transport_.search(*tc, now)) return errorReply("03");
    return std::string{Ack};
}

std::vector<Output> Recorder::poll(Micros now) {
    std::vector<Output> out;
    if (auto done = transport_.takeSearchResult(now)) {
        const std::string msg = std::string{Stx} + (done->second ? "SRS:OK" : "SRS:NG") + Etx;
        out.push_back({std::max(now, done->first) + Turnaround + lineTime(msg.size()), msg});
    }
    return out;
}

std::optional<Micros> Recorder::nextWake() const {
    return transport_.nextSearchEnd();
}

bool Recorder::insert(const std::string& tapeName, Micros now) {
    if (!transport_.insert(tapeName, now)) return false;
    if (faults_.lowTape) transport_.windToEnd(90);
    return true;
}

void Recorder::eject(Micros now) {
    transport_.eject(now);
}

void Recorder::setAutoChanger(bool on, Micros now) {
    transport_.setAutoChanger(on, now);
}

std::string Recorder::status(Micros now) {
    transport_.advance(now);
    return transport_.statusCode();
}

LevelItems& Recorder::levelBlock(int area, int fmt, int rpm, int cate, int kind, int ch) {
    Key key{area, fmt, rpm, cate, kind, ch};
    auto it = levels_.find(key);
    if (it != levels_.end()) return it->second;
    // The values the recorder came with: factory values that have drifted.
    Rng r(mixSeed(config_.seed, 0x4C56,
                  static_cast<std::uint64_t>(fmt * 64 + cate * 16 + kind * 4 + ch),
                  static_cast<std::uint64_t>(rpm)));
    LevelItems b{};
    const std::int16_t mag = fmt == 1 || fmt == 7 ? -20 : -80;
    auto drift = [&](int around, int by) {
        return static_cast<std::int16_t>(around +
                                         static_cast<int>(std::lround(r.uniform(-by, by))));
    };
    b[2] = drift(mag, 4);
    b[3] = drift(mag, 4);
    const std::int16_t fixed[] = {2, 1, 18, 8};
    for (int i = 0; i < 4; ++i)
        b[static_cast<std::size_t>(5 + i)] = fixed[i];
    b[9] = drift(400, 25);
    b[10] = 28;
    b[11] = 14;
    b[12] = 110;
    b[13] = 98;
    b[14] = fmt == 7 ? (cate == 0 ? 14 : 20) : fmt == 1 ? (cate == 0 ? 11 : 15) : 10;
    b[15] = b[16] = 2;
    for (int head = 0; head < 2; ++head)
        for (int i = 0; i < 6; ++i)
            b[static_cast<std::size_t>(17 + head * 6 + i)] = drift(i == 2 || i == 3 ? -32 : 0, 6);
    return levels_.emplace(key, b).first->second;
}

RecItems& Recorder::recValues(int area, int fmt, int rpm, int kind, int ch) {
    Key key{area, fmt, rpm, 0, kind, ch};
    auto it = recs_.find(key);
    if (it != recs_.end()) return it->second;
    Rng r(mixSeed(config_.seed, 0x5256, static_cast<std::uint64_t>(fmt * 64 + kind * 4 + ch),
                  static_cast<std::uint64_t>(rpm)));
    const int cur = fmt == 7 ? 50 : 0, freq = fmt == 7 ? -90 : 0;
    RecItems v{};
    for (int i = 0; i < 4; ++i)
        v[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>((i < 2 ? cur : freq) + std::lround(r.uniform(-8, 8)));
    return recs_.emplace(key, v).first->second;
}

RecSetting Recorder::headSetting(int fmt, int rpm, int ch, int head) {
    const RecItems& v = recValues(0, fmt, rpm, 0, ch);
    return {v[static_cast<std::size_t>(head)], v[static_cast<std::size_t>(2 + head)]};
}

int Recorder::runningFmt() const {
    if (adjMode_) return selFmt_;
    const Tape* t = transport_.tape();
    return t ? t->format : 7;
}

int Recorder::runningRpm() const {
    return adjMode_ ? selRpm_ : standardRpm(runningFmt());
}

Segment Recorder::recordingSettings() {
    Segment s;
    s.fmt = runningFmt();
    for (int ch = 0; ch < 2; ++ch)
        for (int head = 0; head < 2; ++head)
            s.heads[static_cast<std::size_t>(ch * 2 + head)] =
                headSetting(s.fmt, runningRpm(), ch, head);
    return s;
}

std::pair<int, int> Recorder::modeHeads() const {
    const char digit = rmParam_.size() > 6 ? rmParam_[6] : '0';
    switch (digit) {
        case '1':
            return {0, 0};  // record/playback heads
        case '2':
            return {1, 1};  // slow
        case '3':
            return {1, 2};  // sub conf
        case '4':
            return {1, 3};  // sub slow
        default:
            return {1, 0};  // conf
    }
}

std::string Recorder::levelReply(const std::string& code, const std::string& params) {
    if (params.size() != 3) return errorReply("04");
    auto kind = hexValue(params.substr(0, 1)), ch = hexValue(params.substr(1, 1));
    const int layout = params[2] - '0';
    if (!kind || !ch || layout < 0 || layout > 2) return errorReply("04");
    const int cate = code == "$PR" ? 0 : code == "$BR" ? 1 : 2;
    LevelItems b = levelBlock(area_, selFmt_, selRpm_, cate, *kind, *ch);
    if (layout == 1) {
        // The older layout keeps its own equaliser block.
        auto [it, fresh] = eqBlocks_.try_emplace(Key{area_, selFmt_, selRpm_, cate, *kind, *ch});
        if (fresh) {
            const std::int16_t items[] = {2, 1,   1,   18, 8, 400, 28, 14,  110, 98, 0,
                                          0, -32, -32, 0,  0, 0,   0,  -32, -32, 0,  0};
            for (int i = 0; i < 22; ++i)
                it->second[static_cast<std::size_t>(4 + i)] = items[i];
        }
        b = it->second;
    }
    std::string text = encode(b, layout);
    if (layout > 0 && faults_.levelRange.take(Micros{0})) {
        // Item 9 out of range for the EQ200 block (1024), item 4 for the EQ block (5).
        if (layout == 2)
            text.replace(10, 4, "0400");
        else
            text.replace(0, 2, "05");
    }
    return good(code + text);
}

std::string Recorder::levelWrite(const std::string& code, const std::string& params, Micros) {
    if (params.size() < 4 || params[3] != ':') return errorReply("04");
    auto kind = hexValue(params.substr(0, 1)), ch = hexValue(params.substr(1, 1));
    const int layout = params[2] - '0';
    if (!kind || !ch || layout < 0 || layout > 2) return errorReply("04");
    const int cate = code == "$PS" ? 0 : code == "$BS" ? 1 : 2;
    const Key key{area_, selFmt_, selRpm_, cate, *kind, *ch};
    LevelItems& target =
        layout == 1 ? eqBlocks_[key] : levelBlock(area_, selFmt_, selRpm_, cate, *kind, *ch);
    auto decoded = decode(std::string_view(params).substr(4), layout, target);
    if (!decoded) return errorReply("04");
    target = *decoded;
    return good(code);
}

std::string Recorder::recReply(const std::string& params) {
    if (params.size() != 3 || (params[2] != '0' && params[2] != '1')) return errorReply("04");
    auto kind = hexValue(params.substr(0, 1)), ch = hexValue(params.substr(1, 1));
    if (!kind || !ch) return errorReply("04");
    const RecItems& v = recValues(area_, selFmt_, selRpm_, *kind, *ch);
    const std::size_t first = params[2] == '0' ? 0 : 2;
    return good("$RR" + signedByte(v[first]) + signedByte(v[first + 1]));
}

std::string Recorder::recWrite(const std::string& params, Micros now) {
    if (params.size() != 8 || params[3] != ':' || (params[2] != '0' && params[2] != '1'))
        return errorReply("04");
    auto kind = hexValue(params.substr(0, 1)), ch = hexValue(params.substr(1, 1));
    auto a = hexValue(params.substr(4, 2)), b = hexValue(params.substr(6, 2));
    if (!kind || !ch || !a || !b) return errorReply("04");
    RecItems& v = recValues(area_, selFmt_, selRpm_, *kind, *ch);
    const std::size_t first = params[2] == '0' ? 0 : 2;
    v[first] = static_cast<std::int16_t>(*a - 128);
    v[first + 1] = static_cast<std::int16_t>(*b - 128);
    // A recording in progress goes on with the new settings from here.
    if (area_ == 0) transport_.splitRecording(now);
    return good("$RS");
}

std::string Recorder::adjRun(const std::string& params, Micros now) {
    if (params.size() != 2) return errorReply("04");
    auto ch = hexValue(params.substr(0, 1));
    if (!ch) return errorReply("04");
    if (params[1] == '2') {
        // Channel L reports its first head first; channel R its second head first.
        const int first = *ch == 0 ? 0 : 1;
        return good("$AR" + hex2(levelOf(*ch, first, now)) + hex2(levelOf(*ch, 1 - first, now)));
    }
    if (params[1] != '0' && params[1] != '1') return errorReply("04");
    const auto [cate, kind] = modeHeads();
    if (params[1] == '1' && !transport_.tape()) return errorReply("03");
    for (int c = 0; c < 2; ++c) {
        LevelItems& b = levelBlock(area_, selFmt_, selRpm_, cate, kind, c);
        if (params[1] == '0') {
            b[9] = static_cast<std::int16_t>(
                signal_.adjustedVco(selFmt_, cate, kind, c, adjustRuns_++));
        } else {
            const auto taps = signal_.adjustedTaps(selFmt_, cate, kind, c, adjustRuns_++);
            for (std::size_t i = 0; i < 12; ++i)
                b[17 + i] = static_cast<std::int16_t>(taps[i]);
        }
    }
    return good("$AR");
}

int Recorder::levelOf(int ch, int head, Micros now) {
    transport_.advance(now);
    const Band band = band_.value_or(1) == 0 ? Band::High : Band::Low;
    double level = 3.0;  // no signal
    const int fmt = runningFmt();
    if (transport_.mode() == Mode::Rec) {
        level = signal_.recordLevel(fmt, ch, head, band, headSetting(fmt, runningRpm(), ch, head));
    } else if (transport_.mode() == Mode::Play) {
        if (const Segment* s = transport_.tape()->segmentAt(transport_.position())) {
            level = s->reference ? signal_.masterLevel(fmt, ch, head, band)
                                 : 0.97 * signal_.recordLevel(
                                              s->fmt, ch, head, band,
                                              s->heads[static_cast<std::size_t>(ch * 2 + head)]);
        }
    }
    double reading = level + noise_.gauss(0.8);
    // Now and then a dropout or a spike, which the trimmed mean is there for.
    if (noise_.uniform() < 0.04)
        reading += (noise_.uniform() < 0.5 ? -1 : 1) * noise_.uniform(8, 20);
    return std::clamp(static_cast<int>(std::lround(reading)), 0, 255);
}

double Recorder::errExponent(int group, int ch, int head) {
    const int fmt = runningFmt();
    const auto [cate, kind] = modeHeads();
    const bool lp = fmt == 7;
    const double offset = lp ? (group == 0   ? 0.0
                                : group == 1 ? -0.1
                                             : -0.15)
                             : (head == 0 ? -0.1 : 0.0);
    const double pb = signal_.playbackErr(fmt, cate, kind, ch, head,
                                          levelBlock(0, fmt, runningRpm(), cate, kind, ch));
    double x = -1.9;
    if (transport_.mode() == Mode::Rec) {
        const double conf =
            signal_.playbackErr(fmt, 1, 0, ch, head, levelBlock(0, fmt, runningRpm(), 1, 0, ch));
        x = addErrRates(signal_.recordErr(fmt, ch, head, headSetting(fmt, runningRpm(), ch, head)),
                        conf);
    } else if (transport_.mode() == Mode::Play) {
        const Tape* t = transport_.tape();
        if (const Segment* s = t->segmentAt(transport_.position())) {
            const double tape =
                s->reference ? (t->kind == TapeKind::Check ? -6.2 : -6.5)
                             : signal_.recordErr(s->fmt, ch, head,
                                                 s->heads[static_cast<std::size_t>(ch * 2 + head)]);
            x = addErrRates(tape, pb);
        }
    }
    return x + offset;
}

std::string Recorder::errorRates(const std::string& params, Micros now) {
    auto group = hexValue(params);
    if (!group || params.size() != 1 || *group > 2) return errorReply("04");
    transport_.advance(now);
    const bool lp = runningFmt() == 7;
    const Tape* t = transport_.tape();
    const Segment* seg =
        t && transport_.mode() == Mode::Play ? t->segmentAt(transport_.position()) : nullptr;
    const bool recordOrder = transport_.mode() == Mode::Rec || (seg && !seg->reference);
    // Heads in the order of the four fields, as (channel, head).
    using H = std::pair<int, int>;
    const std::array<H, 4> order =
        lp ? (recordOrder ? std::array<H, 4>{H{0, 0}, {0, 1}, {1, 1}, {1, 0}}
                          : std::array<H, 4>{H{0, 0}, {0, 1}, {1, 0}, {1, 1}})
           : std::array<H, 4>{H{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    std::string text = "$ER";
    for (const auto& [ch, head] : order) {
        const double x = errExponent(*group, ch, head) + noise_.gauss(0.12);
        const int step = std::clamp(static_cast<int>(std::lround((x + 5.5) / 0.2)), 0, 18);
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04d", 56 - 2 * step);
        text += buf;
    }
    return good(text + timecodeText(transport_.readerTimecode(now)));
}

}  // namespace rf::sim

// The recorder's stored adjustment data: level blocks and record values per
// area, format, drum speed, category, kind and channel, the drifted factory
// values a recorder starts with, the settings the record heads work with, and
// how blocks and values are read out ($PR/$BR/$DR, $RR) and written
// ($PS/$BS/$DS, $RS) on the line.
#include <cmath>

#include "sim/recorder.h"
#include "sim/wire.h"

namespace rf::sim {

using namespace wire;

namespace {

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

// The heads a data command can name: kinds 0 to 3 and channels 0 (L) and 1 (R).
bool headExists(std::optional<int> kind, std::optional<int> ch) {
    return kind && ch && *kind <= 3 && *ch <= 1;
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

LevelItems& Recorder::levelBlock(int area, int fmt, int rpm, int cate, int kind, int ch) {
    Key key{area, fmt, rpm, cate, kind, ch};
    auto it = levels_.find(key);
    if (it != levels_.end()) return it->second;
    // The stored values are the factory's; the values the heads work with
    // have drifted from them.
    Rng r(mixSeed(config_.seed, 0x4C56,
                  static_cast<std::uint64_t>(fmt * 64 + cate * 16 + kind * 4 + ch),
                  static_cast<std::uint64_t>(rpm)));
    const int by = area == 0 ? 1 : 0;
    auto drift = [&](int around, int range) {
        return static_cast<std::int16_t>(
            around + by * static_cast<int>(std::lround(r.uniform(-range, range))));
    };
    LevelItems b{};
    const std::int16_t mag = fmt == 1 || fmt == 7 ? -20 : -80;
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
    const int deep[] = {fmt == 1 ? -30 : -32, fmt == 1 ? -10 : -32};
    for (int head = 0; head < 2; ++head)
        for (int i = 0; i < 6; ++i)
            b[static_cast<std::size_t>(17 + head * 6 + i)] =
                drift(i == 2 || i == 3 ? deep[i - 2] : 0, 6);
    return levels_.emplace(key, b).first->second;
}

RecItems& Recorder::recValues(int area, int fmt, int rpm, int kind, int ch) {
    Key key{area, fmt, rpm, 0, kind, ch};
    auto it = recs_.find(key);
    if (it != recs_.end()) return it->second;
    Rng r(mixSeed(config_.seed, 0x5256, static_cast<std::uint64_t>(fmt * 64 + kind * 4 + ch),
                  static_cast<std::uint64_t>(rpm)));
    const int cur = fmt == 7 ? DefaultLpSetting.current : 0;
    const int freq = fmt == 7 ? DefaultLpSetting.frequency : 0;
    RecItems v{};
    for (int i = 0; i < 4; ++i) {
        const long drift = area == 0 ? std::lround(r.uniform(-8, 8)) : 0;
        v[static_cast<std::size_t>(i)] = static_cast<std::int16_t>((i < 2 ? cur : freq) + drift);
    }
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

std::string Recorder::levelReply(const std::string& code, const std::string& params) {
    if (params.size() != 3) return errorReply("04");
    auto kind = hexValue(params.substr(0, 1)), ch = hexValue(params.substr(1, 1));
    const int layout = params[2] - '0';
    if (!headExists(kind, ch) || layout < 0 || layout > 2) return errorReply("04");
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
    if (!headExists(kind, ch) || layout < 0 || layout > 2) return errorReply("04");
    const int cate = code == "$PS" ? 0 : code == "$BS" ? 1 : 2;
    const Key key{area_, selFmt_, selRpm_, cate, *kind, *ch};
    LevelItems& target =
        layout == 1 ? eqBlocks_[key] : levelBlock(area_, selFmt_, selRpm_, cate, *kind, *ch);
    auto decoded = decode(std::string_view(params).substr(4), layout, target);
    if (!decoded) return errorReply("04");
    target = *decoded;
    // Storing in area 1 makes the stored values the working ones too.
    if (area_ == 1) {
        const Key working{0, selFmt_, selRpm_, cate, *kind, *ch};
        if (layout == 1)
            eqBlocks_[working] = target;
        else
            levelBlock(0, selFmt_, selRpm_, cate, *kind, *ch) = target;
    }
    return good(code);
}

std::string Recorder::recReply(const std::string& params) {
    if (params.size() != 3 || (params[2] != '0' && params[2] != '1')) return errorReply("04");
    auto kind = hexValue(params.substr(0, 1)), ch = hexValue(params.substr(1, 1));
    if (!headExists(kind, ch)) return errorReply("04");
    const RecItems& v = recValues(area_, selFmt_, selRpm_, *kind, *ch);
    const std::size_t first = params[2] == '0' ? 0 : 2;
    return good("$RR" + signedByte(v[first]) + signedByte(v[first + 1]));
}

std::string Recorder::recWrite(const std::string& params, Micros now) {
    if (params.size() != 8 || params[3] != ':' || (params[2] != '0' && params[2] != '1'))
        return errorReply("04");
    auto kind = hexValue(params.substr(0, 1)), ch = hexValue(params.substr(1, 1));
    auto a = hexValue(params.substr(4, 2)), b = hexValue(params.substr(6, 2));
    if (!headExists(kind, ch) || !a || !b) return errorReply("04");
    const std::size_t first = params[2] == '0' ? 0 : 2;
    for (int area = area_; area >= 0; --area) {
        // Storing in area 1 makes the stored values the working ones too.
        RecItems& v = recValues(area, selFmt_, selRpm_, *kind, *ch);
        v[first] = static_cast<std::int16_t>(*a - 128);
        v[first + 1] = static_cast<std::int16_t>(*b - 128);
    }
    // A recording in progress goes on with the new settings from here.
    transport_.splitRecording(now);
    return good("$RS");
}

}  // namespace rf::sim

#include "core/delimited.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/errors.h"
#include "core/files.h"

namespace rf {

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}
}  // namespace

DelimitedReader::DelimitedReader(std::string text) : text_(std::move(text)) {}

DelimitedReader DelimitedReader::fromFile(const std::string& path, std::size_t maxBytes) {
    return DelimitedReader(readWholeFile(path, maxBytes));
}

void DelimitedReader::skipBlanks() {
    // After a comma the next field starts on the same line (it may be empty);
    // otherwise blank lines between fields are passed over.
    while (pos_ < text_.size() &&
           (isBlank(text_[pos_]) || (!afterComma_ && isLineEnd(text_[pos_]))))
        ++pos_;
}

bool DelimitedReader::atEnd() const {
    std::size_t p = pos_;
    while (p < text_.size() && (isBlank(text_[p]) || isLineEnd(text_[p])))
        ++p;
    return p >= text_.size() && !afterComma_;
}

DelimitedField DelimitedReader::field() {
    skipBlanks();
    if (pos_ >= text_.size() && !afterComma_) Raise(err::InputPastEnd);
    DelimitedField out;
    if (pos_ < text_.size() && text_[pos_] == '"') {
        out.quoted = true;
        std::size_t close = text_.find('"', pos_ + 1);
        std::size_t end = close == std::string::npos ? text_.size() : close;
        out.text = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = close == std::string::npos ? text_.size() : close + 1;
        // Anything between the closing quote and the delimiter is ignored.
        while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEnd(text_[pos_]))
            ++pos_;
    } else {
        std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEnd(text_[pos_]))
            ++pos_;
        out.text = text_.substr(start, pos_ - start);
        while (!out.text.empty() && isBlank(out.text.back()))
            out.text.pop_back();
    }
    afterComma_ = false;
    if (pos_ < text_.size()) {
        if (text_[pos_] == ',') {
            afterComma_ = true;
            ++pos_;
        } else {
            if (text_[pos_] == '\r') ++pos_;
            if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        }
    }
    return out;
}

bool isInteger(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (i >= text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

std::int16_t parseInt16(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (!isInteger(text)) Raise(err::TypeMismatch, "\"" + std::string(text) + "\" is not a number");
    bool negative = text.front() == '-';
    if (text.front() == '-' || text.front() == '+') text.remove_prefix(1);
    long value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
        if (value > 32768) Raise(err::Overflow);
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int16_t>::max()) Raise(err::Overflow);
    return static_cast<std::int16_t>(value);
}

std::int16_t DelimitedReader::int16() {
    return parseInt16(field().text);
}

DelimitedRecord& DelimitedRecord::text(std::string_view value) {
    std::string quoted = "\"";
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            // A record is one line: a line break (CR LF, LF or CR) inside a
            // field is written as "; ".
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
            quoted += "; ";
        } else {
            quoted += c == '"' ? '\'' : c;
        }
    }
    quoted += '"';
    fields_.push_back(std::move(quoted));
    return *this;
}

namespace {
// Decimal exponents that are written out in plain decimal: from .00001 up to
// 999999999, which covers every value the tool meets and every integer a
// single holds exactly to nine digits.
constexpr int PlainFrom = -5;
constexpr int PlainTo = 8;

// `digits` (significant, no point, first one not 0) times ten to `exponent`
// (the first digit's place) in the form of the "write" form: plain decimal
// without a leading zero before the point (-.5, 130, -4.1), or an exponent
// beyond the plain range (1E-06, -1.5E+12).
std::string decimalForm(bool negative, std::string digits, int exponent) {
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out = negative ? "-" : "";
    if (exponent < PlainFrom || exponent > PlainTo) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        char tail[16];
        std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + tail;
    }
    if (exponent < 0)
        return out + "." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    const auto whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= whole) return out + digits + std::string(whole - digits.size(), '0');
    return out + digits.substr(0, whole) + "." + digits.substr(whole);
}

// The significant digits and exponent of a "%.*e" or to_chars scientific text.
std::string scientificForm(std::string_view sci) {
    const bool negative = sci.front() == '-';
    if (negative) sci.remove_prefix(1);
    const std::size_t e = sci.find_first_of("eE");
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c != '.') digits += c;
    if (digits.find_first_not_of('0') == std::string::npos) return "0";
    int exponent = 0;
    std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                    exponent);
    return decimalForm(negative, std::move(digits), exponent);
}
}  // namespace

std::string exactSingleText(float value) {
    // The fewest digits that read back to the same single (to_chars gives the
    // shortest round trip), at most nine.
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    if (!std::isfinite(value))
        return std::string(buf, res.ptr);  // "inf", "nan": no number reads it
    return scientificForm(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

float parseSingle(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    const std::string shown(text);
    // from_chars takes no plus sign: it is taken off here, and one sign only
    // may stand before the number ("+-5" is no number).
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    float value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || (plus && text.front() == '-') ||
        (text.front() == '-' && text.size() > 1 && text[1] == '-') || ec != std::errc{} ||
        end != text.data() + text.size() || !std::isfinite(value))
        Raise(err::TypeMismatch, "\"" + shown + "\" is not a number");
    return value;
}

std::string fixed2(float value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(value));
    return buf;
}

DelimitedRecord& DelimitedRecord::number(float value) {
    fields_.push_back(exactSingleText(value));
    return *this;
}

DelimitedRecord& DelimitedRecord::raw(std::string_view value) {
    fields_.emplace_back(value);
    return *this;
}

std::string DelimitedRecord::line() const {
    std::string out;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (i > 0) out += ',';
        out += fields_[i];
    }
    out += "\r\n";
    return out;
}

double leadingNumber(std::string_view text) {
    std::size_t at = text.find_first_not_of(" \t");
    if (at == std::string_view::npos) return 0.0;
    bool negative = false;
    if (text[at] == '+' || text[at] == '-') negative = text[at++] == '-';
    const std::size_t start = at;
    bool digits = false, nonZero = false, point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            digits = true;
            nonZero = nonZero || (c != '0' && !point);
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    double value = 0.0;
    const auto parsed = std::from_chars(text.data() + start, text.data() + at, value);
    // Too many digits to hold: too large when there is a whole part, else too small.
    if (parsed.ec == std::errc::result_out_of_range)
        value = nonZero ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

}  // namespace rf

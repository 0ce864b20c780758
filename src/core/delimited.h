#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rf {

// One field of a delimited file: its text and whether it stood in double quotes.
struct DelimitedField {
    std::string text;
    bool quoted = false;
};

// Reads fields of the delimited "write" form: fields separated by commas or line
// breaks, strings optionally in double quotes, blanks around unquoted fields ignored.
// Reading past the last field is the run-time error "input past end of file" (62);
// a field that is not a number where one is due is "type mismatch" (13).
class DelimitedReader {
  public:
    explicit DelimitedReader(std::string text);

    // Reads the named file whole (readWholeFile: a missing file is "file not
    // found" (53), a device, a pipe or a file above `maxBytes` is 75).
    static DelimitedReader fromFile(const std::string& path, std::size_t maxBytes);

    DelimitedField field();
    std::string text() { return field().text; }
    std::int16_t int16();

    bool atEnd() const;

  private:
    void skipBlanks();
    std::string text_;
    std::size_t pos_ = 0;
    bool afterComma_ = false;
};

// Parses a 16-bit integer field: optional sign and decimal digits, blanks around.
// Not a number: 13; outside -32768..32767: "overflow" (6).
std::int16_t parseInt16(std::string_view text);

// The leading decimal number of a text: blanks, a sign, digits with at most
// one decimal point ("12AB" is 12). 0 when the text does not start with one
// ("FF", "").
double leadingNumber(std::string_view text);

// True when the text is an optional sign followed by decimal digits only.
bool isInteger(std::string_view text);

// A single-precision number as the tool writes it: the fewest significant
// digits (at most nine) that read back to the same value, in plain decimal
// with no leading zero before the point and a minus sign only for negative
// values (-80, 130, -4.1, -.5, 0); an exponent only beyond plain decimal's
// range (1E-06, 1.5E+12).
std::string exactSingleText(float value);
// Parses a single-precision number in any of the decimal forms: "-.5",
// "0.5", "+2", "1E-05", "1e-5", blanks around. Not a number: 13.
float parseSingle(std::string_view text);
// "0.00": two decimals, e.g. -4.35.
std::string fixed2(float value);

// Builds one record of the delimited "write" form: each string field in double
// quotes, fields separated by commas, ended by CR LF. A double quote inside a
// field would end the field early for every reader, so it is written as ' ;
// a line break inside a field is written as "; ", so a record stays one line.
class DelimitedRecord {
  public:
    DelimitedRecord& text(std::string_view value);
    // A single-precision number that reads back to the same value (exactSingleText).
    DelimitedRecord& number(float value);
    DelimitedRecord& raw(std::string_view value);  // a field written as it stands (numbers)
    std::string line() const;

  private:
    std::vector<std::string> fields_;
};

}  // namespace rf

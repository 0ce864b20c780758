#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/delimited.h"
#include "core/steps.h"
#include "core/table.h"
#include "error_of.h"

namespace rf {
namespace {

using rf::test::errorOf;

TEST(Table, IndexesEveryCellOnceAndRefusesIndexesOutsideTheDeclaredBounds) {
    Table<int, 2, 3, 4> t;
    int n = 0;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 3; ++b)
            for (int c = 0; c < 4; ++c)
                t(a, b, c) = n++;
    EXPECT_EQ(t(1, 2, 3), 23);
    EXPECT_EQ(t.row(1, 0)[2], 14);
    for (auto bad : std::vector<std::array<int, 3>>{{2, 0, 0}, {0, 3, 0}, {0, 0, 4}, {-1, 0, 0}})
        EXPECT_EQ(errorOf([&] { t(bad[0], bad[1], bad[2]); }), err::SubscriptOutOfRange);
    EXPECT_EQ(errorOf([&] { t.row(0, 3); }), err::SubscriptOutOfRange);
}

TEST(DelimitedReader, ReadsCommaAndLineSeparatedFieldsQuotedOrNot) {
    DelimitedReader in("1, \"/dev/ttyUSB0\" ,9600\r\n\r\nN,\"8\"\n 1 ,,\"\"\r\n");
    EXPECT_EQ(in.field().text, "1");
    auto port = in.field();
    EXPECT_EQ(port.text, "/dev/ttyUSB0");
    EXPECT_TRUE(port.quoted);
    EXPECT_EQ(in.text(), "9600");
    EXPECT_EQ(in.text(), "N");  // blank line between fields passed over
    EXPECT_EQ(in.text(), "8");
    EXPECT_EQ(in.int16(), 1);
    EXPECT_EQ(in.text(), "");  // empty field between two commas
    EXPECT_EQ(in.text(), "");
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(errorOf([&] { in.field(); }), err::InputPastEnd);
}

TEST(DelimitedReader, NumbersAreCheckedNotGuessed) {
    struct Case {
        const char* text;
        int error, value;
    };
    for (const Case& c : std::vector<Case>{{"42", 0, 42},
                                           {"-32768", 0, -32768},
                                           {"\"7\"", 0, 7},
                                           {"abc", err::TypeMismatch, 0},
                                           {"1.5", err::TypeMismatch, 0},
                                           {"", err::TypeMismatch, 0},
                                           {"32768", err::Overflow, 0},
                                           {"99999999999", err::Overflow, 0}}) {
        SCOPED_TRACE(c.text);
        DelimitedReader in(c.text + std::string(",0"));
        int value = 0;
        EXPECT_EQ(errorOf([&] { value = in.int16(); }), c.error);
        EXPECT_EQ(value, c.value);
    }
}

TEST(DelimitedRecord, WritesQuotedStringsAndRawNumbersEndedByCrLf) {
    EXPECT_EQ(DelimitedRecord().text("12-05-2026").text("02:33:38").line(),
              "\"12-05-2026\",\"02:33:38\"\r\n");
    EXPECT_EQ(DelimitedRecord().raw("1.5").raw("-2").text("").line(), "1.5,-2,\"\"\r\n");
    // A quote inside a field would end it early for every reader; a line
    // break would split the record.
    EXPECT_EQ(DelimitedRecord().text("say \"hi\"").line(), "\"say 'hi'\"\r\n");
    EXPECT_EQ(DelimitedRecord().text("Other Error No =  62\nfile: line 3\r\nend\r").line(),
              "\"Other Error No =  62; file: line 3; end; \"\r\n");
}

// Numbers are written in plain decimal as far as it reaches, in the fewest
// digits that read back to the same single, and every form reads back.
TEST(DelimitedRecord, WritesNumbersInPlainDecimalThatReadBackExactly) {
    for (const char* text : {"-80", "130", "-10", "-4.1", ".3", "-.5", "0", ".00001", "123456.7",
                             "100000000", "1E-06", "-1.5E+12", "-4.6846504", "-4.0999994"}) {
        EXPECT_EQ(DelimitedRecord().number(std::stof(text)).line(), std::string(text) + "\r\n");
        EXPECT_EQ(parseSingle(text), std::stof(text));
    }
    EXPECT_EQ(DelimitedRecord().number(-0.0f).number(std::nextafter(-4.1f, 0.0f)).line(),
              "0,-4.0999994\r\n");
    for (const char* older : {"-8E+01", "1.3E+02", "-1e1", "+.3"})
        EXPECT_EQ(parseSingle(older), std::stof(older));
}

// Retry, Ignore and Abort are seen at work where the operator answers them.
TEST(RunSteps, TheHandlerLearnsWhichStepFailedAndOtherExceptionsPassThrough) {
    std::vector<std::string_view> failed;
    const std::vector<Step> steps = {
        [] {}, {"raises", [] { Raise(200); }}, [] { Raise(201); }, [] { throw ProgramEnd{}; }};
    EXPECT_THROW(runSteps(steps,
                          [&](const RfError&, std::string_view step) {
                              failed.push_back(step);
                              return ErrorChoice::Ignore;
                          }),
                 ProgramEnd);
    EXPECT_EQ(failed, (std::vector<std::string_view>{"raises", ""}));
}

// The texts of 200, 205 and 206 are pinned where the operator meets them.
TEST(ErrorTexts, OtherErrorsShowTheNumberWithABlankForItsSign) {
    EXPECT_EQ(linkErrorText(203), "RS232-C Other Error");
    EXPECT_EQ(linkErrorText(204), "Other Error No =  204");
}

}  // namespace
}  // namespace rf

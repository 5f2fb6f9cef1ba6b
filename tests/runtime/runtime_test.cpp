#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "runtime/error.h"
#include "runtime/int16.h"
#include "runtime/number.h"
#include "runtime/table.h"
#include "runtime/text.h"

namespace rt = tessaly::runtime;
using rt::ErrorKind;

namespace {

// Shows UTF-16 texts readably in failure messages.
std::string show(rt::TextView t) {
    return rt::toUtf8(t);
}

template <typename F>
ErrorKind kindOf(F&& f) {
    try {
        f();
    } catch (const rt::Error& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no error raised";
    return ErrorKind::FloatingPoint;
}

struct FormatCase {
    const char16_t* input;
    const char16_t* expected;
};

class FormatFixed2 : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatFixed2, RoundsExactlyInDecimal) {
    const auto& c = GetParam();
    EXPECT_EQ(show(rt::formatFixed2(c.input)), show(c.expected)) << show(c.input);
}

INSTANTIATE_TEST_SUITE_P(
    Amounts, FormatFixed2,
    testing::Values(
        // Two decimals, leading zeros gone, at least one digit before the point.
        FormatCase{u"123.456", u"123.46"}, FormatCase{u"007.5", u"7.50"},
        FormatCase{u"0.001", u"0.00"}, FormatCase{u"5", u"5.00"}, FormatCase{u"0", u"0.00"},
        FormatCase{u"000", u"0.00"}, FormatCase{u"41823.51", u"41823.51"},
        // Halves round away from zero, in decimal, not by the binary double.
        FormatCase{u"1.005", u"1.01"}, FormatCase{u"2.675", u"2.68"}, FormatCase{u"0.125", u"0.13"},
        FormatCase{u"-0.005", u"-0.01"}, FormatCase{u"1.00499999999999999999", u"1.00"},
        FormatCase{u"9.995", u"10.00"}, FormatCase{u"0.995", u"1.00"},
        FormatCase{u"999999999.995", u"1000000000.00"},
        // A value that rounds to zero carries no sign.
        FormatCase{u"-0.004", u"0.00"}, FormatCase{u"-0", u"0.00"},
        FormatCase{u"-41823.515", u"-41823.52"},
        // The accepted forms.
        FormatCase{u"  12 ", u"12.00"}, FormatCase{u"+3", u"3.00"}, FormatCase{u".12", u"0.12"},
        FormatCase{u"12.", u"12.00"}, FormatCase{u"1e3", u"1000.00"},
        FormatCase{u"1.5E-1", u"0.15"}, FormatCase{u"125e-3", u"0.13"},
        FormatCase{u"1,234.5", u"1234.50"}, FormatCase{u"12,345,678", u"12345678.00"},
        FormatCase{u"1e20", u"100000000000000000000.00"}, FormatCase{u"0e999999999999999", u"0.00"},
        FormatCase{u"1e-999999999999999", u"0.00"}));

TEST(FormatFixed2, KeepsEveryDigitOfTheLargestDouble) {
    const rt::Text expected = u"17976931348623157" + rt::Text(292, u'0') + u".00";
    EXPECT_EQ(rt::formatFixed2(u"1.7976931348623157e308"), expected);
}

TEST(FormatFixed2Refuses, TextsThatAreNotPlainNumbers) {
    for (const char16_t* input :
         {u"",       u" ",        u"abc",      u"1.2.3",   u"１２",     u"12元",   u"1,23", u",123",
          u"1,2345", u"1234,567", u"1,234,56", u"1e",      u"e5",       u".",      u"-",    u"+-1",
          u"1 2",    u"- 5",      u"0x10",     u"1.5,000", u"\u00a012", u"12\t\t3"}) {
        EXPECT_EQ(kindOf([&] { rt::formatFixed2(input); }), ErrorKind::NotANumber) << show(input);
    }
}

TEST(FormatFixed2Refuses, AnEmbeddedNul) {
    EXPECT_EQ(kindOf([] { rt::formatFixed2(rt::Text(u"12\0", 3)); }), ErrorKind::NotANumber);
}

TEST(FormatFixed2Refuses, ValuesBeyondTheDoublesRange) {
    const rt::Text nines(400, u'9');
    for (const rt::Text& input : {rt::Text(u"1e309"), rt::Text(u"-2e308"), nines}) {
        EXPECT_EQ(kindOf([&] { rt::formatFixed2(input); }), ErrorKind::Overflow) << show(input);
    }
}

TEST(ToNumber, ReadsTheWholeTextStrictly) {
    EXPECT_EQ(rt::toNumber(u"4182351"), 4182351.0);
    EXPECT_EQ(rt::toNumber(u"-500"), -500.0);
    EXPECT_EQ(rt::toNumber(u" .5 "), 0.5);
    EXPECT_EQ(rt::toNumber(u"1e3"), 1000.0);
    EXPECT_EQ(rt::toNumber(u"1e-400"), 0.0);
    for (const char16_t* input : {u"", u"abc", u"1,234", u"12x", u"1e"}) {
        EXPECT_EQ(kindOf([&] { rt::toNumber(input); }), ErrorKind::NotANumber) << show(input);
    }
    EXPECT_EQ(kindOf([] { rt::toNumber(u"1e400"); }), ErrorKind::Overflow);
}

struct PrefixCase {
    const char16_t* input;
    double expected;
};

TEST(ParseLeadingNumber, ReadsTheLeadingNumberAndNeverFails) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& c : {PrefixCase{u"", 0}, PrefixCase{u"abc", 0}, PrefixCase{u"  12abc", 12},
                          PrefixCase{u"-3.5x", -3.5}, PrefixCase{u"1.2.3", 1.2},
                          PrefixCase{u"1e3x", 1000}, PrefixCase{u"1e", 1}, PrefixCase{u"1e+", 1},
                          PrefixCase{u".5", 0.5}, PrefixCase{u"+.5", 0.5}, PrefixCase{u"-", 0},
                          PrefixCase{u".", 0}, PrefixCase{u"12 34", 12}, PrefixCase{u"1,234", 1},
                          PrefixCase{u"1e400", inf}, PrefixCase{u"-1e400", -inf},
                          PrefixCase{u"1e-400", 0}, PrefixCase{u"83647.02", 83647.02}}) {
        EXPECT_EQ(rt::parseLeadingNumber(c.input), c.expected) << show(c.input);
    }
}

struct NumberTextCase {
    double value;
    const char16_t* expected;
};

TEST(NumberText, PrintsWholeValuesInFullAndOthersToFifteenDigits) {
    for (const auto& c : {
             NumberTextCase{0.0, u"0"},
             NumberTextCase{-0.0, u"0"},
             NumberTextCase{15, u"15"},
             NumberTextCase{-8, u"-8"},
             NumberTextCase{2.5, u"2.5"},
             NumberTextCase{0.1 + 0.2, u"0.3"},
             NumberTextCase{1.0 / 3, u"0.333333333333333"},
             NumberTextCase{-2.0 / 3, u"-0.666666666666667"},
             NumberTextCase{1e20, u"100000000000000000000"},
             NumberTextCase{1e23, u"99999999999999991611392"},
             NumberTextCase{1e-20, u"0.00000000000000000001"},
             NumberTextCase{41823.51 * 2, u"83647.02"},
             NumberTextCase{123456789.125, u"123456789.125"},
             NumberTextCase{0.9999999999999999, u"1"},
             NumberTextCase{1e15 + 0.5, u"1000000000000000"},
             NumberTextCase{12345.678901234567, u"12345.6789012346"},
         }) {
        EXPECT_EQ(show(rt::numberText(c.value)), show(c.expected)) << c.value;
    }
}

TEST(NumberText, RefusesNanAndInfinity) {
    EXPECT_EQ(kindOf([] { rt::numberText(std::nan("")); }), ErrorKind::FloatingPoint);
    EXPECT_EQ(kindOf([] { rt::numberText(-std::numeric_limits<double>::infinity()); }),
              ErrorKind::FloatingPoint);
}

TEST(NumberText, ReadsBackThroughThePrefixParseAndTheFormat) {
    for (const double v : {0.1, -0.1, 1.0 / 7, 3.14159, 1e-7, 123456.789, -98765.4321, 5e-324,
                           1.7976931348623157e308, 9007199254740993.0, 0.07, 12.345}) {
        const rt::Text text = rt::numberText(v);
        const double back = rt::parseLeadingNumber(text);
        // Fifteen significant digits survive the trip, and printing again is stable.
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-15) << show(text);
        EXPECT_EQ(show(rt::numberText(back)), show(text));
        EXPECT_NO_THROW(rt::formatFixed2(text)) << show(text);
    }
}

TEST(IntText, PrintsDecimalDigits) {
    EXPECT_EQ(show(rt::intText(0)), "0");
    EXPECT_EQ(show(rt::intText(-32768)), "-32768");
    EXPECT_EQ(show(rt::intText(32767)), "32767");
}

TEST(Int16, NarrowingAndArithmeticAreChecked) {
    EXPECT_EQ(rt::toInt16(32767), 32767);
    EXPECT_EQ(rt::toInt16(-32768), -32768);
    EXPECT_EQ(rt::add16(32766, 1), 32767);
    EXPECT_EQ(rt::sub16(-32767, 1), -32768);
    EXPECT_EQ(rt::mul16(-128, 256), -32768);
    EXPECT_EQ(kindOf([] { rt::toInt16(32768); }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([] { rt::toInt16(-32769); }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([] { rt::add16(32767, 1); }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([] { rt::sub16(-32768, 1); }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([] { rt::mul16(200, 200); }), ErrorKind::Overflow);
}

TEST(TextTable, EveryAccessIsBoundsChecked) {
    constexpr rt::TextTable<3> table({u"a", u"b", u"c"});
    EXPECT_EQ(table.at(0), u"a");
    EXPECT_EQ(table.at(2), u"c");
    EXPECT_EQ(kindOf([&] { table.at(-1); }), ErrorKind::OutOfBounds);
    EXPECT_EQ(kindOf([&] { table.at(3); }), ErrorKind::OutOfBounds);
}

TEST(TextServices, SearchAndSlicesCountFromOne) {
    EXPECT_EQ(rt::inStr(1, u"41823.51", u"."), 6);
    EXPECT_EQ(rt::inStr(1, u"12", u"."), 0);
    EXPECT_EQ(rt::inStr(3, u"a.b.c", u"."), 4);
    EXPECT_EQ(rt::inStr(3, u"abc", u""), 3);
    EXPECT_EQ(rt::inStr(4, u"abc", u""), 0);
    EXPECT_EQ(rt::inStr(1, u"肆万", u"万"), 2);
    EXPECT_EQ(kindOf([] { rt::inStr(0, u"abc", u"a"); }), ErrorKind::OutOfBounds);

    EXPECT_EQ(rt::left(u"41823.51", 5), u"41823");
    EXPECT_EQ(rt::left(u"abc", 9), u"abc");
    EXPECT_EQ(rt::right(u"abc", 2), u"bc");
    EXPECT_EQ(rt::right(u"abc", 9), u"abc");
    EXPECT_EQ(rt::mid(u"41823.51", 7), u"51");
    EXPECT_EQ(rt::mid(u"abc", 4), u"");
    EXPECT_EQ(rt::mid(u"abc", 2, 1), u"b");
    EXPECT_EQ(rt::mid(u"abc", 3, 5), u"c");
    EXPECT_EQ(rt::concat(u"41823", u"51"), u"4182351");
    for (auto f : {+[] { rt::left(u"abc", -1); }, +[] { rt::right(u"abc", -1); },
                   +[] { rt::mid(u"abc", 0); }, +[] { rt::mid(u"abc", 1, -1); }}) {
        EXPECT_EQ(kindOf(f), ErrorKind::OutOfBounds);
    }
}

TEST(Utf8, RoundTripsAndReplacesMalformedInput) {
    const rt::Text text = u"肆万 1.5 \U0001F600";
    EXPECT_EQ(rt::fromUtf8(rt::toUtf8(text)), text);
    EXPECT_EQ(rt::toUtf8(u"圆"), "\xE5\x9C\x86");
    EXPECT_EQ(rt::fromUtf8("a\xFF"
                           "b"),
              u"a\uFFFDb");
    EXPECT_EQ(rt::fromUtf8("\xE5\x9C"), u"\uFFFD\uFFFD");
    EXPECT_EQ(rt::fromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong "/"
    EXPECT_EQ(rt::fromUtf8("\xED\xA0\x80"), u"\uFFFD");    // an encoded surrogate
    EXPECT_EQ(rt::toUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(Error, EachKindHasItsMessage) {
    EXPECT_EQ(show(rt::Error(ErrorKind::Overflow).message()), "数值溢出！");
    EXPECT_EQ(show(rt::Error(ErrorKind::OutOfBounds).message()), "下标越界！");
    EXPECT_EQ(show(rt::Error(ErrorKind::NotANumber).message()), "类型不匹配！");
    EXPECT_EQ(show(rt::Error(ErrorKind::FloatingPoint, rt::FpCause::DivisionByZero).message()),
              "除数不能为零！");
    EXPECT_EQ(show(rt::Error(ErrorKind::FloatingPoint, rt::FpCause::InvalidOperation).message()),
              "计算结果无效！");
    EXPECT_EQ(show(rt::Error(ErrorKind::FloatingPoint, rt::FpCause::Overflow).message()),
              "计算结果超出范围！");
    EXPECT_STREQ(rt::Error(ErrorKind::Overflow).what(), "数值溢出！");
    // A cause only belongs to a floating-point error.
    EXPECT_EQ(rt::Error(ErrorKind::Overflow, rt::FpCause::DivisionByZero).cause(),
              rt::FpCause::None);
}

}  // namespace

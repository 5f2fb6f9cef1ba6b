#include <gmock/gmock.h>

#include <cmath>

#include "runtime/int16.h"
#include "runtime/number.h"
#include "runtime/table.h"

namespace {

using namespace tessaly::runtime;

auto raises(ErrorKind kind) {
    return testing::Throws<Error>(testing::Property(&Error::kind, kind));
}

TEST(Number, TheFormatAndThePrefixParseReadOneGrammar) {
    // The text, its fixed-point format ("?": not a number) and what the prefix parse reads.
    // clang-format off
    const std::tuple<const char*, const char*, double> cases[] = {
        // Rounded half away from zero, in decimal; separators only in groups of three.
        {"999999999.995", "1000000000.00", 999999999.995}, {"12,345,678", "12345678.00", 12345678},
        {"1E20", "100000000000000000000.00", 1e20}, {"1.00499999999999999999", "1.00", 1.005},
        {"-999,999", "-999999.00", -999999}, {"1e-999999999999999", "0.00", 0}, {"-0", "0.00", 0},
        {"-1e400", "overflow", -HUGE_VAL}, {"1e400", "overflow", HUGE_VAL}, {"007.5", "7.50", 7.5},
        {"1,234.5", "1234.50", 1234.5}, {"-0.005", "-0.01", -0.005}, {"-0.004", "0.00", -0.004},
        {"125e-3", "0.13", 0.125}, {"2.675", "2.68", 2.675}, {"1.005", "1.01", 1.005},
        {"  12 ", "12.00", 12}, {"12.", "12.00", 12}, {"+.5", "0.50", 0.5},
        // Blanks around, as users have them: a pasted spreadsheet cell ends in CR LF.
        {" 1234.50\r\n", "1234.50", 1234.5}, {"\u30001\u3000", "1.00", 1}, {"\t\u00a07\r", "7.00", 7},
        // Not numbers to the format; the prefix parse reads what leads.
        {"1,234.50x", "?", 1234.5}, {"1234,567", "?", 1234}, {"1.5,000", "?", 1.5}, {",5", "?", 0},
        {"1,234,56", "?", 1}, {"\u00a012", "12.00", 12}, {"1.2.3", "?", 1.2}, {"1,2345", "?", 1},
        {"0,500", "?", 0}, {"1,23", "?", 1}, {"1e+", "?", 1}, {"1 2", "?", 1}, {"1\r\n2", "?", 1}, {"１２", "?", 0},
        {"", "?", 0}};
    // clang-format on
    for (const auto& [text, format, prefix] : cases) {
        Text out;
        const auto failure = tryFormatFixed2(fromUtf8(text), out);
        const char* why = failure == ErrorKind::Overflow ? "overflow" : "?";
        EXPECT_EQ(failure ? why : toUtf8(out), format) << text;
        EXPECT_EQ(parseLeadingNumber(fromUtf8(text)), prefix) << text;
    }
    Text out;
    EXPECT_EQ(tryFormatFixed2(Text(u"12\0", 3), out), ErrorKind::NotANumber);
    // Every digit of the largest double.
    EXPECT_EQ(tryFormatFixed2(u"1.7976931348623157e308", out), std::nullopt);
    EXPECT_EQ(out, u"17976931348623157" + Text(292, u'0') + u".00");
}

TEST(Number, NumberTextGivesWholeValuesInFullOthersToFifteenDigits) {
    using N = std::pair<double, const char*>;
    for (const auto& [value, text] :
         {N{1e23, "99999999999999991611392"}, N{1e-20, "0.00000000000000000001"},
          N{-2.0 / 3, "-0.666666666666667"}, N{0.9999999999999999, "1"}, N{0.1 + 0.2, "0.3"}})
        EXPECT_EQ(toUtf8(numberText(value)), text) << value;
}

TEST(CheckedServices, RaiseOutOfRange) {
    EXPECT_THAT([] { (void)sub16(-32768, 1); }, raises(ErrorKind::Overflow));
    EXPECT_THAT([] { (void)TextTable<1>({u"a"}).at(1); }, raises(ErrorKind::OutOfBounds));
}

}  // namespace

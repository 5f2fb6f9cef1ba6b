#include <gmock/gmock.h>

#include <cmath>
#include <string>
#include <tuple>

#include "runtime/number.h"
#include "runtime/text.h"

namespace {

using namespace tessaly::runtime;

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

TEST(Text, EveryCharacterRoundTripsThroughBothEncodings) {
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c == 0xD800)
            c = 0xE000;  // surrogates are no characters
        std::string utf8;
        appendUtf8(c, utf8);
        char32_t back = 0;
        ASSERT_EQ(decodeUtf8(utf8, back), utf8.size()) << std::uint32_t{c};
        ASSERT_EQ(back, c);
        const Text units = fromUtf8(utf8);
        ASSERT_EQ(decodeUtf16(units, 0, back), units.size()) << std::uint32_t{c};
        ASSERT_EQ(back, c);
        ASSERT_EQ(units.size(), c < 0x10000 ? 1u : 2u);
        ASSERT_EQ(toUtf8(units), utf8);
    }
}

TEST(Text, EachMalformedByteIsOneCharacter) {
    // The bytes, and what reading them as UTF-16 gives: one U+FFFD for each byte that begins
    // no well-formed sequence, so that a position counts what a message shows (one \xHH each).
    const std::pair<std::string, Text> cases[] = {
        {"\x80", u"\uFFFD"},                      // a continuation byte alone
        {"\xC0\xAF", u"\uFFFD\uFFFD"},            // an overlong "/"
        {"\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD"},  // overlong, three bytes
        {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xED\xA0\x80x", u"\uFFFD\uFFFD\uFFFDx"},          // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xF5\x80", u"\uFFFD\uFFFD"},
        {"\xFF壹", u"\uFFFD壹"},
        {"\xE4\xB9", u"\uFFFD\uFFFD"},                // cut short at the end
        {"\xE4\xB9\xE4\xB9\x9D", u"\uFFFD\uFFFD九"},  // cut short by the next character
    };
    for (const auto& [bytes, units] : cases) {
        EXPECT_EQ(fromUtf8(bytes), units) << testing::PrintToString(bytes);
        char32_t c = 0;
        EXPECT_EQ(decodeUtf8(bytes, c), 0u) << testing::PrintToString(bytes);
        EXPECT_EQ(c, U'\uFFFD');
    }
    Text appended = u"壹";
    appendUtf16("\xC0圆", appended);
    EXPECT_EQ(appended, u"壹\uFFFD圆");
    // A lone surrogate has no UTF-8 form.
    EXPECT_EQ(toUtf8(Text{u'a', char16_t(0xD800), u'b', char16_t(0xDC00)}), "a\uFFFDb\uFFFD");
    std::string encoded;
    appendUtf8(char32_t{0xDFFF}, encoded);
    appendUtf8(char32_t{0x110000}, encoded);
    EXPECT_EQ(encoded, "\uFFFD\uFFFD");
}

TEST(Text, QuotesCutALongTextAndCountItInCharacters) {
    const std::string sixty = std::string(58, 'x') + "壹\U0002000B";
    const std::tuple<std::string, std::string> cases[] = {
        {sixty, sixty},
        {sixty + "\x1b", sixty + "…（共61个字）"},
        {sixty + "\U0002000B\U0002000B", sixty + "…（共62个字）"},
        {std::string(1'000'000, 'x'), std::string(60, 'x') + "…（共1000000个字）"},
        {"\u200B" + std::string(99, 'y'), "<U+200B>" + std::string(59, 'y') + "…（共100个字）"},
    };
    for (const auto& [text, quoted] : cases) {
        std::string fromBytes;
        std::string fromUnits;
        appendQuoted(text, fromBytes);
        appendQuoted(fromUtf8(text), fromUnits);
        EXPECT_EQ(fromBytes, quoted) << text.substr(0, 70);
        EXPECT_EQ(fromUnits, quoted) << text.substr(0, 70);
    }
}

}  // namespace

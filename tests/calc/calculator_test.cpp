#include "calc/calculator.h"

#include <gmock/gmock.h>

#include "memorytextbox.h"
#include "runtime/error.h"

namespace {

using namespace tessaly::runtime;
using enum FpCause;

struct Case {
    // `after`: every text written into the amount box | display | pendingOperator | workText.
    const char *text1, *pending, *shown, *keys, *after;
    FpCause failure = None;
};

// Each case starts in a window just opened, over a display whose caret stays at its end: the
// amount box holds `text1`, `pending` is typed into the empty display (which only sets the
// pending operator), `shown` is pasted into the display, and then `keys` are typed.
TEST(Calculator, ChainsLeftToRightRefusesWhatItCannotApplyAndFailsWithoutAChange) {
    // clang-format off
    const Case cases[] = {
        {"1,234.50", "", "", "100+", "1334.5 ||+|1334.5"}, {"27", "", "", "9/3\r", "3 1 ||/|1"},
        {"", "", "", "1+2*3-4/5\r", "1 3 9 5 1 ||/|1"}, {"", "", "", "2+3\r*4\r", "2 5 20 ||*|20"},
        {"", "", "", "12+3\r4\r", "12 15 19 ||+|19"}, {"1e-200", "", "1e-200", "*", "0 ||*|0"},
        {"10", "", "5+3", "-", "5 ||-|5"}, {"", "", "", "8-", "-8 ||-|-8"}, {"", "*", "", "5+", "0 ||+|0"},
        // Refused keys.
        {"", "", "", "0000000000000000", "|0000000000000000||000000000000000"},
        {"", "", "", "\b\t\x1b\x7f a=%,１＋。\xef\xbf\xbf", "|||"}, {"", "", "", ".0..5", "|0.5||0."},
        {"", "", "", "12+3\r\r", "12 15 ||+|"}, {"10", "+", "4\r", "\r", "|4\r|+|4\r"},
        {"10", "", "5+3", "+", "|5+3|+|5+3"}, {"", "", ".5", ".", "|.5||.5"}, {"", "", "", "7\r", "|7||7"},
        // Failures: nothing changes but workText, which holds the display.
        {"1.7976931348623157e308", "", "1e300", "+", "|1e300||1e300", Overflow},
        {"", "", "", "8+0/0\r", "8 8 |0|/|0", DivisionByZero}, {"1e300", "", "1e10", "*", "|1e10||1e10", Overflow},
        {"", "", "1e400", "+", "|1e400||1e400", Overflow},
        {"", "", "0", "/", "|0||0", InvalidOperation}, {"1e400", "", "0", "*", "|0||0", Overflow}};
    // clang-format on
    for (const auto& [text1, pending, shown, keys, after, failure] : cases) {
        MemoryTextBox display, amount;
        tessaly::calc::Calculator calc{display, amount};
        calc.load();
        const auto type = [&](const char* typed) {
            for (const char16_t c : fromUtf8(typed)) {
                auto code = static_cast<std::int16_t>(c);
                calc.keyPress(code);
                // A key let through lands at the caret, the end.
                display.value.append(code == 0 ? 0 : 1, c);
            }
        };
        std::string writes;
        amount.value = fromUtf8(text1);
        type(pending);
        display.value = fromUtf8(shown);
        amount.onChange = [&](const Text& text) { writes += toUtf8(text) + " "; };
        if (failure == None)
            type(keys);
        else
            EXPECT_THAT([&] { type(keys); },
                        testing::Throws<Error>(testing::Property(&Error::cause, failure)));
        const Text rest = display.value + u"|" + calc.pendingOperator() + u"|" + calc.workText();
        EXPECT_EQ(writes + "|" + toUtf8(rest), after) << text1 << " " << keys;
    }
}

}  // namespace

#include "calc/calculator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/error.h"

namespace {

using tessaly::calc::Calculator;
using tessaly::runtime::Error;
using tessaly::runtime::ErrorKind;
using tessaly::runtime::FpCause;
using tessaly::runtime::fromUtf8;
using tessaly::runtime::Text;
using tessaly::runtime::toUtf8;

// A text box that remembers every text written into it.
class FakeBox : public tessaly::calc::TextBox {
public:
    Text value;
    std::vector<std::string> writes;
    std::function<void()> onChange;

    Text text() const override { return value; }
    void setText(const Text& text) override {
        value = text;
        writes.push_back(toUtf8(text));
        if (onChange)
            onChange();
    }
};

// The calculator over a display that inserts accepted keys at its end, as a caret left at the
// end would.
struct Panel {
    FakeBox display;
    FakeBox amount;
    Calculator calc{display, amount};

    // `pending` is typed into the empty display first, which only sets the pending operator.
    Panel(const std::string& text1, const std::string& pending, const std::string& display_)
        : Panel() {
        amount.value = fromUtf8(text1);
        type(pending);
        display.value = fromUtf8(display_);
        amount.writes.clear();
        display.writes.clear();
    }
    Panel() { calc.load(); }

    // Returns, per key, 'k' for a key let into the display and '-' for a discarded one.
    std::string type(const std::string& keys) {
        std::string fate;
        for (char16_t c : fromUtf8(keys))
            fate += press(c) ? 'k' : '-';
        return fate;
    }
    bool press(char16_t c) {
        auto code = static_cast<std::int16_t>(c);
        calc.keyPress(code);
        if (code == 0)
            return false;
        display.value.push_back(static_cast<char16_t>(code));
        return true;
    }

    std::string text1() const { return toUtf8(amount.value); }
    std::string shown() const { return toUtf8(display.value); }
    std::string pending() const { return toUtf8(calc.pendingOperator()); }
    std::string work() const { return toUtf8(calc.workText()); }
    std::string results() const {
        std::string all;
        for (const auto& w : amount.writes)
            all += (all.empty() ? "" : " ") + w;
        return all;
    }
};

TEST(CalculatorStart, LoadGivesTheFirstValues) {
    Panel p;
    EXPECT_EQ(p.work(), "0");
    EXPECT_EQ(p.pending(), "");
}

// Every computing path: a pending operator (or none) by each operator key and Enter, over
// a running value of 20 and a display of 4.
TEST(CalculatorPaths, ComputingTable) {
    const std::string value[] = {"24", "16", "80", "5"};  // 20 op 4 for + - * /
    const std::string ops = "+-*/";
    for (const std::string pending : {"+", "-", "*", "/", ""}) {
        for (const char key : std::string("+-*/\r")) {
            SCOPED_TRACE("pending '" + pending + "', key " + std::to_string(int{key}));
            Panel p("20", pending, "4");
            const bool enter = key == '\r';
            EXPECT_EQ(p.type(std::string(1, key)), "-");
            if (enter && pending.empty()) {
                EXPECT_EQ(p.results(), "");
                EXPECT_EQ(p.shown(), "4");
                EXPECT_EQ(p.pending(), "");
                continue;
            }
            const auto applied = ops.find(pending.empty() ? key : pending[0]);
            EXPECT_EQ(p.results(), value[applied]);
            EXPECT_EQ(p.work(), value[applied]);
            EXPECT_EQ(p.shown(), "");
            EXPECT_EQ(p.pending(), enter ? pending : std::string(1, key));
        }
    }
}

struct Case {
    const char* name;
    const char* text1;    // before
    const char* pending;  // typed into the empty display first
    const char* display;  // then put into the display, as a paste would
    const char* keys;
    const char* fate;     // per key: k let in, - discarded
    const char* results;  // every text written into the amount box, in order
    const char* shown;    // the display after
    const char* pendingAfter;
    const char* work;
};

void check(const Case& c) {
    SCOPED_TRACE(c.name);
    Panel p(c.text1, c.pending, c.display);
    EXPECT_EQ(p.type(c.keys), c.fate);
    EXPECT_EQ(p.results(), c.results);
    EXPECT_EQ(p.text1(), p.amount.writes.empty() ? c.text1 : p.amount.writes.back());
    EXPECT_EQ(p.shown(), c.shown);
    EXPECT_EQ(p.pending(), c.pendingAfter);
    EXPECT_EQ(p.work(), c.work);
}

TEST(CalculatorPaths, Refusing) {
    const Case cases[] = {
        {"operator on an empty display", "10", "", "", "*", "-", "", "", "*", ""},
        {"operator the display holds", "10", "", "5+3", "+", "-", "", "5+3", "+", "5+3"},
        {"another operator is not refused", "10", "", "5+3", "-", "-", "5", "", "-", "5"},
        {"Enter on an empty display", "10", "+", "", "\r", "-", "", "", "+", ""},
        {"Enter with a carriage return shown", "10", "+", "4\r", "\r", "-", "", "4\r", "+", "4\r"},
        {"point on an empty display", "", "", "", ".", "-", "", "", "", ""},
        {"second point", "", "", "", "0..5", "kk-k", "", "0.5", "", "0."},
        {"point before the digits already there", "", "", ".5", ".", "-", "", ".5", "", ".5"},
        {"Backspace, controls, letters, space", "", "", "", "\b\t\x1b\x7f a=%,", "---------", "",
         "", "", ""},
        {"full-width and other characters", "", "", "", "１＋。元\xef\xbf\xbf", "-----", "", "", "",
         ""},
        {"digits have no limit", "", "", "", "0000000000000000000000", "kkkkkkkkkkkkkkkkkkkkkk", "",
         "0000000000000000000000", "", "000000000000000000000"},
    };
    for (const auto& c : cases)
        check(c);
}

TEST(CalculatorChains, LeftToRight) {
    const Case cases[] = {
        {"sum, then Enter repeats", "", "", "", "12+3\r4\r", "kk-k-k-", "12 15 19", "", "+", "19"},
        {"first operator on an empty amount", "", "", "", "5*4\r", "k-k-", "0 0", "", "*", "0"},
        {"first operator on a typed amount", "2", "", "", "5*4\r", "k-k-", "10 40", "", "*", "40"},
        {"division on a typed amount", "27", "", "", "9/3\r", "k-k-", "3 1", "", "/", "1"},
        {"first +", "", "", "", "8+", "k-", "8", "", "+", "8"},
        {"first -", "", "", "", "8-", "k-", "-8", "", "-", "-8"},
        {"first /", "", "", "", "8/", "k-", "0", "", "/", "0"},
        {"operator replacing another", "", "", "", "5+-2\r", "k--k-", "5 3", "", "-", "3"},
        {"operator after Enter", "", "", "", "2+3\r*4\r", "k-k--k-", "2 5 20", "", "*", "20"},
        {"restart from 0 keeps the old operator", "", "*", "", "5+", "k-", "0", "", "+", "0"},
        {"Enter with nothing pending", "", "", "", "7\r", "k-", "", "7", "", "7"},
        {"second Enter", "", "", "", "12+3\r\r", "kk-k--", "12 15", "", "+", ""},
        {"no precedence", "", "", "", "1+2*3-4/5\r", "k-k-k-k-k-", "1 3 9 5 1", "", "/", "1"},
        {"fifteen digits", "", "", "", "0.1+0.2\r", "kkk-kkk-", "0.1 0.3", "", "+", "0.3"},
        {"thirds", "1", "/", "", "3\r", "k-", "0.333333333333333", "", "/", "0.333333333333333"},
        {"negative running value", "", "", "", "8-3*2\r", "k-k-k-", "-8 -11 -22", "", "*", "-22"},
        {"amount doubled", "41823.51", "", "", "2*", "k-", "83647.02", "", "*", "83647.02"},
        {"negative zero", "-8", "", "", "0*", "k-", "0", "", "*", "0"},
        {"whole results in full", "100000000000", "*", "", "100000000000\r", "kkkkkkkkkkkk-",
         "10000000000000000000000", "", "*", "10000000000000000000000"},
        {"amount read up to its number", "12abc", "", "", "5+", "k-", "17", "", "+", "17"},
        {"amount without a number reads 0", "abc", "", "", "5+", "k-", "5", "", "+", "5"},
        {"display read up to its number", "10", "", "2.5.1", "*", "-", "25", "", "*", "25"},
    };
    for (const auto& c : cases)
        check(c);
}

TEST(CalculatorChains, AmountChangeRunsBeforeTheDisplayEmpties) {
    Panel p;
    std::vector<std::string> seen;
    p.amount.onChange = [&] { seen.push_back(p.shown() + "|" + p.pending() + "|" + p.work()); };
    p.type("12+3\r");
    EXPECT_EQ(seen, (std::vector<std::string>{"12||12", "3|+|15"}));
}

struct Failure {
    const char* name;
    std::string text1;
    const char* pending;
    std::string keys;  // the last one fails
    FpCause cause;
};

TEST(CalculatorFailures, ChangeNothing) {
    const std::string huge = "1" + std::string(400, '0');  // reads as infinity
    const Failure cases[] = {
        {"8 / 0 by Enter", "", "", "8+0/0\r", FpCause::DivisionByZero},
        {"-8 / 0", "-8", "/", "0\r", FpCause::DivisionByZero},
        {"0 / 0 as the first keys", "", "", "0/", FpCause::InvalidOperation},
        {"0 / 0 after a point", "0", "/", "0.\r", FpCause::InvalidOperation},
        {"product overflow", "1" + std::string(300, '0'), "", "1" + std::string(10, '0') + "*",
         FpCause::Overflow},
        {"sum overflow by Enter", "1.7976931348623157e308", "+", "1" + std::string(300, '0') + "\r",
         FpCause::Overflow},
        {"quotient overflow", "1" + std::string(300, '0'), "/", "0.00000000001\r",
         FpCause::Overflow},
        {"infinite display", "", "", huge + "+", FpCause::Overflow},
        {"infinite amount, even times 0", huge, "", "0*", FpCause::Overflow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Panel p(c.text1, c.pending, "");
        p.type(c.keys.substr(0, c.keys.size() - 1));
        const auto text1 = p.text1();
        const auto shown = p.shown();
        const auto pending = p.pending();
        const auto writes = p.amount.writes.size();
        const auto cleared = p.display.writes.size();
        try {
            p.press(static_cast<char16_t>(c.keys.back()));
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::FloatingPoint);
            EXPECT_EQ(e.cause(), c.cause);
        }
        EXPECT_EQ(p.amount.writes.size(), writes);
        EXPECT_EQ(p.text1(), text1);
        EXPECT_EQ(p.shown(), shown);
        EXPECT_EQ(p.display.writes.size(), cleared);
        EXPECT_EQ(p.pending(), pending);
        EXPECT_EQ(p.work(), shown);
    }
}

TEST(CalculatorFailures, ChainGoesOnAfterTheDisplayIsCorrected) {
    Panel p;
    p.type("8+0/");
    EXPECT_THROW(p.type("0\r"), Error);
    p.display.setText(u"");  // the display's clear button
    EXPECT_EQ(p.type("4\r"), "k-");
    EXPECT_EQ(p.text1(), "2");
    EXPECT_EQ(p.pending(), "/");
}

}  // namespace

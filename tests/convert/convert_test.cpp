#include <string>

#include <gtest/gtest.h>

#include "convert/amount.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace rt = tessaly::runtime;
using tessaly::convert::convertAmount;
using tessaly::convert::NumToChn;
using tessaly::convert::tryConvertAmount;

namespace {

std::string show(rt::TextView t) {
    return rt::toUtf8(t);
}

struct Case {
    const char16_t* input;
    const char16_t* expected;
};

class ConvertAmount : public testing::TestWithParam<Case> {};

// Both forms of the conversion, the raising one and the one for batches, give the same.
TEST_P(ConvertAmount, GivesTheUppercaseForm) {
    rt::Text money = GetParam().input;
    EXPECT_EQ(show(convertAmount(money)), show(GetParam().expected)) << show(GetParam().input);
    rt::Text batchMoney = GetParam().input;
    rt::Text upper;
    EXPECT_FALSE(tryConvertAmount(batchMoney, upper));
    EXPECT_EQ(show(upper), show(GetParam().expected));
    EXPECT_EQ(batchMoney, money);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, ConvertAmount,
    testing::Values(Case{u"41823.51", u"肆万壹仟捌佰贰拾叁圆伍角壹分"}, Case{u"0.05", u"伍分"},
                    Case{u"0.5", u"伍角整"}, Case{u"0.99", u"玖角玖分"}, Case{u"1", u"壹圆整"},
                    Case{u"10", u"壹拾圆整"}, Case{u"10.5", u"壹拾圆伍角整"},
                    Case{u"10.05", u"壹拾圆零伍分"}, Case{u"100.5", u"壹佰圆伍角整"},
                    Case{u"105", u"壹佰零伍圆整"}, Case{u"1001", u"壹仟零壹圆整"},
                    Case{u"1.05", u"壹圆零伍分"}, Case{u"10000", u"壹万圆整"},
                    Case{u"100000", u"壹拾万圆整"}, Case{u"1000100", u"壹佰万零壹佰圆整"},
                    Case{u"1000000.01", u"壹佰万圆零壹分"}, Case{u"10001000", u"壹仟万壹仟圆整"},
                    Case{u"20030005.06", u"贰仟零叁万零伍圆零陆分"},
                    Case{u"100010000", u"壹亿零壹万圆整"}, Case{u"120000000", u"壹亿贰仟万圆整"},
                    Case{u"999999999.99", u"玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分"},
                    Case{u"123.456", u"壹佰贰拾叁圆肆角陆分"}, Case{u"007.5", u"柒圆伍角整"},
                    Case{u"0000000001", u"壹圆整"}));

// A zero amount names zero, not a bare "圆整".
INSTANTIATE_TEST_SUITE_P(ZeroAmounts, ConvertAmount,
                         testing::Values(Case{u"0", u"零圆整"}, Case{u"0.00", u"零圆整"},
                                         Case{u"00", u"零圆整"}, Case{u"0.", u"零圆整"},
                                         Case{u"0.001", u"零圆整"}, Case{u"-0.004", u"零圆整"}));

// When the places 万 to 仟万 are all zero under 亿, no 万 is written.
INSTANTIATE_TEST_SUITE_P(
    EmptyWanSection, ConvertAmount,
    testing::Values(Case{u"100000000", u"壹亿圆整"}, Case{u"100000001", u"壹亿零壹圆整"},
                    Case{u"100005700.43", u"壹亿零伍仟柒佰圆肆角叁分"},
                    Case{u"100000000.5", u"壹亿圆伍角整"}, Case{u"900000000.09", u"玖亿圆零玖分"},
                    Case{u"100001000", u"壹亿零壹仟圆整"}, Case{u"110000000", u"壹亿壹仟万圆整"}));

// A negative amount keeps its sign; the length limit counts digits only.
INSTANTIATE_TEST_SUITE_P(
    Negative, ConvertAmount,
    testing::Values(Case{u"-5", u"负伍圆整"}, Case{u"-0.5", u"负伍角整"}, Case{u"-8", u"负捌圆整"},
                    Case{u"-41823.51", u"负肆万壹仟捌佰贰拾叁圆伍角壹分"},
                    Case{u"-999999999.99", u"负玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分"}));

// Rounding happens on the decimal amount, before the digits are read.
INSTANTIATE_TEST_SUITE_P(
    Rounding, ConvertAmount,
    testing::Values(Case{u"1.005", u"壹圆零壹分"}, Case{u"2.675", u"贰圆陆角捌分"},
                    Case{u"0.125", u"壹角叁分"}, Case{u"0.995", u"壹圆整"},
                    Case{u"999999999.994", u"玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分"},
                    Case{u"0.005", u"壹分"}));

INSTANTIATE_TEST_SUITE_P(OtherNumberForms, ConvertAmount,
                         testing::Values(Case{u"1,234.5", u"壹仟贰佰叁拾肆圆伍角整"},
                                         Case{u" 5 ", u"伍圆整"}, Case{u"+5", u"伍圆整"},
                                         Case{u".12", u"壹角贰分"}, Case{u"12.", u"壹拾贰圆整"},
                                         Case{u"1e3", u"壹仟圆整"},
                                         Case{u"1.2345e8", u"壹亿贰仟叁佰肆拾伍万圆整"}));

TEST(ConvertAmountFails, OnTextsThatAreNotAmounts) {
    for (const char16_t* input :
         {u"abc", u"1.2.3", u"１２", u"12元", u".", u"", u"1,23", u"1e400",
          // Ten or more integer digits need a twelfth place, which has no unit.
          u"1000000000", u"12345678901.23", u"999999999.995", u"-1000000000",
          u"1000000000000000"}) {
        rt::Text money = input;
        EXPECT_THROW(convertAmount(money), rt::Error) << show(input);
        rt::Text batchMoney = input;
        rt::Text upper = u"untouched";
        EXPECT_TRUE(tryConvertAmount(batchMoney, upper)) << show(input);
        EXPECT_EQ(upper, u"untouched");
        EXPECT_EQ(batchMoney, money);
    }
}

TEST(ConvertAmountFails, OnAVeryLongText) {
    rt::Text money(40000, u'9');
    EXPECT_THROW(convertAmount(money), rt::Error);
    rt::Text zeros = rt::Text(40000, u'0') + u"1";  // long, but a small amount
    EXPECT_EQ(show(convertAmount(zeros)), "壹圆整");
}

TEST(ConvertAmount, LeavesTheFormattedAmountInMoney) {
    rt::Text money = u"5";
    convertAmount(money);
    EXPECT_EQ(money, u"5.00");

    // Also when a later step fails.
    money = u"1000000000";
    EXPECT_THROW(convertAmount(money), rt::Error);
    EXPECT_EQ(money, u"1000000000.00");

    // And untouched when the format itself fails.
    money = u"abc";
    EXPECT_THROW(convertAmount(money), rt::Error);
    EXPECT_EQ(money, u"abc");
}

TEST(NumToChn, MapsExactlyOneDigitCharacter) {
    const char16_t* words[] = {u"零", u"壹", u"贰", u"叁", u"肆",
                               u"伍", u"陆", u"柒", u"捌", u"玖"};
    for (char16_t d = u'0'; d <= u'9'; ++d) {
        EXPECT_EQ(NumToChn(rt::Text(1, d)), words[d - u'0']);
    }
    for (const char16_t* other : {u"", u"00", u" 1", u"E", u"１", u"零"}) {
        EXPECT_EQ(NumToChn(other), u"") << show(other);
    }
}

}  // namespace

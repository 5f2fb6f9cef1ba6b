// Writing amounts: the worked examples, the mended faults, rounding, every style and the wide
// range.

#include <gtest/gtest.h>

#include "convert/amount.h"
#include "runtime/error.h"

namespace {

using namespace tessaly;
namespace rt = tessaly::runtime;

constexpr Style kYuan{.unit = Unit::Common};
constexpr Style kYuanZheng{.unit = Unit::Common, .closing = Closing::Exact};
constexpr Style kOpenJiao{.closeAfterJiao = false};
constexpr Style kPrefix{.prefix = true};
constexpr Style kWide{.wide = true};

const rt::Text kLong(40000, u'9');
constexpr Failure kTooMany = Failure::TooManyDigits;

const struct {
    const char16_t* amount;
    const char16_t* upper;  // nullptr: the conversion fails
    Style style = {};
    Failure failure = Failure::None;  // why there is none
} kWriting[] = {
    // clang-format off
    // The worked examples.
    {u"41823.51", u"肆万壹仟捌佰贰拾叁圆伍角壹分"}, {u"0.05", u"伍分"}, {u"0.5", u"伍角整"},
    {u"0.99", u"玖角玖分"}, {u"1", u"壹圆整"}, {u"10", u"壹拾圆整"}, {u"10.5", u"壹拾圆伍角整"},
    {u"10.05", u"壹拾圆零伍分"}, {u"100.5", u"壹佰圆伍角整"}, {u"105", u"壹佰零伍圆整"},
    {u"1001", u"壹仟零壹圆整"}, {u"1.05", u"壹圆零伍分"}, {u"10000", u"壹万圆整"},
    {u"100000", u"壹拾万圆整"}, {u"1000100", u"壹佰万零壹佰圆整"},
    {u"1000000.01", u"壹佰万圆零壹分"}, {u"10001000", u"壹仟万壹仟圆整"},
    {u"20030005.06", u"贰仟零叁万零伍圆零陆分"}, {u"100010000", u"壹亿零壹万圆整"},
    {u"120000000", u"壹亿贰仟万圆整"}, {u"999999999.99", u"玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分"},
    // Mended faults: every zero amount names zero (F1); no 万 for an empty 万 section under
    // 亿 (F2); a negative amount keeps its sign (F3).
    {u"0", u"零圆整"}, {u"0.", u"零圆整"}, {u"0.001", u"零圆整"}, {u"-0.004", u"零圆整"},
    {u"100000000", u"壹亿圆整"}, {u"100000001", u"壹亿零壹圆整"},
    {u"900000000.09", u"玖亿圆零玖分"}, {u"100005700.43", u"壹亿零伍仟柒佰圆肆角叁分"},
    {u"110000000", u"壹亿壹仟万圆整"}, {u"-5", u"负伍圆整"}, {u"-0.5", u"负伍角整"},
    // Rounding comes before the range is counted; what the number format takes, and how it
    // rounds, are the number services' own cases.
    {u"1.005", u"壹圆零壹分"}, {u"0.995", u"壹圆整"},
    {u"999999999.994", u"玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分"},
    {u"999999999.995", nullptr, {}, kTooMany}, {u"1000000000", nullptr, {}, kTooMany},
    {u"-1000000000", nullptr, {}, kTooMany}, {u" \t", nullptr, {}, Failure::Empty},
    {u"abc", nullptr, {}, Failure::NotANumber}, {u"", nullptr, {}, Failure::Empty},
    {u"1e400", nullptr, {}, kTooMany}, {kLong.c_str(), nullptr, {}, kTooMany},
    // Plain amounts, which the public form reads a shorter way: signs, points and zeros.
    {u"+5", u"伍圆整"}, {u".5", u"伍角整"}, {u"9.", u"玖圆整"}, {u"-.005", u"负壹分"},
    {u"-0.00", u"零圆整"}, {u"0000000000007.50", u"柒圆伍角整"}, {u"99.995", u"壹佰圆整"},
    {u".", nullptr, {}, Failure::NotANumber}, {u"-", nullptr, {}, Failure::NotANumber},
    {u"1.2.3", nullptr, {}, Failure::NotANumber}, {u"+-1", nullptr, {}, Failure::NotANumber},
    // Styles.
    {u"41823.51", u"肆万壹仟捌佰贰拾叁元伍角壹分", kYuan}, {u"1.50", u"壹元伍角整", kYuan},
    {u"0", u"零元正", kYuanZheng}, {u"10.5", u"壹拾元伍角正", kYuanZheng},
    {u"0.5", u"伍角", kOpenJiao}, {u"1.50", u"壹圆伍角", kOpenJiao}, {u"1", u"壹圆整", kOpenJiao},
    {u"-5", u"人民币负伍圆整", kPrefix}, {u"0", u"人民币零圆整", kPrefix},
    {u"0.05", u"人民币伍分", kPrefix}, {u"1000000000", nullptr, kPrefix, kTooMany},
    // The wide range.
    {u"1000000000", u"壹拾亿圆整", kWide}, {u"1000000000.01", u"壹拾亿圆零壹分", kWide},
    {u"1000000000000", u"壹万亿圆整", kWide}, {u"1000100000000", u"壹万零壹亿圆整", kWide},
    {u"1000000000001", u"壹万亿零壹圆整", kWide}, {u"1000000010000", u"壹万亿零壹万圆整", kWide},
    {u"1000010000000", u"壹万亿壹仟万圆整", kWide}, {u"1200000000000", u"壹万贰仟亿圆整", kWide},
    {u"100000000000000", u"壹佰万亿圆整", kWide},
    {u"1234567890123.45", u"壹万贰仟叁佰肆拾伍亿陆仟柒佰捌拾玖万零壹佰贰拾叁圆肆角伍分", kWide},
    {u"9999999999999999.99",
     u"玖仟玖佰玖拾玖万玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分", kWide},
    {u"10000000000000000", nullptr, kWide, kTooMany},
    // clang-format on
};

// The forms, the raising one, the one for batches and the public one, give the same, and the
// first two leave the same formatted amount in `money`; the batch form says why it failed and
// writes nothing.
TEST(Writing, GivesTheUppercaseForm) {
    for (const auto& c : kWriting) {
        SCOPED_TRACE(rt::toUtf8(c.amount));
        rt::Text money = c.amount, batchMoney = c.amount, upper = u"untouched";
        EXPECT_EQ(convert::tryConvertAmount(batchMoney, upper, c.style).failure, c.failure);
        EXPECT_EQ(rt::toUtf8(upper), rt::toUtf8(c.upper ? c.upper : u"untouched"));
        const Written written = tessaly::write(rt::toUtf8(c.amount), c.style);
        EXPECT_EQ(written.text, rt::toUtf8(c.upper ? c.upper : u""));
        EXPECT_EQ(written.failure, c.failure);
        if (c.upper)
            EXPECT_EQ(convert::convertAmount(money, c.style), upper);
        else
            EXPECT_THROW(convert::convertAmount(money, c.style), rt::Error);
        EXPECT_EQ(batchMoney, money);
    }
}

// Money as sheets and documents write it, through the public API: one sign before or 元 after,
// brackets for a negative; anything more is no amount.
TEST(Writing, TakesMoneyAsSheetsWriteIt) {
    const std::pair<const char*, const char*> cases[] = {
        // clang-format off
        {"￥41,823.51", "肆万壹仟捌佰贰拾叁圆伍角壹分"}, {"-￥8.00", "负捌圆整"}, {"￥-8.00", "负捌圆整"},
        {"¥1,680.32", "壹仟陆佰捌拾圆叁角贰分"}, {"RMB 1,680.32", "壹仟陆佰捌拾圆叁角贰分"},
        {" 1,680.32 元", "壹仟陆佰捌拾圆叁角贰分"}, {"(8.00)", "负捌圆整"}, {"￥(8.00)", "负捌圆整"},
        {"CNY 5", "伍圆整"}, {"４１８２３．５１", "肆万壹仟捌佰贰拾叁圆伍角壹分"}, {"＋５", "伍圆整"},
        {"￥100元", nullptr}, {"1,6￥80", nullptr}, {"100元整", nullptr}, {"￥￥1", nullptr},
        {"--5", nullptr}, {"-(8)", nullptr}, {"(-8)", nullptr}, {"￥", nullptr}, {"元", nullptr},
        {"￥1,2345", nullptr}, {"(8.00)元", nullptr},
        // clang-format on
    };
    for (const auto& [amount, upper] : cases) {
        const Written w = tessaly::write(amount);
        EXPECT_EQ(w.text, upper ? upper : "") << amount;
        EXPECT_EQ(w.failure, upper ? Failure::None : Failure::NotANumber) << amount;
        if (upper) {
            EXPECT_EQ(tessaly::check(amount, upper).verdict, Verdict::Ok) << amount;
        }
    }
}

}  // namespace

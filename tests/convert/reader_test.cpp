// Reading uppercase amounts back and checking them: the examples, each rule with its position,
// the round trip of writing and reading in every style, and the public UTF-8 API.

#include <random>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "convert/amount.h"
#include "convert/reader.h"
#include "stylebits.h"

namespace {

using namespace tessaly;
namespace rt = tessaly::runtime;
using namespace testing;

// "E@3 第3个字…" or "W@12 第12个字…", for readable matching.
std::vector<std::string> described(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const Finding& f : findings)
        out.push_back((f.severity == Severity::Error ? "E@" : "W@") + std::to_string(f.position) +
                      " " + f.message);
    return out;
}

// Reading and checking go through the public API, so that its UTF-8 is tested with them.
TEST(Reading, GivesTheAmountAndNamesEachRuleWhereItIsBroken) {
    const struct {
        const char* upper;
        const char* finding;           // "E@position what belongs there" (W@ for a warning)
        const char* amount = nullptr;  // nullptr: an error
    } cases[] = {
        // clang-format off
        {"人民币壹仟陆佰捌拾元零叁角贰分", "", "1680.32"},
        {"人民币壹仟陆佰捌拾元叁角贰分", "", "1680.32"},
        {"人民币壹拾万零柒仟元伍角叁分", "", "107000.53"}, {"貳萬參仟圓整", "", "23000.00"},
        {"零元整", "", "0.00"}, {"负伍圆整", "", "-5.00"},
        {"壹万贰仟亿圆整", "", "1200000000000.00"},
        {"壹仟贰佰亿零伍仟万圆整", "", "120050000000.00"},
        {"人民币壹仟肆佰零玖元伍角", "W@12 “角”后应写", "1409.50"},
        {"拾伍圆整", "W@1 应写“壹”", "15.00"}, {"负拾万圆整", "W@2 应写“壹”", "-100000.00"},
        {"一万元整", "E@1 应写“壹”"}, {"壹😀圆😀整", "E@4 不是大写金额用字"},
        {"人民币 壹圆整", "E@4 不得留空"}, {"负人民币伍圆整", "E@2 最前面"},
        {"伍负圆整", "E@2 最前面"}, {"人民币负", "E@0 没有金额"}, {"负零圆整", "E@1 不写“负”"},
        {"零伍分", "E@1 不以“零”开头"}, {"零圆伍角整", "E@3 只写“整”或“正”"},
        {"壹仟零佰圆整", "E@3 紧跟非零数字"}, {"壹零零壹圆整", "E@2 紧跟非零数字"},
        {"壹拾零", "E@3 紧跟非零数字"}, {"壹拾零伍圆整", "E@3 不写“零”"},
        {"壹万零伍仟圆整", "E@3 不写“零”"}, {"壹仟伍圆整", "E@3 应先写“零”"},
        {"壹拾圆伍分", "E@4 应先写“零”"}, {"壹亿伍仟柒佰圆整", "E@3 应先写“零”"},
        {"壹佰拾伍圆整", "E@3 “拾”前应有数字"}, {"圆整", "E@1 “圆”前应有数字"},
        {"拾拾圆整", "E@2 “拾”前应有数字"}, {"壹拾柒仟圆整", "E@3 从大到小"},
        {"壹亿亿圆整", "E@3 从大到小"}, {"伍角圆整", "E@3 从大到小"},
        {"壹亿万圆整", "E@3 不写“万”"}, {"壹万亿万圆整", "E@4 不写“万”"},
        {"壹佰伍角整", "E@3 缺“圆”或“元”"}, {"壹万", "E@2 缺“圆”或“元”"},
        {"壹圆伍", "E@3 “角”或“分”"}, {"壹圆", "E@2 “圆”后应写“整”或“正”"},
        {"壹元", "E@2 “元”后应写“整”或“正”"}, {"伍分整", "E@3 “分”后不写“整”"},
        {"壹圆整伍角", "E@4 不再写字"}
        // clang-format on
    };
    for (const auto& c : cases) {
        const Reading reading = tessaly::read(c.upper);
        SCOPED_TRACE(c.upper);
        EXPECT_EQ(reading.amount, c.amount ? std::optional<std::string>(c.amount) : std::nullopt);
        const std::string finding = c.finding;
        const std::size_t space = finding.find(' ');
        EXPECT_THAT(described(reading.findings),
                    Conditional(finding.empty(), IsEmpty(),
                                Contains(AllOf(StartsWith(finding.substr(0, space + 1)),
                                               HasSubstr(finding.substr(space + 1))))));
    }
}

TEST(Checking, ComparesTheUppercaseWithTheDigits) {
    const struct {
        const char* amount;
        const char* upper;
        Verdict verdict;
        const char* says = "";
    } cases[] = {
        // clang-format off
        {"41823.51", "肆万壹仟捌佰贰拾叁圆伍角壹分", Verdict::Ok},
        {" 1,680.324", "人民币壹仟陆佰捌拾元叁角贰分", Verdict::Ok},
        {"1409.5", "人民币壹仟肆佰零玖元伍角", Verdict::Warn, "W@12"},
        {"100010000", "壹亿零壹仟圆整", Verdict::Fail, "E@0 大写为 100001000.00，小写为 100010000.00"},
        {"-5", "伍圆整", Verdict::Fail, "大写为 5.00，小写为 -5.00"},
        {"1", "壹圆", Verdict::Fail, "E@2"},
        {"abc", "壹圆整", Verdict::Fail, "E@0 小写金额“abc”不是数字"},
        // clang-format on
    };
    for (const auto& c : cases) {
        const Check check = tessaly::check(c.amount, c.upper);
        EXPECT_EQ(check.verdict, c.verdict) << c.upper;
        EXPECT_THAT(described(check.findings),
                    Conditional(c.verdict == Verdict::Ok, IsEmpty(), Contains(HasSubstr(c.says))));
    }
}

// Every style, amounts of every length, zero-heavy: what is written reads back to its amount
// with no finding but an open 角, and the style read writes the same text again.
TEST(RoundTrip, ReadingWhatWasWrittenGivesItBack) {
    std::minstd_rand random(2024);
    for (int n = 0; n < 1500; ++n) {
        rt::Text digits(1 + random() % 18, u'0');
        for (char16_t& d : digits)
            d = static_cast<char16_t>(random() % 2 ? u'0' + random() % 10 : u'0');
        const rt::Text amount = (random() % 4 ? u"" : u"-") + digits + u"e-2";
        for (unsigned s = 0; s < tessaly::support::kStyleCount; ++s) {
            const Style style = tessaly::support::styleOfBits(s);
            rt::Text money = amount;
            rt::Text upper;
            if (!convert::tryConvertAmount(money, upper, style)) {
                EXPECT_GT(money.size() - money.starts_with(u'-'), style.wide ? 19u : 12u);
                continue;
            }
            const convert::Reading reading = convert::readUppercase(upper);
            ASSERT_EQ(reading.amount, money) << rt::toUtf8(upper);  // so no error either
            EXPECT_EQ(reading.findings.size(), !style.closeAfterJiao && upper.ends_with(u'角'));
            rt::Text again = money;
            EXPECT_EQ(convert::convertAmount(again, reading.style), upper);
        }
    }
}

TEST(PublicApi, WritesAndReadsUtf8) {
    EXPECT_EQ(toUppercase("41823.51"), "肆万壹仟捌佰贰拾叁圆伍角壹分");
    EXPECT_EQ(toUppercase(
                  "1000000000000",
                  {.unit = Unit::Common, .closing = Closing::Exact, .prefix = true, .wide = true}),
              "人民币壹万亿元正");
    EXPECT_EQ(toUppercase("1000000000"), std::nullopt);
    EXPECT_EQ(readUppercase("负伍圆整"), "-5.00");
    EXPECT_EQ(readUppercase("壹亿万圆整"), std::nullopt);
    EXPECT_THAT(described(tessaly::read("壹亿万圆整").findings),
                ElementsAre("E@3 第3个字“万”：亿后的万位全为零，不写“万”"));
}

}  // namespace

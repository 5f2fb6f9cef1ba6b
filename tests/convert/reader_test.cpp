// Reading uppercase amounts back and checking them through the public UTF-8 API: the examples,
// each rule with its position, and the conveniences and batch forms.

#include <gmock/gmock.h>

#include <tessaly/tessaly.h>

namespace {

using namespace tessaly;
using namespace testing;

// "E@3 第3个字…" or "W@12 第12个字…", for readable matching.
std::vector<std::string> described(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const Finding& f : findings)
        out.push_back((f.severity == Severity::Error ? "E@" : "W@") + std::to_string(f.position) +
                      " " + f.message);
    return out;
}

// A whole writing a finding advises reads back clean, to the same amount. (That findings are
// placed, few and safe to print is the reading fuzzer's to hold for any text.)
void expectAdviceRight(const Reading& reading) {
    for (const Finding& f : reading.findings) {
        for (const std::string_view marker : {"不必写出，应写“", "零元写作“"}) {
            const std::size_t advice = f.message.find(marker), from = advice + marker.size();
            if (advice == std::string::npos)
                continue;
            const Reading again =
                tessaly::read(f.message.substr(from, f.message.rfind("”") - from));
            EXPECT_THAT(again.findings, IsEmpty()) << f.message;
            EXPECT_TRUE(!reading.amount || again.amount == reading.amount) << f.message;
        }
    }
}

const std::string kMillion(1'000'000, 'x');

// Reading and checking go through the public API, so that its UTF-8 is tested with them.
TEST(Reading, GivesTheAmountAndNamesEachRuleWhereItIsBroken) {
    const struct {
        const char* upper;
        const char* finding;           // "E@position what belongs there" (W@ for a warning)
        const char* amount = nullptr;  // nullptr: an error
    } cases[] = {
        // clang-format off
        {"人民币壹仟陆佰捌拾元零叁角贰分", "", "1680.32"}, {"人民币壹仟陆佰捌拾元叁角贰分", "", "1680.32"},
        {"人民币壹拾万零柒仟元伍角叁分", "", "107000.53"}, {"貳萬參仟圓整", "W@1 繁体写法，应写“贰万叁仟圆整”", "23000.00"},
        {"零元整", "", "0.00"}, {"负伍圆整", "", "-5.00"}, {"壹万贰仟亿圆整", "", "1200000000000.00"},
        {"壹仟贰佰亿零伍仟万圆整", "", "120050000000.00"}, {"人民币壹仟肆佰零玖元伍角", "W@12 “角”后应写", "1409.50"},
        {"拾伍圆整", "W@1 应写“壹”", "15.00"}, {"负拾万圆整", "W@2 应写“壹”", "-100000.00"},
        {"一万元整", "E@1 应写“壹”"}, {"壹😀圆😀整", "E@4 不是大写金额用字"},
        {"人民币 壹圆整", "E@4 不得留空"}, {"负人民币伍圆整", "E@2 最前面"},
        {"伍负圆整", "E@2 最前面"}, {"人民币负", "E@5 没有金额"}, {"负零圆整", "E@4 不写“负”"},
        {"零伍分", "E@2 不以“零”开头"}, {"零圆伍角整", "W@1 应写“伍角整”", "0.50"}, {"零圆伍整", "E@4 应带“角”或“分”"},
        {"壹仟零佰圆整", "E@4 第4个字“佰”：“零”后应紧跟非零数字"}, {"壹零零壹圆整", "E@2 个位或“分”之后不写“零”"},
        {"壹拾零", "E@3 不写“零”"}, {"壹仟零", "E@3 紧跟非零数字"}, {"壹拾零伍圆整", "E@3 不写“零”"},
        {"壹万零伍仟圆整", "E@5 第5个字“仟”：与上一位相连，前面不写“零”"}, {"壹仟伍圆整", "E@3 应先写“零”"},
        {"壹拾圆伍分", "E@4 应先写“零”"}, {"壹亿伍仟柒佰圆整", "E@3 应先写“零”"},
        {"壹佰拾伍圆整", "E@3 “拾”前应有数字"}, {"圆整", "E@1 “圆”前应有数字"},
        {"拾拾圆整", "E@2 “拾”前应有数字"}, {"壹拾柒仟圆整", "E@4 第4个字“仟”：数位重复或颠倒"},
        {"壹亿亿圆整", "E@3 从大到小"}, {"伍角圆整", "E@3 从大到小"}, {"壹亿万圆整", "E@3 不写“万”"}, {"壹万亿万圆整", "E@4 不写“万”"},
        {"壹佰伍角整", "E@3 缺“圆”或“元”"}, {"壹拾万伍亿圆整", "E@4 应先写“零”"}, {"壹亿壹仟万壹亿圆整", "E@7 “亿”：数位重复"}, {"壹圆壹角壹角", "E@6 “角”：数位重复"}, {"壹万", "E@2 缺“圆”或“元”"},
        {"壹圆伍", "E@3 “角”或“分”"}, {"壹圆", "E@2 “圆”后应写“整”或“正”"},
        {"壹元", "E@2 “元”后应写“整”或“正”"}, {"伍分整", "E@3 “分”后不写“整”"}, {"贰分叁角", "E@3 “分”后不写“叁”"}, {"壹圆整伍角", "E@4 不再写字"},
        // Blamed where the text stops being a correct beginning, never inside one, but for a
        // missing 零 or 圆 (at what it belongs before), which the rest of the text must bear out.
        {"壹亿壹仟圆零伍万圆整x", "E@5 第5个字“圆”：多写的字，应删去"}, {"壹亿壹仟元伍拾万圆整", "E@5 “元”：应写“零”"},
        {"壹仟零伍角整", "E@3 “零”：整数部分后缺“圆”"},
        {"壹万壹仟圆亿", "E@6 从大到小"}, {"捌万零贰拾万元整", "E@6 从大到小"},
        {"肆万壹仟捌佰贰十叁圆伍角壹分", "E@8 应写“拾”"}, {"伍百圆整", "E@2 应写“佰”"},
        {"壹佰零陆亿零贰仟万佰圆零肆角", "E@9 “万”：与前面的“零”不符"},
        {"壹亿零伍仟万圆整", "E@6 “万”：与前面的“零”不符"}, {"伍亿陆仟仟圆整", "E@5 “仟”前应有数字"},
        {"捌万零捌万零壹佰贰拾肆亿圆整", "E@5 从大到小"},
        {"叁仟圆玖佰元整", "E@5 “佰”：圆以下的数字应带“角”或“分”"},
        // 人, 民 and 币 belong to the prefix: where it breaks, the prefix is named.
        {"人民万玖元正", "E@3 第3个字“万”：金额前应写“人民币”三字"}, {"人民壹币伍圆整", "E@3 “人民币”三字"},
        {"人民伍币圆整", "E@3 “人民币”三字"}, {"民币伍圆整", "E@1 “人民币”三字"}, {"人民", "E@2 “人民币”三字"},
        {"伍圆人民币整", "E@3 只能写在最前面"},
        // Traditional forms read, with the writing of today; 两 is refused, with why.
        {"人民幣壹圓叄角整", "W@3 第3个字“幣”：繁体写法，应写“人民币壹圆叁角整”", "1.30"},
        {"兩圆整", "E@1 “两”不是大写数字"}, {"壹亿贰万亿圆整", "E@3 应先写“零”"},
        {"壹万亿贰万亿圆整", "E@4 应先写“零”"}, {"壹亿零贰万亿圆整", "E@6 从大到小"},
        {"", "E@1 没有金额"}, {" \t ", "E@1 没有金额"}, {"负", "E@2 没有金额"}, {"人民币", "E@4 没有金额"},
        // Zero cents written out, as other systems write them: read, with the standard writing.
        {"壹元零角伍分", "W@3 第3个字“零”：“零角”不必写出，应写“壹元零伍分”", "1.05"},
        {"壹拾元零角零分", "W@4 应写“壹拾元整”", "10.00"}, {"零元伍角零分", "W@1 “零元”不必写出，应写“伍角整”", "0.50"},
        {"人民币负零圆零角伍分", "W@5 应写“人民币负伍分”", "-0.05"}, {"零圆零角零分", "W@3 “零角”不必写出，应写“零圆整”", "0.00"},
        {"壹圆零角整", "W@3 应写“壹圆整”", "1.00"}, {"负零元零角零分", "E@7 不写“负”"},
        {"壹元零零角", "E@4 紧跟非零数字"}, {"壹圆零伍角整", "E@5 前面不写“零”"}, {"壹元零分整", "E@5 “分”后不写“整”"},
        {"壹拾零角", "E@3 中间不写“零”"}, {"壹元零伍分零角", "E@6 之后不写“零”"}, {"零角伍分", "E@2"},
        // Blanks around are no part of the text; inside, every character is named safely.
        {" 壹圆整 ", "", "1.00"}, {"\t人民币壹元整\r\n", "", "1.00"},
        {"\u3000壹圆整\u00a0", "", "1.00"}, {"壹圆\n整", "E@3 第3个字“\\x0a”：金额中间不得留空"},
        {"壹\u200b圆整", "E@2 第2个字“<U+200B>”"}, {"\xef\xbb\xbf壹圆整", "E@1 “<U+FEFF>”"},
        {"壹\x1b[31m圆整", "E@2 第2个字“\\x1b”"}, {"壹\u202e圆整", "E@2 “<U+202E>”"},
        {"壹\U0010FFFF圆\U000E0041整", "E@2 “<U+10FFFF>”"}, {"壹\U0010FFFF圆\U000E0041整", "E@4 “<U+E0041>”"},
        {"\xe0\x80\xb5圆整", "E@1 第1个字“\ufffd”：不是大写金额用字"}, {kMillion.c_str(), "E@9 第9个字起另有999992处错误"},
        // clang-format on
    };
    for (const auto& c : cases) {
        const Reading reading = tessaly::read(c.upper);
        SCOPED_TRACE(std::string_view(c.upper).substr(0, 60));
        EXPECT_EQ(reading.amount, c.amount ? std::optional<std::string>(c.amount) : std::nullopt);
        const std::string finding = c.finding;
        const std::size_t space = finding.find(' ');
        EXPECT_THAT(described(reading.findings),
                    Conditional(finding.empty(), IsEmpty(),
                                Contains(AllOf(StartsWith(finding.substr(0, space + 1)),
                                               HasSubstr(finding.substr(space + 1))))));
        expectAdviceRight(reading);
    }
}

TEST(Checking, ComparesTheUppercaseWithTheDigits) {
    const struct {
        const char* amount;
        const char* upper;
        Verdict verdict;
        const char* says = "";
        std::optional<Style> house = std::nullopt;
    } cases[] = {
        // clang-format off
        {"41823.51", "肆万壹仟捌佰贰拾叁圆伍角壹分", Verdict::Ok}, {"1", "壹圆", Verdict::Fail, "E@2"},
        {" 1,680.324", "人民币壹仟陆佰捌拾元叁角贰分", Verdict::Warn, "已四舍五入到分：1680.32"},
        {"100010000", "壹亿零壹仟圆整", Verdict::Fail, "E@0 大写为 100001000.00，小写为 100010000.00"},
        {"-5", "伍圆整", Verdict::Fail, "大写为 5.00，小写为 -5.00"},
        {"abc", "壹圆整", Verdict::Fail, "E@0 小写金额“abc”不是数字"},
        {"1\x1b", "壹圆整", Verdict::Fail, "小写金额“1\\x1b”不是数字"},
        {kMillion.c_str(), "壹圆整", Verdict::Fail, "xxxxxxxxxx…（共1000000个字）”不是数字"},
        {"1.004", "壹圆整", Verdict::Warn, "W@0 小写金额“1.004”有两位以上小数，已四舍五入到分：1.00"},
        {"1.0050", "壹圆零壹分", Verdict::Warn, "四舍五入"}, {"1.000", "壹圆整", Verdict::Ok},
        {"1.05", "壹元零角伍分", Verdict::Warn, "W@3 第3个字“零”：“零角”不必写出，应写“壹元零伍分”"},
        // A house style: each departure from it is a warning.
        {"1", "壹圆整", Verdict::Warn, "W@2 第2个字“圆”：按指定格式应写“元”", Style{.unit = Unit::Common}},
        {"1", "壹元整", Verdict::Warn, "W@2 第2个字“元”：按指定格式应写“圆”", Style{}},
        {"1", "壹圆整", Verdict::Warn, "W@3 第3个字“整”：按指定格式应写“正”", Style{.closing = Closing::Exact}},
        {"1", "壹圆正", Verdict::Warn, "W@3 第3个字“正”：按指定格式应写“整”", Style{}},
        {"1.5", "壹圆伍角", Verdict::Ok, "", Style{.closeAfterJiao = false}},
        {"1.5", "壹圆伍角", Verdict::Warn, "W@4 第4个字“角”：按会计规定，“角”后应写", Style{}},
        {"-1", "负壹圆整", Verdict::Warn, "W@1 第1个字“负”：按指定格式，金额前应写“人民币”", Style{.prefix = true}},
        {"1", "人民币壹圆整", Verdict::Ok, "", Style{}},
        {"1", "人民币壹元正", Verdict::Ok, "", Style{.unit = Unit::Common, .closing = Closing::Exact, .prefix = true}},
        // What is advised is written in the house style.
        {"0.5", "零元伍角零分", Verdict::Warn, "“零元”不必写出，应写“伍角正”", Style{.unit = Unit::Common, .closing = Closing::Exact}},
        {"10", "壹拾元零角零分", Verdict::Warn, "应写“壹拾元正”", Style{.unit = Unit::Common, .closing = Closing::Exact}},
        {"1.50", "壹元伍角零分", Verdict::Warn, "应写“壹圆伍角”", Style{.closeAfterJiao = false}},
        // clang-format on
    };
    for (const auto& c : cases) {
        const Check check = tessaly::check(c.amount, c.upper, c.house);
        EXPECT_EQ(check.verdict, c.verdict) << c.upper;
        EXPECT_THAT(described(check.findings),
                    Conditional(c.verdict == Verdict::Ok, IsEmpty(), Contains(HasSubstr(c.says))));
    }
}

// The conveniences over the verbs; the style read, and a house style's warnings, reach the
// public reading; the batch forms start each result afresh.
TEST(PublicApi, WritesAndReadsUtf8) {
    EXPECT_EQ(toUppercase("41823.51"), "肆万壹仟捌佰贰拾叁圆伍角壹分");
    EXPECT_EQ(toUppercase("1000000000"), std::nullopt);
    EXPECT_EQ(readUppercase("负伍圆整"), "-5.00");
    EXPECT_EQ(readUppercase("壹亿万圆整"), std::nullopt);
    Reading reading = tessaly::read(" 人民币壹元伍角正 ", Style{.closeAfterJiao = false});
    EXPECT_EQ(reading.amount, "1.50");
    const Style& style = reading.style;
    EXPECT_TRUE(style.unit == Unit::Common && style.closing == Closing::Exact && style.prefix &&
                style.closeAfterJiao);
    EXPECT_THAT(described(reading.findings), ElementsAre("W@6 第6个字“元”：按指定格式应写“圆”",
                                                         "W@9 第9个字“正”：按指定格式应写“整”"));
    tessaly::readTo(reading, "伍角");
    EXPECT_EQ(reading.amount, "0.50");
    EXPECT_FALSE(style.closeAfterJiao || style.prefix);
    EXPECT_THAT(described(reading.findings), ElementsAre(StartsWith("W@2")));
    std::string written = "untouched";
    EXPECT_EQ(tessaly::writeTo(written, "1"), Failure::None);
    EXPECT_EQ(written, "壹圆整");  // replaced, as by every ...To form
    EXPECT_EQ(tessaly::writeTo(written, "1e99"), Failure::TooManyDigits);
    EXPECT_EQ(written, "");
    Check checked = tessaly::check("2", "壹圆整");
    tessaly::checkTo(checked, "1", "壹圆整");
    EXPECT_TRUE(checked.verdict == Verdict::Ok && checked.findings.empty());
}

}  // namespace

#pragma once

// Tessaly's engine: amounts of money written in uppercase Chinese financial numerals, and such
// texts read back and checked. Every text here is UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The unit of the yuan: 圆 (the window's writing, many invoice forms) or 元 (the bank's own
// examples).
enum class Unit { Formal, Common };

// The closing character after 圆/元 (and, if wanted, after 角): 整 or 正.
enum class Closing { Whole, Exact };

// How an amount is written. The default is the window's writing: 圆, 整 after 圆 and after
// 角, no prefix, at most nine integer digits.
struct Style {
    Unit unit = Unit::Formal;          // 圆 / 元
    Closing closing = Closing::Whole;  // 整 / 正
    bool closeAfterJiao = true;        // 伍角整 rather than 伍角
    bool prefix = false;               // 人民币 in front, before 负
    bool wide = false;                 // up to sixteen integer digits (below 10^16) instead of nine
};

// A style packed in an integer, one bit for each choice: for bindings that pass a style as a
// number, and for going through every style. The default style is closeAfterJiao alone.
struct StyleBits {
    static constexpr unsigned commonUnit = 1;      // 元
    static constexpr unsigned exactClosing = 2;    // 正
    static constexpr unsigned closeAfterJiao = 4;  // 伍角整
    static constexpr unsigned prefix = 8;          // 人民币
    static constexpr unsigned wide = 16;           // sixteen integer digits
    static constexpr unsigned count = 32;          // every style: bits 0 to 31
};

[[nodiscard]] constexpr Style styleOfBits(unsigned bits) noexcept {
    return Style{(bits & StyleBits::commonUnit) != 0 ? Unit::Common : Unit::Formal,
                 (bits & StyleBits::exactClosing) != 0 ? Closing::Exact : Closing::Whole,
                 (bits & StyleBits::closeAfterJiao) != 0, (bits & StyleBits::prefix) != 0,
                 (bits & StyleBits::wide) != 0};
}

[[nodiscard]] constexpr unsigned bitsOfStyle(const Style& style) noexcept {
    return (style.unit == Unit::Common ? StyleBits::commonUnit : 0u) |
           (style.closing == Closing::Exact ? StyleBits::exactClosing : 0u) |
           (style.closeAfterJiao ? StyleBits::closeAfterJiao : 0u) |
           (style.prefix ? StyleBits::prefix : 0u) | (style.wide ? StyleBits::wide : 0u);
}

// Why an amount could not be written.
enum class Failure {
    None,           // written
    Empty,          // nothing but spaces
    NotANumber,     // not an amount in digits
    TooManyDigits,  // more integer digits than the style takes (Style::wide takes sixteen)
};

// The uppercase text of an amount, or why there is none.
struct Written {
    std::string text;
    Failure failure = Failure::None;
    explicit operator bool() const noexcept { return failure == Failure::None; }
};

// The uppercase form of an amount in digits ("41823.51" -> 肆万壹仟捌佰贰拾叁圆伍角壹分),
// rounded to cents half away from zero. The amount may be written as money is in sheets and
// documents: a currency sign before it (￥41,823.51, -￥8.00, ￥-8.00, ¥, RMB 1,680.32, CNY),
// 元 after it (1,680.32元), accounting brackets for a negative ((8.00), ￥(8.00)), full-width
// digits; two signs, a sign inside the number or text after it are NotANumber.
[[nodiscard]] Written write(std::string_view amount, const Style& style = {});

// The same into `out`, as every ...To form does: `out` is replaced (empty on failure) and its
// storage reused, so that a batch that reuses one string allocates nothing per amount.
[[nodiscard]] Failure writeTo(std::string& out, std::string_view amount, const Style& style = {});

// write(amount, style).text, or nothing on failure.
[[nodiscard]] std::optional<std::string> toUppercase(std::string_view amount,
                                                     const Style& style = {});

enum class Severity { Error, Warning };

// One thing found in an uppercase text, or in the digits beside it.
struct Finding {
    Severity severity = Severity::Error;
    // Of the character concerned in the uppercase text, counted in characters from 1 (where
    // nothing is written yet, the place the missing part belongs); 0 when the finding is about
    // the digits beside the text.
    std::size_t position = 0;
    // Short plain Chinese for a clerk, position included: 第3个字“万”：亿后的万位全为零，不写“万”
    std::string message;
};

// What an uppercase text names.
struct Reading {
    // [-]digits.dd; nothing when any finding is an error.
    std::optional<std::string> amount;
    std::vector<Finding> findings;
    // The style the text is written in (unit, closing, prefix, 角 closed or not; wide), so that
    // the amount can be written back the same way.
    Style style;
};

// Reads an uppercase amount in any writing style, up to sixteen integer digits. Blanks around
// the text (spaces, tabs, U+3000, U+00A0, CR, LF) are ignored; a gap inside it is an error.
// Positions count in the text as given. A text gets at most eight findings in full; one more
// counts the rest. With a house style, the text must also follow it: each departure is a
// warning (圆 where the house writes 元 or the reverse, 整 for 正 or the reverse, 人民币
// missing where the house writes it); a house style that leaves 角 open drops the warning for
// a missing 整 after 角.
[[nodiscard]] Reading read(std::string_view upper,
                           const std::optional<Style>& house = std::nullopt);

// The same into `out`, replaced and its storage reused: a batch that reads many texts into
// one Reading allocates nothing for a text without findings.
void readTo(Reading& out, std::string_view upper, const std::optional<Style>& house = std::nullopt);

// The amount an uppercase text names, as [-]digits.dd; nothing when the text has an error.
[[nodiscard]] std::optional<std::string> readUppercase(std::string_view upper);

enum class Verdict { Ok, Warn, Fail };

struct Check {
    Verdict verdict = Verdict::Ok;
    std::vector<Finding> findings;
};

// Checks an uppercase text against the amount in digits beside it (written as write() takes
// it, rounded to cents as the conversion rounds): Fail when the text has an error, when the digits
// are not a number, or when the two name different amounts; Warn when the text is correct with
// warnings, or when the digits had more than two decimals. `house` as for read().
[[nodiscard]] Check check(std::string_view amount, std::string_view upper,
                          const std::optional<Style>& house = std::nullopt);

// The same into `out`, replaced and its storage reused, for batches as readTo().
void checkTo(Check& out, std::string_view amount, std::string_view upper,
             const std::optional<Style>& house = std::nullopt);

// One amount that scan() found in a text.
struct Mention {
    std::size_t offset = 0;  // its first byte in the text
    std::size_t length = 0;  // its bytes: text.substr(offset, length) is the amount as written
    std::size_t line = 0;    // its line, from 1; LF, CR LF and CR end a line
    std::size_t column = 0;  // its first character in that line, counted in characters from 1
    // What read() and check() are given for it: an uppercase amount without the spaces inside
    // it; digits as a plain number, 万 or 亿 applied ("100000" for 10万元, "-1680.32" for
    // -¥1,680.32), more than two decimals kept.
    std::string text;
    // [-]digits.dd; nothing for an uppercase amount with an error.
    std::optional<std::string> amount;
};

// An uppercase amount and the digits paired with it, or either of them alone.
struct Found {
    std::optional<Mention> upper;
    std::optional<Mention> digits;
    // For a pair, check(digits->text, upper->text, house) gives the verdict and the findings; for
    // an uppercase amount alone, read(upper->text, house): Fail with an error, Warn with
    // warnings only, else Ok. Digits alone have nothing to be checked against: no verdict.
    std::optional<Verdict> verdict;
    std::vector<Finding> findings;  // positions counted in upper->text
};

// Finds the amounts in a running text, a contract or a voucher, in one pass, and pairs each
// uppercase amount with the digits beside it; the results come in the order of the text.
// - An uppercase amount is a run of the characters read() takes (traditional forms included),
//   a single space between two of them allowed (text taken from a PDF has them), that holds a
//   financial numeral and names money: it holds 圆, 元, 角 or 分, starts with 人民币, or follows
//   a label 大写 (大写： 大写金额：). 第壹条, 壹号楼, 贰层 and 贰份 are no amounts. Everyday
//   numerals (一, 十 ...) count only between financial ones, so that 壹万二千元 is found, and read
//   with its finding, while 一万元 is not an uppercase amount. A unit or a closing that cannot
//   follow what comes before it ends the run (壹万元分两期: 壹万元), and nothing follows 整 or 正.
// - Digits (ASCII or full-width, "," groups of three, a point, a sign) are an amount when money
//   is marked: ¥, ￥, RMB or 人民币 before them, 元, 万元 or 亿元 after them (one space
//   between allowed: 2 万元, 1,680.32 元), or a label 小写 or 金额 before them. 10万元 is
//   100000.00 and 1.5亿元 150000000.00. Digits that continue a code or a version (No.5, A12),
//   that are a date or a time (2024-05-01), or that a count or a share follows (5%, 3份, 30日)
//   are no amount.
// - Pairs: each uppercase amount and the nearest digits in the same sentence, each used once:
//   of the pairs still open the one with the fewest characters between its two is made first,
//   the earlier on a tie, so that
//   首付款人民币叁万元整（¥30,000.00），尾款人民币柒万元整（¥70,000.00） gives two pairs. A
//   sentence ends at 。 ； ; ！ ! ？ ? , a blank line or a form feed; a line break inside a
//   paragraph does not end it. A line holding a tab is a table row, as spreadsheets and word
//   processors copy one: a sentence of its own. But two rows one after the other, one with 大写
//   before its only amount (uppercase) and the other with 小写 before its only amount (digits),
//   are one pair, as a form writes them.
// `house` applies as it does to check(). Never raises; the time taken grows with the text.
[[nodiscard]] std::vector<Found> scan(std::string_view text,
                                      const std::optional<Style>& house = std::nullopt);

// The same into `out`, replaced and its storage reused, for batches as readTo().
void scanTo(std::vector<Found>& out, std::string_view text,
            const std::optional<Style>& house = std::nullopt);

}  // namespace tessaly

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
// rounded to cents half away from zero.
[[nodiscard]] Written write(std::string_view amount, const Style& style = {});

// The same, appended to `out` (left as it was on failure): a batch that reuses one string
// allocates nothing per amount.
[[nodiscard]] Failure writeTo(std::string& out, std::string_view amount, const Style& style = {});

// write(amount, style).text, or nothing on failure.
[[nodiscard]] std::optional<std::string> toUppercase(std::string_view amount,
                                                     const Style& style = {});

enum class Severity { Error, Warning };

// One thing found in an uppercase text, or in the digits beside it.
struct Finding {
    Severity severity = Severity::Error;
    // Of the character concerned in the uppercase text, counted in characters from 1; 0 when
    // the finding is about the text as a whole or about the digits.
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

// Reads an uppercase amount in any writing style, up to sixteen integer digits.
[[nodiscard]] Reading read(std::string_view upper);

// The amount an uppercase text names, as [-]digits.dd; nothing when the text has an error.
[[nodiscard]] std::optional<std::string> readUppercase(std::string_view upper);

enum class Verdict { Ok, Warn, Fail };

struct Check {
    Verdict verdict = Verdict::Ok;
    std::vector<Finding> findings;
};

// Checks an uppercase text against the amount in digits beside it (rounded to cents as the
// conversion rounds): Fail when the text has an error, when the digits are not a number, or
// when the two name different amounts; Warn when the text is correct with warnings.
[[nodiscard]] Check check(std::string_view amount, std::string_view upper);

}  // namespace tessaly

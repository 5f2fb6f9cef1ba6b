#pragma once

// Tessaly's engine: amounts of money written in uppercase Chinese financial numerals, and such
// texts read back and checked.
//
// - Every text passed in or returned is UTF-8; a malformed sequence is read as U+FFFD.
// - Spaces, tabs, U+3000 (full-width space) and U+00A0 around an amount or an uppercase text
//   are ignored; inside an uppercase text a gap is an error.
// - Every call may be made from any number of threads at once: nothing is shared between calls.
// - No call throws for any input, however long or malformed: what is wrong with it is in the
//   result. Only running out of memory throws (std::bad_alloc).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tessaly/version.h>

namespace tessaly {

// The unit of the yuan: 圆 (the window's writing, many invoice forms) or 元 (the bank's own
// examples).
enum class Unit { Formal, Common };

// The closing character after 圆/元 (and, if wanted, after 角): 整 or 正.
enum class Closing { Whole, Exact };

// How an amount is written. The default is the window's writing: 圆, 整 after 圆 and after 角,
// no prefix, at most nine integer digits. Name the fields that differ from it:
//     tessaly::write("1.50", {.unit = tessaly::Unit::Common, .prefix = true})  // 人民币壹元伍角整
// New fields may come, so fill a Style by name (designated initializers are C++20; GCC and
// Clang take them in C++17 too), or field by field, never by position.
struct Style {
    // 圆 (Formal) or 元 (Common) after the ones digit: 壹圆整 / 壹元整.
    Unit unit = Unit::Formal;
    // 整 (Whole) or 正 (Exact) at the end of an amount without cents: 捌圆整 / 捌圆正.
    Closing closing = Closing::Whole;
    // Whether an amount ending in 角 is closed too: 伍角整 (true) or 伍角 (false). One ending in
    // 分 never is.
    bool closeAfterJiao = true;
    // 人民币 in front (before 负 for a negative amount): 人民币负伍圆整.
    bool prefix = false;
    // Up to sixteen integer digits (amounts below 10^16, 万亿 places) instead of nine (below
    // 10^9, as the window writes).
    bool wide = false;
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
// rounded to cents half away from zero. An amount is an optional sign ("+" or "-"), decimal
// digits with an optional point ("-.5", "007.50"), optionally "," between groups of three
// integer digits ("1,234.5"), and an optional exponent ("1e3", "2.5E-1"). A negative amount is
// written with 负; one that rounds to zero is 零圆整.
[[nodiscard]] Written write(std::string_view amount, const Style& style = {});

// The same, appended to `out` (left as it was on failure): a batch that reuses one string
// allocates nothing per amount.
[[nodiscard]] Failure writeTo(std::string& out, std::string_view amount, const Style& style = {});

// write(amount, style).text, or nothing on failure, for a one-line use.
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
// `house`, when given, is the style the text must follow: a departure from it is a warning.
[[nodiscard]] Reading read(std::string_view upper,
                           const std::optional<Style>& house = std::nullopt);

// The same into `out`, reusing its storage: for batches of many lines.
void readTo(Reading& out, std::string_view upper, const std::optional<Style>& house = std::nullopt);

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
[[nodiscard]] Check check(std::string_view amount, std::string_view upper,
                          const std::optional<Style>& house = std::nullopt);

}  // namespace tessaly

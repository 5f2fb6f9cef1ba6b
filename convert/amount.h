#pragma once

// The uppercase Chinese financial form of an amount.

#include <tessaly/tessaly.h>

#include "runtime/text.h"

namespace tessaly::convert {

// The digit word of one digit character ("0".."9"), as the writing puts it; "" for
// any other text.
[[nodiscard]] runtime::TextView NumToChn(runtime::TextView num) noexcept;

// Converts an amount text to its uppercase form in `style`
// ("41823.51" -> "肆万壹仟捌佰贰拾叁圆伍角壹分"). Overwrites `money` with the amount formatted to
// two decimals as soon as that succeeds. There is no early exit here: "0" gives "零圆整".
// This is the window's door: a failure (not a number, more integer digits than the style's
// range, ...) raises runtime::Error, which the window traps.
[[nodiscard]] runtime::Text convertAmount(runtime::Text& money, const Style& style = {});

// Whether a conversion succeeded: true when it did; otherwise `failure` says why.
struct [[nodiscard]] Converted {
    Failure failure = Failure::None;
    explicit operator bool() const noexcept { return failure == Failure::None; }
};

// The same conversion for everything but the window: it reports a failure by its kind and
// raises nothing, whatever the input. `upper` is assigned only on success; `money` as above.
Converted tryConvertAmount(runtime::Text& money, runtime::Text& upper, const Style& style = {});

// What writeTo() writes of an amount given in UTF-8 (a number, or money as convert/money.h
// takes it), appended to `out` in UTF-16; nothing on failure. Amounts in plain ASCII digits,
// most of what batches hold, are taken without decoding.
[[nodiscard]] Failure appendUpper(std::string_view amount, runtime::Text& out,
                                  const Style& style = {});

// What the window and the command line show when an amount cannot be converted.
inline constexpr runtime::TextView kFailureText = u"零圆零角零分";
inline constexpr runtime::TextView kFailurePrompt = u"你输入的数字太长或者格式错误！";
inline constexpr runtime::TextView kFailureTitle = u"提示：";

}  // namespace tessaly::convert

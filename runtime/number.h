#pragma once

// Number services: the fixed-point format, text-to-number and number-to-text conversions.

#include <cstddef>
#include <optional>

#include "runtime/error.h"

#include "runtime/text.h"

namespace tessaly::runtime {

// Formats an amount text with the pattern "0.00": rounds the decimal value exactly, half away
// from zero, to two decimals. Accepts blanks around (isBlank), a sign, digits with an optional
// point
// (".5" and "5." are numbers), "," as thousands separator in groups of three after a first
// group of one to three digits not starting with 0, and an exponent.
// Writes [-]digits.dd with no leading zeros into `out`; a value that rounds to zero has no
// sign. Returns NotANumber for any other text and Overflow beyond the double's range, without
// raising them: batches expect many texts to fail. `out` is assigned only on success and may
// be the text that `amount` views. With `rounded`, sets it to whether the value had digits
// below the cents that rounding dropped or carried.
[[nodiscard]] std::optional<ErrorKind> tryFormatFixed2(TextView amount, Text& out,
                                                       bool* rounded = nullptr);

// Adds one to the last of the `size` digit characters at `digits`, carrying leftwards; a carry
// out of the first digit writes a "1" before it, at digits[-1], which must be writable, and
// moves `digits` and `size` to take it in. For rounding a digit string half away from zero.
void carryOne(char16_t*& digits, std::size_t& size) noexcept;

// Forgiving prefix parse: leading blanks, sign, digits (in "," groups of three as the format
// reads them), one ".", digits, an optional exponent; the rest is ignored. Text without a
// leading number reads as 0. Never fails; a value too large for a double reads as an infinity.
[[nodiscard]] double parseLeadingNumber(TextView text) noexcept;

// Number text: a whole value prints all its integer digits, never an exponent; any other
// value prints at most 15 significant digits without trailing zeros or exponent.
// Negative zero prints "0". A NaN or an infinity raises a floating-point error.
[[nodiscard]] Text numberText(double value);

}  // namespace tessaly::runtime

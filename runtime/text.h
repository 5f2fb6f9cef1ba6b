#pragma once

// Text services over UTF-16. Positions are 1-based and lengths count code units.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::runtime {

using Text = std::u16string;
using TextView = std::u16string_view;

// Position of the first exact occurrence of `sought` in `searched` at or after `start`,
// 0 when there is none. An empty `sought` is found at `start` (if within the text).
// start < 1 raises OutOfBounds.
[[nodiscard]] std::int64_t inStr(std::int64_t start, TextView searched, TextView sought);

// The one test of a decimal digit, "0" to "9" and nothing else.
constexpr bool isDigit(char16_t c) noexcept {
    return c >= u'0' && c <= u'9';
}

// The spaces that surround a text as users have it: typed, tabbed, full-width (U+3000), copied
// from a web page (U+00A0), or the line end of a copied spreadsheet cell.
constexpr bool isBlank(char16_t c) noexcept {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u3000' || c == u'\u00A0';
}

// A character that shows nothing of its own, or acts on the terminal or the text around it:
// control characters, format characters (zero-width spaces and joiners, the byte-order mark,
// bidi controls ...), line and paragraph separators, non-characters and lone surrogates.
// Messages name such a character by its code point instead of printing it.
constexpr bool isUnprintable(char32_t c) noexcept {
    return c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || c == 0x34F || c == 0x61C ||
           (c >= 0x600 && c <= 0x605) || c == 0x6DD || c == 0x70F || c == 0x115F || c == 0x1160 ||
           c == 0x180E || (c >= 0x180B && c <= 0x180F) || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0x3164 ||
           (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF ||
           c == 0xFFA0 || (c >= 0xFFF0 && c <= 0xFFFB) || (c & 0xFFFE) == 0xFFFE ||
           (c >= 0x890 && c <= 0x891) || c == 0x8E2 || c == 0x110BD || c == 0x110CD ||
           (c >= 0x13430 && c <= 0x1343F) || (c >= 0x1BCA0 && c <= 0x1BCA3) ||
           (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE0FFF);
}

// A UTF-8 text without the blanks (isBlank) around it, for a caller that must know whether
// anything is left before decoding it.
[[nodiscard]] std::string_view trimBlanks(std::string_view utf8) noexcept;

[[nodiscard]] inline std::int64_t len(TextView text) noexcept {
    return static_cast<std::int64_t>(text.size());
}

// UTF-8 <-> UTF-16 at the edges of the program. Malformed input becomes U+FFFD.
[[nodiscard]] std::string toUtf8(TextView text);
// Appends the UTF-8 form of `text` to `out`, reusing its storage.
void appendUtf8(TextView text, std::string& out);
[[nodiscard]] Text fromUtf8(std::string_view text);
// The same into `out`, reusing its storage.
void fromUtf8(std::string_view text, Text& out);

}  // namespace tessaly::runtime

#pragma once

// Text services over UTF-16. Positions are 1-based and lengths count code units.

#include <cstddef>
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

// The program's one codec: UTF-8 and UTF-16 are read and written here and nowhere else.

// The character `utf8` starts with (it must not be empty) into `c`; returns its length in
// bytes, or 0 when the first byte begins no well-formed sequence (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, a code point past U+10FFFF): `c` is then
// U+FFFD and that one byte stands for one character.
[[nodiscard]] std::size_t decodeUtf8(std::string_view utf8, char32_t& c) noexcept;
// The character at `i` of `text` (i < its size) into `c`; returns its code units, 2 for a
// surrogate pair. A lone surrogate is a character of its own.
[[nodiscard]] std::size_t decodeUtf16(TextView text, std::size_t i, char32_t& c) noexcept;
// Appends `c` in UTF-8; a surrogate or a value past U+10FFFF, which have none, as U+FFFD.
void appendUtf8(char32_t c, std::string& out);

// UTF-8 <-> UTF-16 at the edges of the program, a character for a character: a lone surrogate
// and each malformed byte (as decodeUtf8 finds them) become U+FFFD.
[[nodiscard]] std::string toUtf8(TextView text);
// Appends the UTF-8 form of `text` to `out`, reusing its storage.
void appendUtf8(TextView text, std::string& out);
[[nodiscard]] Text fromUtf8(std::string_view text);
// The same into `out`, reusing its storage.
void fromUtf8(std::string_view text, Text& out);
// Appends the UTF-16 form of `text` to `out`.
void appendUtf16(std::string_view text, Text& out);

// Texts in messages, which reach terminals and log files: nothing raw, and nothing long.

// How many characters of a text a message quotes.
inline constexpr std::size_t kQuotedChars = 60;

// Appends `c` as a message shows it: a control character (below U+0020, and U+007F) as C
// writes its byte, \x1b; another character that isUnprintable by its code point, <U+FEFF>;
// any other as itself.
void appendShown(char32_t c, std::string& out);
// Appends every character of `utf8` shown so, and a byte that begins no well-formed sequence
// as \xHH.
void appendShown(std::string_view utf8, std::string& out);
// Appends the first kQuotedChars characters of a text, shown; of a longer text then
// "…（共N个字）" with N its length in characters. The caller adds its own quotation marks.
void appendQuoted(std::string_view utf8, std::string& out);
void appendQuoted(TextView text, std::string& out);

// A buffer kept from call to call lets go of what a huge text made it take.
inline void keepSmall(Text& buffer) {
    if (buffer.capacity() > std::size_t{1} << 12)
        Text().swap(buffer);
}

}  // namespace tessaly::runtime

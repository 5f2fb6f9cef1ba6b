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
std::int64_t inStr(std::int64_t start, TextView searched, TextView sought);

// The one test of a decimal digit, "0" to "9" and nothing else.
constexpr bool isDigit(char16_t c) noexcept {
    return c >= u'0' && c <= u'9';
}

inline std::int64_t len(TextView text) noexcept {
    return static_cast<std::int64_t>(text.size());
}

// UTF-8 <-> UTF-16 at the edges of the program. Malformed input becomes U+FFFD.
std::string toUtf8(TextView text);
// Appends the UTF-8 form of `text` to `out`, reusing its storage.
void appendUtf8(TextView text, std::string& out);
Text fromUtf8(std::string_view text);

}  // namespace tessaly::runtime

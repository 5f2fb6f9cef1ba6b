#include "cli/escape.h"

#include <algorithm>
#include <array>

#include "runtime/text.h"

namespace tessaly::cli {

namespace {

// The well-formed UTF-8 sequences by their first byte; the range of the second byte keeps out
// overlong forms, surrogates and code points past U+10FFFF.
struct Lead {
    unsigned char first, last;
    std::size_t length;
    unsigned char secondMin, secondMax;
};
constexpr Lead kLeads[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

// The character at the start of `s`: its length in bytes, 0 for a byte that begins no
// well-formed sequence, and its code point.
std::size_t decode(std::string_view s, char32_t& c) {
    const auto byte = [s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    c = byte(0);
    if (c < 0x80)
        return 1;
    for (const Lead& lead : kLeads) {
        if (byte(0) < lead.first || byte(0) > lead.last)
            continue;
        if (s.size() < lead.length || byte(1) < lead.secondMin || byte(1) > lead.secondMax)
            return 0;
        c = byte(0) & (0x7F >> lead.length);
        for (std::size_t i = 1; i < lead.length; ++i) {
            if ((byte(i) & 0xC0) != 0x80)
                return 0;
            c = c << 6 | (byte(i) & 0x3F);
        }
        return lead.length;
    }
    return 0;
}

// A byte in lower case as C writes it (\x1b), a code point in upper case as Unicode does.
constexpr char kHexLower[] = "0123456789abcdef";
constexpr char kHex[] = "0123456789ABCDEF";

void appendHexByte(unsigned char b, std::string& out) {
    out += "\\x";
    out += kHexLower[b >> 4];
    out += kHexLower[b & 0xF];
}

void appendCodePoint(char32_t c, std::string& out) {
    std::array<char, 8> digits{};
    std::size_t n = 0;
    for (; c > 0 || n < 4; c >>= 4)
        digits[n++] = kHex[c & 0xF];
    out += "<U+";
    while (n > 0)
        out += digits[--n];
    out += '>';
}

// How many characters `text` holds, counted as appendEscaped counts them.
std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    char32_t c;
    for (; !text.empty(); ++count)
        text.remove_prefix(std::max<std::size_t>(decode(text, c), 1));
    return count;
}

}  // namespace

std::size_t appendEscaped(std::string_view text, std::string& out, std::size_t maxChars) {
    for (std::size_t shown = 0; !text.empty(); ++shown) {
        if (shown == maxChars)
            return characters(text);
        // A run of printable ASCII at once.
        std::size_t run = 0;
        while (run < text.size() && run < maxChars - shown && text[run] >= 0x20 && text[run] < 0x7F)
            ++run;
        if (run > 0) {
            out.append(text.substr(0, run));
            text.remove_prefix(run);
            shown += run - 1;
            continue;
        }
        char32_t c;
        const std::size_t n = decode(text, c);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            appendHexByte(static_cast<unsigned char>(text[0]), out);
        } else if (runtime::isUnprintable(c)) {
            appendCodePoint(c, out);
        } else {
            out.append(text.substr(0, n));
        }
        text.remove_prefix(std::max<std::size_t>(n, 1));
    }
    return 0;
}

void appendQuoted(std::string_view text, std::string& out) {
    out += '"';
    const std::size_t left = appendEscaped(text, out, kQuotedChars);
    if (left == 0) {
        out += '"';
        return;
    }
    out += "…\" (";
    out += std::to_string(kQuotedChars + left);
    out += " characters)";
}

}  // namespace tessaly::cli

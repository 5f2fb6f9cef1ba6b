#include "runtime/text.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "runtime/error.h"

namespace tessaly::runtime {

std::int64_t inStr(std::int64_t start, TextView searched, TextView sought) {
    if (start < 1)
        throw Error(ErrorKind::OutOfBounds);
    if (start > len(searched))
        return 0;
    const auto found = searched.find(sought, static_cast<std::size_t>(start - 1));
    return found == TextView::npos ? 0 : static_cast<std::int64_t>(found) + 1;
}

namespace {

// isBlank's characters beyond ASCII, in UTF-8.
constexpr std::string_view kWideBlanks[] = {"\u3000", "\u00A0"};

// The length in bytes of the blank that `s` starts (or, with `atEnd`, ends) with; 0 for none.
std::size_t blankLength(std::string_view s, bool atEnd) noexcept {
    const auto edge = static_cast<unsigned char>(atEnd ? s.back() : s.front());
    if (edge < 0x80)
        return isBlank(edge) ? 1 : 0;
    for (const std::string_view blank : kWideBlanks) {
        if (atEnd ? s.ends_with(blank) : s.starts_with(blank))
            return blank.size();
    }
    return 0;
}

}  // namespace

std::string_view trimBlanks(std::string_view utf8) noexcept {
    while (!utf8.empty()) {
        const std::size_t n = blankLength(utf8, false);
        if (n == 0)
            break;
        utf8.remove_prefix(n);
    }
    while (!utf8.empty()) {
        const std::size_t n = blankLength(utf8, true);
        if (n == 0)
            break;
        utf8.remove_suffix(n);
    }
    return utf8;
}

namespace {

constexpr bool isSurrogate(char32_t c) noexcept {
    return c >= 0xD800 && c <= 0xDFFF;
}

// decodeUtf8 for the loops below, inlined: `n` bytes from `p`, n > 0.
inline std::size_t decode(const unsigned char* p, std::size_t n, char32_t& c) noexcept {
    const unsigned char b = p[0];
    if (b < 0x80) {
        c = b;
        return 1;
    }
    c = 0xFFFD;
    if (b < 0xC2 || b > 0xF4)
        return 0;
    const std::size_t length = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (n < length)
        return 0;
    // The second byte's range keeps out overlong forms, surrogates and what lies past U+10FFFF.
    const unsigned char low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    if (p[1] < low || p[1] > high)
        return 0;
    char32_t v = b & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        v = v << 6 | (p[k] & 0x3Fu);
    }
    c = v;
    return length;
}

// Writes `c` (no surrogate) in UTF-8 at `p`; returns the end.
inline char* encode(char32_t c, char* p) noexcept {
    const auto put = [&p](char32_t byte) { *p++ = static_cast<char>(byte); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
    return p;
}

const unsigned char* bytes(std::string_view s) noexcept {
    return reinterpret_cast<const unsigned char*>(s.data());
}

}  // namespace

std::size_t decodeUtf8(std::string_view utf8, char32_t& c) noexcept {
    return decode(bytes(utf8), utf8.size(), c);
}

std::size_t decodeUtf16(TextView text, std::size_t i, char32_t& c) noexcept {
    c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        return 2;
    }
    return 1;
}

void appendUtf8(char32_t c, std::string& out) {
    char buf[4];
    out.append(buf, encode(isSurrogate(c) || c > 0x10FFFF ? 0xFFFD : c, buf));
}

std::string toUtf8(TextView text) {
    std::string out;
    appendUtf8(text, out);
    return out;
}

void appendUtf8(TextView text, std::string& out) {
    // Written through a pointer into room for the longest form (three bytes a code unit), then
    // cut to what was written: one size check per text rather than per byte.
    const std::size_t start = out.size();
    out.resize(start + text.size() * 3);
    char* p = out.data() + start;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c;
        i += decodeUtf16(text, i, c);
        p = encode(isSurrogate(c) ? 0xFFFD : c, p);  // a lone surrogate has no UTF-8 form
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

Text fromUtf8(std::string_view text) {
    Text out;
    appendUtf16(text, out);
    return out;
}

void fromUtf8(std::string_view text, Text& out) {
    out.clear();
    appendUtf16(text, out);
}

void appendUtf16(std::string_view text, Text& out) {
    // Every byte gives at most one code unit, so the room is made once and written through a
    // pointer.
    const std::size_t start = out.size();
    out.resize(start + text.size());
    char16_t* p = out.data() + start;
    const unsigned char* b = bytes(text);
    const unsigned char* const end = b + text.size();
    while (b < end) {
        if (*b < 0x80) {  // most of what is read is ASCII or blanks around CJK
            *p++ = *b++;
            continue;
        }
        char32_t c;
        b += std::max<std::size_t>(decode(b, static_cast<std::size_t>(end - b), c), 1);
        if (c >= 0x10000) {
            *p++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            *p++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *p++ = static_cast<char16_t>(c);
        }
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr char kHexLower[] = "0123456789abcdef";

// A byte as C writes it: \x1b.
void appendByte(unsigned char b, std::string& out) {
    const char escaped[] = {'\\', 'x', kHexLower[b >> 4], kHexLower[b & 0xF]};
    out.append(escaped, sizeof escaped);
}

void appendCount(std::size_t n, std::string& out) {
    char digits[20];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), n).ptr;
    out.append(digits, end);
}

// "…（共N个字）" after a quoted text cut short.
void appendCut(std::size_t chars, std::string& out) {
    out += "…（共";
    appendCount(chars, out);
    out += "个字）";
}

// Appends up to `limit` characters of `utf8` shown; returns the bytes they took.
std::size_t appendShownUpTo(std::string_view utf8, std::size_t limit, std::string& out) {
    const unsigned char* const start = bytes(utf8);
    const unsigned char* const end = start + utf8.size();
    const unsigned char* b = start;
    for (std::size_t shown = 0; b < end && shown < limit;) {
        if (*b >= 0x20 && *b < 0x7F) {  // a run of printable ASCII at once
            const unsigned char* run = b;
            for (; run < end && shown < limit && *run >= 0x20 && *run < 0x7F; ++run)
                ++shown;
            out.append(reinterpret_cast<const char*>(b), static_cast<std::size_t>(run - b));
            b = run;
            continue;
        }
        char32_t c;
        const std::size_t n = decode(b, static_cast<std::size_t>(end - b), c);
        if (n == 0)
            appendByte(*b, out);
        else
            appendShown(c, out);
        b += std::max<std::size_t>(n, 1);
        ++shown;
    }
    return static_cast<std::size_t>(b - start);
}

}  // namespace

void appendShown(char32_t c, std::string& out) {
    if (c < 0x20 || c == 0x7F) {
        appendByte(static_cast<unsigned char>(c), out);
    } else if (isUnprintable(c)) {
        char digits[8];
        std::size_t n = 0;
        for (; c > 0 || n < 4; c >>= 4)
            digits[n++] = kHex[c & 0xF];
        out += "<U+";
        while (n > 0)
            out += digits[--n];
        out += '>';
    } else {
        appendUtf8(c, out);
    }
}

void appendShown(std::string_view utf8, std::string& out) {
    appendShownUpTo(utf8, utf8.size(), out);
}

void appendQuoted(std::string_view utf8, std::string& out) {
    const std::size_t used = appendShownUpTo(utf8, kQuotedChars, out);
    if (used == utf8.size())
        return;
    std::size_t chars = kQuotedChars;
    const unsigned char* const end = bytes(utf8) + utf8.size();
    char32_t c;
    for (const unsigned char* b = bytes(utf8) + used; b < end; ++chars)
        b += std::max<std::size_t>(decode(b, static_cast<std::size_t>(end - b), c), 1);
    appendCut(chars, out);
}

void appendQuoted(TextView text, std::string& out) {
    std::size_t chars = 0;
    std::size_t i = 0;
    char32_t c;
    for (; i < text.size() && chars < kQuotedChars; ++chars) {
        i += decodeUtf16(text, i, c);
        appendShown(c, out);
    }
    if (i == text.size())
        return;
    for (; i < text.size(); ++chars)
        i += decodeUtf16(text, i, c);
    appendCut(chars, out);
}

}  // namespace tessaly::runtime

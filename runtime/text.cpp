#include "runtime/text.h"

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
    const auto put = [&p](char32_t byte) { *p++ = static_cast<char>(byte); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate has no UTF-8 form
        }
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {  // two code units become four bytes
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

Text fromUtf8(std::string_view text) {
    Text out;
    fromUtf8(text, out);
    return out;
}

void fromUtf8(std::string_view text, Text& out) {
    // Every byte gives at most one code unit, so the room is made once and written through a
    // pointer.
    out.resize(text.size());
    char16_t* p = out.data();
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto isCont = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char b = byte(i);
        char32_t c = 0xFFFD;
        std::size_t n = 1;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b <= 0xDF && isCont(i + 1)) {
            c = ((b & 0x1Fu) << 6) | (byte(i + 1) & 0x3Fu);
            n = 2;
        } else if (b >= 0xE0 && b <= 0xEF && isCont(i + 1) && isCont(i + 2)) {
            const char32_t v =
                ((b & 0x0Fu) << 12) | ((byte(i + 1) & 0x3Fu) << 6) | (byte(i + 2) & 0x3Fu);
            // Overlong forms and encoded surrogates are malformed.
            if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF))
                c = v;
            n = 3;
        } else if (b >= 0xF0 && b <= 0xF4 && isCont(i + 1) && isCont(i + 2) && isCont(i + 3)) {
            const char32_t v = ((b & 0x07u) << 18) | ((byte(i + 1) & 0x3Fu) << 12) |
                               ((byte(i + 2) & 0x3Fu) << 6) | (byte(i + 3) & 0x3Fu);
            if (v >= 0x10000 && v <= 0x10FFFF)
                c = v;
            n = 4;
        }
        if (c >= 0x10000) {
            *p++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            *p++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *p++ = static_cast<char16_t>(c);
        }
        i += n;
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

}  // namespace tessaly::runtime

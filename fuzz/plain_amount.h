#pragma once

// Test-side reference for amounts written as plain decimals: rounds the text to cents by
// hand, half away from zero, so the library's answers can be checked against it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::fuzz {

struct Cents {
    bool negative = false;     // only for a non-zero amount
    std::string digits = "0";  // the amount in cents, no leading zeros

    // Integer digits of the rounded amount ("0" for amounts below 1 counts as none).
    std::size_t integerDigits() const { return digits.size() > 2 ? digits.size() - 2 : 0; }
    bool operator==(const Cents&) const = default;
};

inline bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// A text of the form [spaces][sign]digits[.digits][spaces] with at least one digit, rounded to
// cents; nothing for any other text.
inline std::optional<Cents> plainCents(std::u16string_view s) {
    std::size_t i = 0;
    const auto space = [&](std::size_t k) { return s[k] == u' ' || s[k] == u'\t'; };
    while (i < s.size() && space(i))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    std::string ints;
    std::string fracs;
    while (i < s.size() && isAsciiDigit(s[i]))
        ints += static_cast<char>(s[i++]);
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && isAsciiDigit(s[i]))
            fracs += static_cast<char>(s[i++]);
    }
    while (i < s.size() && space(i))
        ++i;
    if (i != s.size() || (ints.empty() && fracs.empty()))
        return std::nullopt;

    fracs.resize(std::max<std::size_t>(fracs.size(), 3), '0');
    std::string cents = ints + fracs.substr(0, 2);
    if (fracs[2] >= '5') {
        std::size_t k = cents.size();
        while (k > 0 && cents[k - 1] == '9')
            cents[--k] = '0';
        if (k == 0) {
            cents.insert(cents.begin(), '1');
        } else {
            ++cents[k - 1];
        }
    }
    const std::size_t first = cents.find_first_not_of('0');
    Cents out;
    out.digits = first == std::string::npos ? "0" : cents.substr(first);
    out.negative = negative && out.digits != "0";
    return out;
}

// True when `s` is what the fixed-point format may return: [-](0|[1-9][0-9]*).dd, and no
// "-0.00".
inline bool isFormatted(std::u16string_view s) {
    std::size_t i = 0;
    if (i < s.size() && s[i] == u'-')
        ++i;
    const std::size_t intStart = i;
    while (i < s.size() && isAsciiDigit(s[i]))
        ++i;
    const std::size_t intLen = i - intStart;
    if (intLen == 0 || (intLen > 1 && s[intStart] == u'0'))
        return false;
    if (s.size() != i + 3 || s[i] != u'.' || !isAsciiDigit(s[i + 1]) || !isAsciiDigit(s[i + 2]))
        return false;
    return !(s[0] == u'-' && s.substr(1) == u"0.00");
}

}  // namespace tessaly::fuzz

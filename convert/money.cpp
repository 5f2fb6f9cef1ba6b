#include "convert/money.h"

#include <array>
#include <string_view>

namespace tessaly::convert {

namespace {

using runtime::TextView;

// A number is short: a longer text is no amount written as money, and is not looked into.
constexpr std::size_t kLongest = 64;

constexpr std::array<TextView, 4> kSigns = {u"￥", u"¥", u"RMB", u"CNY"};

char16_t ascii(char16_t c) {
    if (c >= u'０' && c <= u'９')
        return static_cast<char16_t>(u'0' + (c - u'０'));
    switch (c) {
        case u'。':
        case u'．':
            return u'.';
        case u'，':
            return u',';
        case u'－':
            return u'-';
        case u'＋':
            return u'+';
        default:
            return c;
    }
}

// Digits with "," anywhere after the first and at most one point, or a point and digits: what
// the number grammar is then to judge (groups of three, and so on).
bool looksLikeNumber(TextView s) {
    if (s.empty())
        return false;
    bool point = false;
    bool digit = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (runtime::isDigit(c)) {
            digit = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else if (!(c == u',' && i > 0 && s[0] != u'.' && !point)) {
            return false;
        }
    }
    return digit;
}

void trim(TextView& s) {
    while (!s.empty() && runtime::isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && runtime::isBlank(s.back()))
        s.remove_suffix(1);
}

bool take(TextView& s, TextView prefix) {
    if (!s.starts_with(prefix))
        return false;
    s.remove_prefix(prefix.size());
    trim(s);
    return true;
}

}  // namespace

bool plainAmount(TextView amount, runtime::Text& out) {
    std::array<char16_t, kLongest> buffer;
    TextView given = amount;
    trim(given);
    if (given.size() > kLongest)
        return false;
    bool changed = false;
    for (std::size_t i = 0; i < given.size(); ++i) {
        buffer[i] = ascii(given[i]);
        changed = changed || buffer[i] != given[i];
    }
    TextView rest(buffer.data(), given.size());
    bool minus = take(rest, u"-");
    bool marked = false;
    for (const TextView sign : kSigns)
        marked = marked || take(rest, sign);
    if (!minus)
        minus = take(rest, u"-");
    if (!minus)
        take(rest, u"+");
    if (!minus && rest.size() > 2 && rest.front() == u'(' && rest.back() == u')') {
        rest = rest.substr(1, rest.size() - 2);
        trim(rest);
        minus = true;
        marked = true;
    }
    if (!marked && rest.ends_with(u"元")) {
        rest.remove_suffix(1);
        trim(rest);
        marked = true;
    }
    if (!(marked || changed) || !looksLikeNumber(rest))
        return false;
    out.clear();
    if (minus)
        out += u'-';
    out.append(rest.data(), rest.size());
    return true;
}

}  // namespace tessaly::convert

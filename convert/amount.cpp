#include "convert/amount.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "convert/vocabulary.h"
#include "runtime/error.h"
#include "runtime/number.h"

namespace tessaly::convert {

using runtime::Text;
using runtime::TextView;

namespace {

// The unit of each place in each style. An amount needing a place beyond its range has no
// unit and fails.
constexpr std::array<TextView, words::kPlaceCount> kFormalUnits = words::kPlaces;
constexpr std::array<TextView, words::kPlaceCount> kCommonUnits = [] {
    auto places = words::kPlaces;
    places[words::kYuan] = words::kCommonYuan;
    return places;
}();
// The places of 圆, 万, 亿 and the 万 of 万亿, whose unit a zero digit still writes.
constexpr std::uint32_t kUnitBearing =
    1u << words::kYuan | 1u << words::kWan | 1u << words::kYi | 1u << words::kWanYi;

// What goes in front: 人民币 if the style says so, then 负 for a negative amount.
constexpr TextView kLeads[2][2] = {{u"", u"负"}, {u"人民币", u"人民币负"}};
static_assert(kLeads[1][1].substr(0, 3) == words::kPrefix && kLeads[0][1] == words::kMinus);

// The uppercase text is written from the right, so it is built backwards into a buffer that
// holds the longest result with room to spare.
class ReverseBuilder {
public:
    // At most the places of the range, each a digit and its unit: the buffer holds them all.
    void prepend(TextView part) noexcept {
        for (auto it = part.rbegin(); it != part.rend(); ++it)
            buf_[--start_] = *it;
    }
    // The character `skip` places before the end; the text must be longer than that.
    char16_t last(std::size_t skip = 0) const noexcept { return buf_[buf_.size() - 1 - skip]; }
    std::size_t size() const noexcept { return buf_.size() - start_; }
    void take(TextView prefix, std::size_t dropLast, TextView suffix, Text& out) const {
        out.clear();
        out.reserve(prefix.size() + size() - dropLast + suffix.size());
        out.append(prefix);
        out.append(buf_.data() + start_, size() - dropLast);
        out.append(suffix);
    }

private:
    // 18 places of at most two characters each.
    std::array<char16_t, 40> buf_{};
    std::size_t start_ = buf_.size();
};

// True when the places 万 to 仟万 are all zero under a digit above them: the 万 then names no
// amount and must not be written ("100000001" is 壹亿零壹圆整, not 壹亿万零壹圆整).
bool emptyWanSection(TextView digits) noexcept {
    const std::size_t n = digits.size();
    if (n <= static_cast<std::size_t>(words::kYi))
        return false;
    for (std::size_t k = words::kWan; k < static_cast<std::size_t>(words::kYi); ++k) {
        if (digits[n - 1 - k] != u'0')
            return false;
    }
    return true;
}

}  // namespace

TextView NumToChn(TextView num) noexcept {
    if (num.size() == 1 && runtime::isDigit(num[0]))
        return words::kDigits[static_cast<std::size_t>(num[0] - u'0')];
    return {};
}

Converted tryConvertAmount(Text& money, Text& upperOut, const Style& style) {
    if (std::all_of(money.begin(), money.end(), runtime::isBlank))
        return {Failure::Empty};
    if (const auto failure = runtime::tryFormatFixed2(money, money))
        return {*failure == runtime::ErrorKind::NotANumber ? Failure::NotANumber
                                                           : Failure::TooManyDigits};

    // The formatted amount is [-]digits.dd without leading zeros, so joining its two parts and
    // dropping the sign and the zeros in front gives the digits that the joined text's value
    // prints as: exactly, for every amount that the unit table can take.
    const TextView formatted = money;
    const bool negative = formatted.front() == u'-';
    const auto& units = style.unit == Unit::Common ? kCommonUnits : kFormalUnits;
    const std::size_t places = style.wide ? units.size() : words::kNarrowPlaceCount;
    std::array<char16_t, words::kPlaceCount> digitBuf;
    std::size_t n = 0;
    for (const char16_t c : formatted) {
        if (c == u'-' || c == u'.' || (n == 0 && c == u'0'))
            continue;
        if (n == places)
            return {Failure::TooManyDigits};  // one place more than the range has units for
        digitBuf[n++] = c;
    }
    if (n == 0)
        digitBuf[n++] = u'0';
    const TextView digits(digitBuf.data(), n);

    const bool skipWan = emptyWanSection(digits);
    bool zeroFlag = false;
    ReverseBuilder upper;
    for (std::size_t k = 0; k < n; ++k) {  // from the hundredths leftwards
        const TextView d = digits.substr(n - 1 - k, 1);
        const TextView word = NumToChn(d);
        const TextView unit = units[k];
        const bool unitBearing = (kUnitBearing >> k & 1u) != 0;
        if (d[0] != u'0') {
            upper.prepend(unit);
            upper.prepend(word);
            zeroFlag = false;
        } else if (unitBearing && !(skipWan && k == words::kWan)) {
            upper.prepend(unit);
            zeroFlag = true;
        } else if (!zeroFlag) {
            upper.prepend(words::kDigits[0]);
            zeroFlag = true;
        }
    }

    const TextView closing = style.closing == Closing::Exact ? words::kExact : words::kWhole;
    const TextView lead = kLeads[style.prefix][negative];
    // The "零" of a zero hundredths digit is dropped; what is left chooses the ending.
    const std::size_t drop = upper.last() == u'零' ? 1 : 0;
    if (upper.size() == drop) {  // a zero amount, never negative
        upperOut.assign(lead).append(words::kDigits[0]).append(units[words::kYuan]);
        upperOut.append(closing);
        return {};
    }
    // Otherwise the text now ends in 分, which takes no closing, in 角, closed if the style says
    // so, or in the unit, always closed.
    const char16_t end = upper.last(drop);
    const bool closed = end != u'分' && (end != u'角' || style.closeAfterJiao);
    upper.take(lead, drop, closed ? closing : u"", upperOut);
    return {};
}

Text convertAmount(Text& money, const Style& style) {
    Text upper;
    if (const Converted converted = tryConvertAmount(money, upper, style); !converted) {
        // The window traps this: what it says is its own, whatever the kind.
        throw runtime::Error(converted.failure == Failure::TooManyDigits
                                 ? runtime::ErrorKind::OutOfBounds
                                 : runtime::ErrorKind::NotANumber);
    }
    return upper;
}

}  // namespace tessaly::convert

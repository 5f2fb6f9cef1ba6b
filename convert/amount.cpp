#include "convert/amount.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "runtime/int16.h"
#include "runtime/number.h"
#include "runtime/table.h"

namespace tessaly::convert {

using runtime::Text;
using runtime::TextView;

namespace {

constexpr std::array<TextView, 10> kDigitWords = {u"零", u"壹", u"贰", u"叁", u"肆",
                                                  u"伍", u"陆", u"柒", u"捌", u"玖"};

// Place units from the hundredths leftwards, as far as the wide range reaches, with the unit
// of the yuan in each style. An amount needing a place beyond its range has no unit and fails.
constexpr std::array<TextView, 18> kPlaces = {u"分", u"角", u"圆", u"拾", u"佰", u"仟",
                                              u"万", u"拾", u"佰", u"仟", u"亿", u"拾",
                                              u"佰", u"仟", u"万", u"拾", u"佰", u"仟"};
constexpr std::size_t kNarrowPlaces = 11;  // up to 亿: nine integer digits
constexpr std::int16_t kYuanPlace = 2;
constexpr std::int16_t kWanPlace = 6;
constexpr std::int16_t kYiPlace = 10;
constexpr std::int16_t kWanYiPlace = 14;
constexpr runtime::TextTable<18> kFormalUnits(kPlaces);
constexpr runtime::TextTable<18> kCommonUnits([] {
    auto places = kPlaces;
    places[kYuanPlace] = u"元";
    return places;
}());
// The places of 圆, 万, 亿 and the 万 of 万亿, whose unit a zero digit still writes.
constexpr std::uint32_t kUnitBearing =
    1u << kYuanPlace | 1u << kWanPlace | 1u << kYiPlace | 1u << kWanYiPlace;

// What goes in front: 人民币 if the style says so, then 负 for a negative amount.
constexpr TextView kLeads[2][2] = {{u"", u"负"}, {u"人民币", u"人民币负"}};
constexpr TextView kWhole = u"整";
constexpr TextView kExact = u"正";

TextView digitWord(TextView num) noexcept {
    if (num.size() == 1 && runtime::isDigit(num[0])) {
        return kDigitWords[static_cast<std::size_t>(num[0] - u'0')];
    }
    return {};
}

// The uppercase text is written from the right, so it is built backwards into a buffer that
// holds the longest result with room to spare.
class ReverseBuilder {
public:
    void prepend(TextView part) {
        if (part.size() > start_)
            throw runtime::Error(runtime::ErrorKind::OutOfBounds);
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
    if (n <= static_cast<std::size_t>(kYiPlace))
        return false;
    for (std::size_t k = kWanPlace; k < static_cast<std::size_t>(kYiPlace); ++k) {
        if (digits[n - 1 - k] != u'0')
            return false;
    }
    return true;
}

}  // namespace

Text NumToChn(TextView num) {
    return Text(digitWord(num));
}

std::optional<runtime::ErrorKind> tryConvertAmount(Text& money, Text& upperOut,
                                                   const Style& style) {
    using runtime::sub16;
    using runtime::toInt16;

    if (const auto failure = runtime::tryFormatFixed2(money, money))
        return failure;

    // The formatted amount is [-]digits.dd without leading zeros, so joining its two parts and
    // dropping the sign and the zeros in front gives the digits that the joined text's value
    // prints as: exactly, for every amount that the unit table can take.
    const TextView formatted = money;
    const std::int16_t point = toInt16(runtime::inStr(1, formatted, u"."));
    if (point < 1)
        return runtime::ErrorKind::OutOfBounds;  // no point: the left slice's count is negative
    const bool negative = formatted.front() == u'-';
    const auto& units = style.unit == Unit::Common ? kCommonUnits : kFormalUnits;
    const std::size_t places = style.wide ? units.size() : kNarrowPlaces;
    std::array<char16_t, kPlaces.size()> digitBuf;
    std::size_t n = 0;
    for (const char16_t c : formatted) {
        if (c == u'-' || c == u'.' || (n == 0 && c == u'0'))
            continue;
        if (n == places)
            return runtime::ErrorKind::OutOfBounds;  // one place more than the range has units for
        digitBuf[n++] = c;
    }
    if (n == 0)
        digitBuf[n++] = u'0';
    const TextView digits(digitBuf.data(), n);

    const std::int16_t count = toInt16(runtime::len(digits));
    const bool skipWan = emptyWanSection(digits);
    bool zeroFlag = false;
    ReverseBuilder upper;
    for (std::int16_t i = count; i >= 1; i = sub16(i, 1)) {
        const TextView d = digits.substr(static_cast<std::size_t>(i - 1), 1);
        const TextView word = digitWord(d);
        const std::int16_t k = sub16(count, i);
        const TextView unit = units.at(k);
        const bool unitBearing = (kUnitBearing >> k & 1u) != 0;
        if (d[0] != u'0') {
            upper.prepend(unit);
            upper.prepend(word);
            zeroFlag = false;
        } else if (unitBearing && !(skipWan && k == kWanPlace)) {
            upper.prepend(unit);
            zeroFlag = true;
        } else if (!zeroFlag) {
            upper.prepend(u"零");
            zeroFlag = true;
        }
    }

    const TextView closing = style.closing == Closing::Exact ? kExact : kWhole;
    const TextView lead = kLeads[style.prefix][negative];
    // The "零" of a zero hundredths digit is dropped; what is left chooses the ending.
    const std::size_t drop = upper.last() == u'零' ? 1 : 0;
    if (upper.size() == drop) {  // a zero amount, never negative
        upperOut.assign(lead).append(u"零").append(units.at(kYuanPlace)).append(closing);
        return std::nullopt;
    }
    // Otherwise the text now ends in 分, which takes no closing, in 角, closed if the style says
    // so, or in the unit, always closed.
    const char16_t end = upper.last(drop);
    const bool closed = end != u'分' && (end != u'角' || style.closeAfterJiao);
    upper.take(lead, drop, closed ? closing : u"", upperOut);
    return std::nullopt;
}

Text convertAmount(Text& money, const Style& style) {
    Text upper;
    if (const auto failure = tryConvertAmount(money, upper, style))
        throw runtime::Error(*failure);
    return upper;
}

}  // namespace tessaly::convert

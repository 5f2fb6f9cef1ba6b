#include "convert/amount.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "convert/money.h"
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

// An amount as the writing takes it: its digits to the cents without zeros in front (4182351
// for 41823.51; 0 for zero, which has no sign).
struct Digits {
    std::array<char16_t, words::kPlaceCount> buf;
    std::size_t size = 0;
    bool negative = false;
    TextView view() const noexcept { return {buf.data(), size}; }
};

// The digits of a formatted amount, [-]digits.dd without leading zeros; false when there are
// more than `places`, the units of the style's range.
bool digitsOf(TextView formatted, std::size_t places, Digits& out) noexcept {
    out.negative = formatted.front() == u'-';
    out.size = 0;
    for (const char16_t c : formatted) {
        if (c == u'-' || c == u'.' || (out.size == 0 && c == u'0'))
            continue;
        if (out.size == places)
            return false;
        out.buf[out.size++] = c;
    }
    if (out.size == 0)
        out.buf[out.size++] = u'0';
    return true;
}

constexpr bool isAsciiDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// The digits of a plain amount in ASCII, [+-]digits[.digits] with a digit in it, as the format
// and digitsOf() make them (rounded half away from zero on the third decimal), in one pass:
// Failure::None, or TooManyDigits past `places`. Nothing for any other text, which goes the
// long way.
std::optional<Failure> plainDigits(std::string_view s, std::size_t places, Digits& out) noexcept {
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '-' || s[0] == '+'))
        ++i;
    const std::size_t intStart = i;
    while (i < s.size() && s[i] == '0')
        ++i;
    const std::size_t significant = i;
    while (i < s.size() && isAsciiDigit(s[i]))
        ++i;
    const std::size_t intEnd = i;
    char decimals[3] = {'0', '0', '0'};
    std::size_t decimalCount = 0;
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && isAsciiDigit(s[i]); ++i, ++decimalCount) {
            if (decimalCount < 3)
                decimals[decimalCount] = s[i];
        }
    }
    if (i != s.size() || (intEnd == intStart && decimalCount == 0))
        return std::nullopt;
    // The integer digits and the cents; rounding may carry into one digit more, in front.
    if (intEnd - significant + 2 > places)
        return Failure::TooManyDigits;
    std::array<char16_t, words::kPlaceCount + 1> work;
    char16_t* d = work.data() + 1;
    std::size_t n = 0;
    for (std::size_t k = significant; k < intEnd; ++k)
        d[n++] = static_cast<char16_t>(s[k]);
    d[n++] = static_cast<char16_t>(decimals[0]);
    d[n++] = static_cast<char16_t>(decimals[1]);
    if (decimals[2] >= '5')
        runtime::carryOne(d, n);
    while (n > 0 && d[0] == u'0') {  // cents with no yuan in front
        ++d;
        --n;
    }
    if (n > places)
        return Failure::TooManyDigits;
    out.negative = negative && n > 0;
    out.size = n;
    std::copy_n(d, n, out.buf.begin());
    if (n == 0)
        out.buf[out.size++] = u'0';
    return Failure::None;
}

// Each digit and each unit is one code unit, which the writing puts in place as such.
constexpr bool oneUnitEach(const std::array<TextView, words::kPlaceCount>& units) {
    return std::all_of(units.begin(), units.end(), [](TextView u) { return u.size() == 1; });
}
static_assert(oneUnitEach(kFormalUnits) && oneUnitEach(kCommonUnits) &&
              std::all_of(words::kDigits.begin(), words::kDigits.end(),
                          [](TextView d) { return d.size() == 1; }) &&
              words::kWhole.size() == 1 && words::kExact.size() == 1);

// The uppercase text of an amount's digits in `style`, appended to `out`.
void appendDigits(const Digits& amount, const Style& style, Text& out) {
    const auto& units = style.unit == Unit::Common ? kCommonUnits : kFormalUnits;
    const TextView digits = amount.view();
    const std::size_t n = digits.size();
    const bool skipWan = emptyWanSection(digits);
    // The text is written from the right, so it is built backwards in a buffer that holds the
    // longest: the lead, a digit and a unit for each place, and the closing after them.
    std::array<char16_t, kLeads[1][1].size() + 2 * words::kPlaceCount + 1> buf;
    const std::size_t body = buf.size() - 1;
    std::size_t start = body;
    bool zeroFlag = false;
    for (std::size_t k = 0; k < n; ++k) {  // from the hundredths leftwards
        const char16_t d = digits[n - 1 - k];
        const bool unitBearing = (kUnitBearing >> k & 1u) != 0;
        if (d != u'0') {
            buf[--start] = units[k][0];
            buf[--start] = NumToChn(TextView(&d, 1))[0];
            zeroFlag = false;
        } else if (unitBearing && !(skipWan && k == words::kWan)) {
            buf[--start] = units[k][0];
            zeroFlag = true;
        } else if (!zeroFlag) {
            buf[--start] = words::kDigits[0][0];
            zeroFlag = true;
        }
    }

    const TextView closing = style.closing == Closing::Exact ? words::kExact : words::kWhole;
    const TextView lead = kLeads[style.prefix][amount.negative];
    // The "零" of a zero hundredths digit is dropped; what is left chooses the ending.
    std::size_t end = buf[body - 1] == words::kDigits[0][0] ? body - 1 : body;
    if (end == start) {  // a zero amount, never negative
        out.append(lead).append(words::kDigits[0]).append(units[words::kYuan]).append(closing);
        return;
    }
    // Otherwise the text now ends in 分, which takes no closing, in 角, closed if the style says
    // so, or in the unit, always closed.
    const char16_t last = buf[end - 1];
    if (last != u'分' && (last != u'角' || style.closeAfterJiao))
        buf[end++] = closing[0];
    start -= lead.size();
    std::copy(lead.begin(), lead.end(), buf.begin() + static_cast<std::ptrdiff_t>(start));
    out.append(buf.data() + start, end - start);
}

std::size_t placesOf(const Style& style) noexcept {
    return style.wide ? words::kPlaceCount : words::kNarrowPlaceCount;
}

// The digits of an amount in `money`, formatted there: as the format reads any number.
Failure formattedDigits(Text& money, const Style& style, Digits& digits) {
    if (std::all_of(money.begin(), money.end(), runtime::isBlank))
        return Failure::Empty;
    if (const auto failure = runtime::tryFormatFixed2(money, money))
        return *failure == runtime::ErrorKind::NotANumber ? Failure::NotANumber
                                                          : Failure::TooManyDigits;
    // The formatted amount is [-]digits.dd without leading zeros, so joining its two parts and
    // dropping the sign and the zeros in front gives the digits that the joined text's value
    // prints as: exactly, for every amount that the unit table can take.
    return digitsOf(money, placesOf(style), digits) ? Failure::None : Failure::TooManyDigits;
}

}  // namespace

TextView NumToChn(TextView num) noexcept {
    if (num.size() == 1 && runtime::isDigit(num[0]))
        return words::kDigits[static_cast<std::size_t>(num[0] - u'0')];
    return {};
}

Converted tryConvertAmount(Text& money, Text& upperOut, const Style& style) {
    Digits digits;
    const Failure failure = formattedDigits(money, style, digits);
    if (failure == Failure::None) {
        upperOut.clear();
        appendDigits(digits, style, upperOut);
    }
    return {failure};
}

Failure appendUpper(std::string_view amount, Text& out, const Style& style) {
    Digits digits;
    if (const auto plain = plainDigits(amount, placesOf(style), digits)) {
        if (*plain == Failure::None)
            appendDigits(digits, style, out);
        return *plain;
    }
    // Reused from call to call on each thread, so that a batch allocates nothing per amount.
    thread_local Text money;
    thread_local Text plain;
    runtime::fromUtf8(amount, money);
    if (plainAmount(money, plain))
        money.swap(plain);
    const Failure failure = formattedDigits(money, style, digits);
    if (failure == Failure::None)
        appendDigits(digits, style, out);
    runtime::keepSmall(money);
    runtime::keepSmall(plain);
    return failure;
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

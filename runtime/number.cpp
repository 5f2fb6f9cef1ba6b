#include "runtime/number.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

#include "runtime/error.h"

namespace tessaly::runtime {

namespace {

// Exponents are saturated here: far beyond any double, yet safe from int64 overflow when
// added to a text length.
constexpr std::int64_t kExponentLimit = 1'000'000'000;
// Decimal digits before the point of the largest double.
constexpr std::int64_t kMaxDoubleIntegerDigits = 309;

// Both read "," groups of three in the integer part, so that a grouped amount is one number
// to the conversion and to the calculator alike.
enum class Grammar {
    Amount,  // the whole text
    Prefix,  // a leading number; the rest is ignored
};

// A decimal number as found in a text: its digits are the integer digits (separators left
// out) followed by the fraction digits, and the point stands after `pointPos` of them.
// It may view its own `grouped`, so it is never copied or moved: scan() fills one in place.
struct Decimal {
    Decimal() = default;
    Decimal(const Decimal&) = delete;
    Decimal& operator=(const Decimal&) = delete;

    bool found = false;
    bool negative = false;
    Text grouped;    // the integer digits when the text grouped them with ","
    TextView ints;   // integer digits
    TextView fracs;  // fraction digits
    std::int64_t exponent = 0;

    std::int64_t digitCount() const noexcept { return len(ints) + len(fracs); }
    // Digit `k` of the digit sequence; '0' outside it.
    char16_t digit(std::int64_t k) const noexcept {
        if (k < 0)
            return u'0';
        if (k < len(ints))
            return ints[static_cast<std::size_t>(k)];
        k -= len(ints);
        if (k < len(fracs))
            return fracs[static_cast<std::size_t>(k)];
        return u'0';
    }
    std::int64_t pointPos() const noexcept { return len(ints) + exponent; }
    // Index of the first non-zero digit; digitCount() for a zero value.
    std::int64_t firstSignificant() const noexcept {
        for (std::int64_t k = 0; k < digitCount(); ++k) {
            if (digit(k) != u'0')
                return k;
        }
        return digitCount();
    }
};

std::size_t scanDigits(TextView s, std::size_t i) noexcept {
    while (i < s.size() && isDigit(s[i]))
        ++i;
    return i;
}

// Integer digits grouped by "," in threes ("1,234,567"), starting at `i`. Returns the end, or
// `i` when the text there is not such a group. The first group has one to three digits and no
// leading zero: "0,500" is a decimal comma to many writers, not five hundred.
std::size_t scanGrouped(TextView s, std::size_t i, Text& digits) {
    const std::size_t head = scanDigits(s, i);
    if (head == i || head - i > 3 || s[i] == u'0' || head >= s.size() || s[head] != u',')
        return i;
    digits.assign(s.substr(i, head - i));
    std::size_t j = head;
    while (j < s.size() && s[j] == u',') {
        const std::size_t groupEnd = scanDigits(s, j + 1);
        if (groupEnd - (j + 1) != 3)
            return i;
        digits.append(s.substr(j + 1, 3));
        j = groupEnd;
    }
    // A group of three that runs on into more digits ("1,2345") was rejected above.
    return j;
}

// Reads an exponent ("e", an optional sign, digits) at `i`; returns the end, or `i` if none.
std::size_t scanExponent(TextView s, std::size_t i, std::int64_t& exponent) noexcept {
    if (i >= s.size() || (s[i] != u'e' && s[i] != u'E'))
        return i;
    std::size_t j = i + 1;
    bool negative = false;
    if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) {
        negative = s[j] == u'-';
        ++j;
    }
    const std::size_t end = scanDigits(s, j);
    if (end == j)
        return i;
    std::int64_t value = 0;
    for (std::size_t k = j; k < end; ++k) {
        value = std::min(value * 10 + (s[k] - u'0'), kExponentLimit);
    }
    exponent = negative ? -value : value;
    return end;
}

void scan(TextView s, Grammar grammar, Decimal& d) {
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        d.negative = s[i] == u'-';
        ++i;
    }
    std::size_t intEnd = scanGrouped(s, i, d.grouped);
    if (intEnd != i) {
        d.ints = d.grouped;
    } else {
        intEnd = scanDigits(s, i);
        d.ints = s.substr(i, intEnd - i);
    }
    i = intEnd;
    if (i < s.size() && s[i] == u'.') {
        const std::size_t fracEnd = scanDigits(s, i + 1);
        d.fracs = s.substr(i + 1, fracEnd - i - 1);
        i = fracEnd;
    }
    if (d.digitCount() == 0)
        return;  // not found: a lone sign or point is no number
    i = scanExponent(s, i, d.exponent);
    if (grammar == Grammar::Amount) {
        while (i < s.size() && isBlank(s[i]))
            ++i;
        if (i != s.size())
            return;
    }
    d.found = true;
}

// The double nearest to `ascii` into `value`; false, with `value` untouched, beyond the
// double's range.
bool readDouble(const std::string& ascii, double& value) {
#if defined(__cpp_lib_to_chars)
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    return ec != std::errc::result_out_of_range;
#else
    // A standard library without from_chars for double (the WebAssembly build's): strtod
    // rounds as correctly, and reports the range through errno.
    errno = 0;
    const double parsed = std::strtod(ascii.c_str(), nullptr);
    if (errno == ERANGE && (parsed == 0 || std::isinf(parsed)))
        return false;
    value = parsed;
    return true;
#endif
}

// The double nearest to a found decimal; an infinity or a zero beyond the double's range.
double toDouble(const Decimal& d) {
    std::string ascii;
    if (d.negative)
        ascii += '-';
    for (const char16_t c : d.ints)
        ascii += static_cast<char>(c);
    if (d.ints.empty())
        ascii += '0';
    ascii += '.';
    for (const char16_t c : d.fracs)
        ascii += static_cast<char>(c);
    ascii += 'e';
    ascii += std::to_string(d.exponent);

    double value = 0;
    if (!readDouble(ascii, value)) {
        const bool huge = d.pointPos() - d.firstSignificant() > 0;
        value = huge ? std::numeric_limits<double>::infinity() : 0.0;
        if (d.negative)
            value = -value;
    }
    return value;
}

bool beyondDoubleRange(const Decimal& d) {
    // Only a value of 309 or more integer digits can be; the exact test is the rare path.
    if (d.pointPos() - d.firstSignificant() < kMaxDoubleIntegerDigits)
        return false;
    return std::isinf(toDouble(d));
}

void appendAscii(Text& out, const char* first, const char* last) {
    for (; first != last; ++first)
        out += static_cast<char16_t>(*first);
}

}  // namespace

std::optional<ErrorKind> tryFormatFixed2(TextView amount, Text& out, bool* rounded) {
    Decimal d;
    scan(amount, Grammar::Amount, d);
    if (!d.found)
        return ErrorKind::NotANumber;
    const std::int64_t first = d.firstSignificant();
    if (rounded)
        *rounded = false;
    if (first == d.digitCount()) {
        out.assign(u"0.00");
        return std::nullopt;
    }
    if (beyondDoubleRange(d))
        return ErrorKind::Overflow;

    // The cents are the digits up to two places after the point; the next one rounds them.
    // They are written once, into a buffer on the stack for every amount of ordinary length,
    // with a place left in front for a carry and a sign.
    const std::int64_t cutoff = d.pointPos() + 2;
    const bool roundUp = d.digit(cutoff) >= u'5';
    if (rounded) {
        for (std::int64_t k = std::max(cutoff, first); k < d.digitCount() && !*rounded; ++k)
            *rounded = d.digit(k) != u'0';
    }
    const std::int64_t from = std::min(first, d.pointPos() - 1);  // at least one integer digit
    const auto count = static_cast<std::size_t>(cutoff - from);

    std::array<char16_t, 64> stack;
    Text heap;
    char16_t* buf = stack.data();
    if (count + 3 > stack.size()) {
        heap.resize(count + 3);
        buf = heap.data();
    }
    char16_t* digits = buf + 2;  // buf[0] for "-", buf[1] for a carry
    for (std::size_t k = 0; k < count; ++k)
        digits[k] = d.digit(from + static_cast<std::int64_t>(k));
    std::size_t size = count;
    if (roundUp)
        carryOne(digits, size);
    bool zero = true;
    for (std::size_t k = 0; k < size && zero; ++k)
        zero = digits[k] == u'0';
    const bool minus = d.negative && !zero;

    // [-]integer digits "." two digits. The amount is read to the end by now, so `out` may be
    // the text it views, and keeps its storage when that is large enough.
    out.clear();
    if (minus)
        out += u'-';
    out.append(digits, size - 2);
    out += u'.';
    out.append(digits + size - 2, 2);
    return std::nullopt;
}

double parseLeadingNumber(TextView text) noexcept {
    try {
        Decimal d;
        scan(text, Grammar::Prefix, d);
        return d.found ? toDouble(d) : 0.0;
    } catch (...) {
        // Only allocation can fail here; an unreadable text reads as no number.
        return 0.0;
    }
}

Text numberText(double value) {
    if (std::isnan(value))
        throw Error(ErrorKind::FloatingPoint, FpCause::InvalidOperation);
    if (std::isinf(value))
        throw Error(ErrorKind::FloatingPoint, FpCause::Overflow);
    if (value == 0)
        return u"0";

    Text out;
    if (value < 0)
        out += u'-';
    const double magnitude = std::fabs(value);
    // Enough for every digit of the largest double.
    std::array<char, 400> buf;
    if (std::trunc(magnitude) == magnitude) {
        const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                     std::chars_format::fixed, 0);
        appendAscii(out, buf.data(), r.ptr);
        return out;
    }

    // Fifteen significant digits "d.dddddddddddddde±x", then written out without exponent.
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                 std::chars_format::scientific, 14);
    char* e = buf.data();
    while (*e != 'e')
        ++e;
    int exponent = 0;
    std::from_chars(*(e + 1) == '+' ? e + 2 : e + 1, r.ptr, exponent);
    std::string digits;
    digits += buf[0];
    digits.append(buf.data() + 2, e);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    const int count = static_cast<int>(digits.size());
    if (exponent >= count - 1) {  // rounding to 15 digits made it whole
        out.append(digits.begin(), digits.end());
        out.append(static_cast<std::size_t>(exponent - (count - 1)), u'0');
    } else if (exponent >= 0) {
        const auto point = static_cast<std::size_t>(exponent + 1);
        out.append(digits.begin(), digits.begin() + static_cast<std::ptrdiff_t>(point));
        out += u'.';
        out.append(digits.begin() + static_cast<std::ptrdiff_t>(point), digits.end());
    } else {
        out += u"0.";
        out.append(static_cast<std::size_t>(-exponent - 1), u'0');
        out.append(digits.begin(), digits.end());
    }
    return out;
}

void carryOne(char16_t*& digits, std::size_t& size) noexcept {
    std::size_t k = size;
    while (k > 0 && digits[k - 1] == u'9')
        digits[--k] = u'0';
    if (k > 0) {
        ++digits[k - 1];
        return;
    }
    *--digits = u'1';
    ++size;
}

}  // namespace tessaly::runtime

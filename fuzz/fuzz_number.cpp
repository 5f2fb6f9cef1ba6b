// The fixed-point format, the numeric prefix parse and the number text checked against each
// other and against a by-hand rounding.

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fuzz_input.h"
#include "plain_amount.h"
#include "runtime/error.h"
#include "runtime/number.h"

using namespace tessaly;

namespace {

// The first 15 significant digits of `x`, with its exponent.
std::string digits15(double x) {
    std::array<char, 64> buf;
    const auto r =
        std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::scientific, 14);
    return std::string(buf.data(), r.ptr);
}

// [-](0|[1-9][0-9]*)[.[0-9]*[1-9]], and never "-0".
bool isNumberText(runtime::TextView s) {
    std::size_t i = s.starts_with(u'-') ? 1 : 0;
    const std::size_t intStart = i;
    while (i < s.size() && fuzz::isAsciiDigit(s[i]))
        ++i;
    const std::size_t intLen = i - intStart;
    if (intLen == 0 || (intLen > 1 && s[intStart] == u'0'))
        return false;
    if (s == u"-0")
        return false;
    if (i == s.size())
        return true;
    if (s[i] != u'.' || i + 1 == s.size() || s.back() == u'0')
        return false;
    for (++i; i < s.size(); ++i) {
        if (!fuzz::isAsciiDigit(s[i]))
            return false;
    }
    return true;
}

void checkNumberText(double x) {
    if (!std::isfinite(x)) {
        try {
            (void)runtime::numberText(x);
        } catch (const runtime::Error& e) {
            TESSALY_CHECK(e.kind() == runtime::ErrorKind::FloatingPoint, u"(non-finite)");
            return;
        }
        fuzz::fail("numberText accepted a non-finite value", u"");
    }
    const runtime::Text text = runtime::numberText(x);
    TESSALY_CHECK(isNumberText(text), text);

    // Printed and read back: whole values exactly, others to 15 significant digits.
    const double back = runtime::parseLeadingNumber(text);
    if (std::trunc(x) == x) {
        TESSALY_CHECK(back == x || (x == 0 && back == 0), text);
    } else {
        TESSALY_CHECK(digits15(back) == digits15(x), text);
    }
    TESSALY_CHECK(runtime::toNumber(text) == back, text);

    // A number text is a plain decimal, so the format must round it as by hand.
    const runtime::Text formatted = runtime::formatFixed2(text);
    TESSALY_CHECK(fuzz::plainCents(formatted) == fuzz::plainCents(text), text);
}

void checkText(runtime::TextView text) {
    const double prefix = runtime::parseLeadingNumber(text);  // never fails
    checkNumberText(prefix);

    std::optional<runtime::Text> formatted;
    try {
        formatted = runtime::formatFixed2(text);
    } catch (const runtime::Error& e) {
        TESSALY_CHECK(
            e.kind() == runtime::ErrorKind::NotANumber || e.kind() == runtime::ErrorKind::Overflow,
            text);
    }
    if (formatted)
        TESSALY_CHECK(fuzz::isFormatted(*formatted), text);
    if (const auto plain = fuzz::plainCents(text))
        TESSALY_CHECK(formatted && fuzz::plainCents(*formatted) == plain, text);

    // Without thousands separators the strict grammar is the format's, and a number that is
    // the whole text is read alike by the strict conversion and the prefix parse.
    if (text.find(u',') != runtime::TextView::npos)
        return;
    std::optional<double> strict;
    try {
        strict = runtime::toNumber(text);
    } catch (const runtime::Error& e) {
        TESSALY_CHECK(
            e.kind() == runtime::ErrorKind::NotANumber || e.kind() == runtime::ErrorKind::Overflow,
            text);
    }
    TESSALY_CHECK(strict.has_value() == formatted.has_value(), text);
    if (!strict)
        return;
    TESSALY_CHECK(*strict == prefix, text);
    // The format's rounding moves the value by at most half a cent (and the double's own
    // rounding of the two texts).
    const double rounded = runtime::toNumber(*formatted);
    const double slack = 0.005 + std::fabs(*strict) * 0x1p-50;
    TESSALY_CHECK(std::fabs(rounded - *strict) <= slack, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= sizeof(double)) {
        double x;
        std::memcpy(&x, data, sizeof x);
        checkNumberText(x);
    }
    checkText(fuzz::decodeText(data, size));
    return 0;
}

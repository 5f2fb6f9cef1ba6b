// The public API: UTF-8 at the edge, the UTF-16 engine inside.

#include <tessaly/tessaly.h>

#include <utility>

#include "convert/amount.h"
#include "convert/reader.h"

namespace tessaly {

namespace {

std::vector<Finding> toUtf8(const std::vector<convert::Finding>& findings) {
    std::vector<Finding> out;
    out.reserve(findings.size());
    for (const convert::Finding& f : findings)
        out.push_back({f.severity, f.position, runtime::toUtf8(f.message)});
    return out;
}

}  // namespace

Failure writeTo(std::string& out, std::string_view amount, const Style& style) {
    runtime::Text money = runtime::fromUtf8(amount);
    runtime::Text upper;
    if (const convert::Converted converted = convert::tryConvertAmount(money, upper, style);
        !converted) {
        if (money.find_first_not_of(u" \t") == runtime::Text::npos)
            return Failure::Empty;
        return *converted.failure == runtime::ErrorKind::NotANumber ? Failure::NotANumber
                                                                    : Failure::TooManyDigits;
    }
    runtime::appendUtf8(upper, out);
    return Failure::None;
}

Written write(std::string_view amount, const Style& style) {
    Written out;
    out.failure = writeTo(out.text, amount, style);
    return out;
}

std::optional<std::string> toUppercase(std::string_view amount, const Style& style) {
    Written written = write(amount, style);
    if (!written)
        return std::nullopt;
    return std::move(written.text);
}

Reading read(std::string_view upper) {
    const convert::Reading reading = convert::readUppercase(runtime::fromUtf8(upper));
    Reading out;
    if (reading.amount)
        out.amount = runtime::toUtf8(*reading.amount);
    out.findings = toUtf8(reading.findings);
    out.style = reading.style;
    return out;
}

std::optional<std::string> readUppercase(std::string_view upper) {
    const convert::Reading reading = convert::readUppercase(runtime::fromUtf8(upper));
    if (!reading.amount)
        return std::nullopt;
    return runtime::toUtf8(*reading.amount);
}

Check check(std::string_view amount, std::string_view upper) {
    const convert::Check result =
        convert::checkAmount(runtime::fromUtf8(amount), runtime::fromUtf8(upper));
    return {result.verdict, toUtf8(result.findings)};
}

}  // namespace tessaly

// The public API: UTF-8 at the edge, the UTF-16 engine inside.

#include <tessaly/tessaly.h>

#include <utility>

#include "convert/amount.h"
#include "convert/reader.h"

namespace tessaly {

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

Reading read(std::string_view upper, const std::optional<Style>& house) {
    Reading out;
    readTo(out, upper, house);
    return out;
}

void readTo(Reading& out, std::string_view upper, const std::optional<Style>& house) {
    thread_local runtime::Text text;  // kept from call to call, one per thread
    runtime::fromUtf8(upper, text);
    convert::read(text, out, house);
}

std::optional<std::string> readUppercase(std::string_view upper) {
    return read(upper).amount;
}

Check check(std::string_view amount, std::string_view upper, const std::optional<Style>& house) {
    Check out;
    checkTo(out, amount, upper, house);
    return out;
}

void checkTo(Check& out, std::string_view amount, std::string_view upper,
             const std::optional<Style>& house) {
    thread_local runtime::Text digits;  // kept from call to call, one per thread
    thread_local runtime::Text text;
    runtime::fromUtf8(amount, digits);
    runtime::fromUtf8(upper, text);
    convert::check(digits, text, out, house);
}

}  // namespace tessaly

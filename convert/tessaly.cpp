// The public API: UTF-8 at the edge, the UTF-16 engine inside.

#include <tessaly/tessaly.h>

#include <utility>

#include "convert/amount.h"
#include "convert/money.h"
#include "convert/reader.h"
#include "convert/scan.h"

namespace tessaly {

Failure writeTo(std::string& out, std::string_view amount, const Style& style) {
    thread_local runtime::Text upper;  // kept from call to call, one per thread
    upper.clear();
    const Failure failure = convert::appendUpper(amount, upper, style);
    out.clear();
    runtime::appendUtf8(upper, out);
    return failure;
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
    runtime::keepSmall(text);
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
    if (convert::plainAmount(digits, text))
        digits.swap(text);
    runtime::fromUtf8(upper, text);
    convert::check(digits, text, out, house);
    runtime::keepSmall(digits);
    runtime::keepSmall(text);
}

std::vector<Found> scan(std::string_view text, const std::optional<Style>& house) {
    std::vector<Found> out;
    scanTo(out, text, house);
    return out;
}

void scanTo(std::vector<Found>& out, std::string_view text, const std::optional<Style>& house) {
    convert::scan(text, out, house);
}

}  // namespace tessaly

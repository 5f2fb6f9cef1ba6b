// The public API: UTF-8 at the edge, the UTF-16 engine inside.

#include <tessaly/tessaly.h>

#include <algorithm>
#include <utility>

#include "convert/amount.h"
#include "convert/reader.h"
#include "runtime/error.h"

namespace tessaly {

namespace {

std::vector<Finding> toUtf8(const std::vector<convert::Finding>& findings) {
    std::vector<Finding> out;
    out.reserve(findings.size());
    for (const convert::Finding& f : findings)
        out.push_back({f.severity, f.position, runtime::toUtf8(f.message)});
    return out;
}

// The UTF-16 form of `utf8` into `out`, keeping its storage for an amount in ASCII (they all are,
// nearly).
void widen(std::string_view utf8, runtime::Text& out) {
    const bool ascii = std::all_of(utf8.begin(), utf8.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        out = runtime::fromUtf8(utf8);
        return;
    }
    out.resize(utf8.size());
    std::copy(utf8.begin(), utf8.end(), out.begin());
}

// A buffer kept from call to call lets go of what a huge text made it take.
void keepSmall(runtime::Text& buffer) {
    if (buffer.capacity() > std::size_t{1} << 12)
        runtime::Text().swap(buffer);
}

// Why the conversion of `money` (as it was given, or as far as it was formatted) failed.
Failure failureOf(runtime::ErrorKind kind, runtime::TextView money) {
    if (money.find_first_not_of(u" \t\u3000\u00A0") == runtime::TextView::npos)
        return Failure::Empty;
    // Every other failure is a number past the style's places or past any double.
    return kind == runtime::ErrorKind::NotANumber ? Failure::NotANumber : Failure::TooManyDigits;
}

}  // namespace

Failure writeTo(std::string& out, std::string_view amount, const Style& style) {
    // Reused from call to call on each thread, so that a batch allocates nothing per amount.
    thread_local runtime::Text money;
    thread_local runtime::Text upper;
    widen(amount, money);
    Failure failure = Failure::None;
    try {
        if (const auto kind = convert::tryConvertAmount(money, upper, style))
            failure = failureOf(*kind, money);
    } catch (const runtime::Error& e) {
        failure = failureOf(e.kind(), money);
    }
    if (failure == Failure::None)
        runtime::appendUtf8(upper, out);
    keepSmall(money);
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

void readTo(Reading& out, std::string_view upper, const std::optional<Style>& /*house*/) {
    thread_local runtime::Text text;
    thread_local convert::Reading reading;
    widen(upper, text);
    convert::readUppercase(text, reading);
    if (reading.amount) {
        if (!out.amount)
            out.amount.emplace();
        out.amount->clear();
        runtime::appendUtf8(*reading.amount, *out.amount);
    } else {
        out.amount.reset();
    }
    out.findings.clear();
    for (const convert::Finding& f : reading.findings)
        out.findings.push_back({f.severity, f.position, runtime::toUtf8(f.message)});
    out.style = reading.style;
    keepSmall(text);
}

std::optional<std::string> readUppercase(std::string_view upper) {
    const convert::Reading reading = convert::readUppercase(runtime::fromUtf8(upper));
    if (!reading.amount)
        return std::nullopt;
    return runtime::toUtf8(*reading.amount);
}

Check check(std::string_view amount, std::string_view upper,
            const std::optional<Style>& /*house*/) {
    thread_local runtime::Text digits;
    thread_local runtime::Text text;
    widen(amount, digits);
    widen(upper, text);
    const convert::Check result = convert::checkAmount(digits, text);
    keepSmall(digits);
    keepSmall(text);
    return {result.verdict, toUtf8(result.findings)};
}

}  // namespace tessaly

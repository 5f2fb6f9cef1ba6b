// The conversion on arbitrary text: it returns an uppercase text or raises the runtime's error,
// and a returned text reads back as the amount it was given.

#include <cstddef>
#include <cstdint>

#include "convert/amount.h"
#include "fuzz_input.h"
#include "plain_amount.h"
#include "runtime/error.h"
#include "runtime/number.h"
#include "upper_reader.h"

using namespace tessaly;

namespace {

bool onlyUppercase(runtime::TextView s) {
    constexpr runtime::TextView allowed = u"零壹贰叁肆伍陆柒捌玖拾佰仟万亿圆角分整负";
    for (const char16_t c : s) {
        if (allowed.find(c) == runtime::TextView::npos)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const runtime::Text input = fuzz::decodeText(data, size);

    // What the amount is, decided apart from the conversion: the format's own reading (which
    // the rest of the conversion must then honour) and, for plain decimals, rounding by hand.
    std::optional<runtime::Text> formatted;
    try {
        formatted = runtime::formatFixed2(input);
    } catch (const runtime::Error&) {
    }
    const std::optional<fuzz::Cents> plain = fuzz::plainCents(input);
    if (plain)
        TESSALY_CHECK(formatted && fuzz::plainCents(*formatted) == plain, input);

    runtime::Text money = input;
    runtime::Text upper;
    bool converted = false;
    try {
        upper = convert::convertAmount(money);
        converted = true;
    } catch (const runtime::Error&) {
        // The one way to fail. Any other exception escapes and is reported as a crash.
    }

    if (formatted) {
        TESSALY_CHECK(fuzz::isFormatted(*formatted), input);
        // Formatting is the first step, so `money` holds its result even after a failure.
        TESSALY_CHECK(money == *formatted, input);
        const fuzz::Cents amount = *fuzz::plainCents(*formatted);
        // Nine integer digits are the most the units reach; nothing else may fail.
        TESSALY_CHECK(converted == (amount.integerDigits() <= 9), input);
        if (converted) {
            TESSALY_CHECK(onlyUppercase(upper), input);
            const std::optional<fuzz::Cents> back = fuzz::readUpperAmount(upper);
            TESSALY_CHECK(back.has_value(), upper);
            TESSALY_CHECK(*back == amount, input);
        }
    } else {
        TESSALY_CHECK(!converted, input);
        TESSALY_CHECK(money == input, input);
    }
    return 0;
}

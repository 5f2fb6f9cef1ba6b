// Reading any text: either an error and no amount, or an amount that, written in the text's
// own style, reads back to the same amount. Every finding has a position and a message
// without a raw control character, and there are few of them. A house style adds warnings
// only. No crash and no hang.

#include <algorithm>

#include "convert/amount.h"
#include "convert/reader.h"
#include "fuzz_input.h"

using namespace tessaly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const runtime::Text text = fuzz::decodeText(data, size);
    Reading reading;
    convert::read(text, reading, std::nullopt);
    const auto& findings = reading.findings;
    const bool error = std::ranges::any_of(
        findings, [](const Finding& f) { return f.severity == Severity::Error; });
    TESSALY_CHECK(error != reading.amount.has_value() && findings.size() <= 9, text);
    for (const Finding& f : findings) {
        const auto control = [](unsigned char c) { return c < 0x20 || c == 0x7F; };
        TESSALY_CHECK(f.position > 0 && std::ranges::none_of(f.message, control), text);
    }
    Reading housed;
    convert::read(text, housed, styleOfBits(static_cast<unsigned>(size)));
    TESSALY_CHECK(housed.amount == reading.amount, text);
    if (error)
        return 0;
    runtime::Text money = runtime::fromUtf8(*reading.amount);
    runtime::Text upper;
    // The amount is in the format's own form, so writing leaves it as it is.
    TESSALY_CHECK(convert::tryConvertAmount(money, upper, reading.style) &&
                      runtime::toUtf8(money) == *reading.amount,
                  text);
    Reading again;
    convert::read(upper, again, std::nullopt);
    TESSALY_CHECK(again.amount == reading.amount, text);
    return 0;
}

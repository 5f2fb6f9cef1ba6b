// Reading any text: either an error and no amount, or an amount that, written in the text's
// own style, reads back to the same amount. No crash and no hang on the way.

#include <algorithm>

#include "convert/amount.h"
#include "convert/reader.h"
#include "fuzz_input.h"

using namespace tessaly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const runtime::Text text = fuzz::decodeText(data, size);
    const convert::Reading reading = convert::readUppercase(text);
    const bool error = std::any_of(reading.findings.begin(), reading.findings.end(),
                                   [](const auto& f) { return f.severity == Severity::Error; });
    TESSALY_CHECK(error != reading.amount.has_value(), text);
    if (error)
        return 0;
    runtime::Text money = *reading.amount;
    runtime::Text upper;
    // The amount is in the format's own form, so writing leaves it as it is.
    TESSALY_CHECK(
        convert::tryConvertAmount(money, upper, reading.style) && money == *reading.amount, text);
    TESSALY_CHECK(convert::readUppercase(upper).amount == reading.amount, text);
    return 0;
}

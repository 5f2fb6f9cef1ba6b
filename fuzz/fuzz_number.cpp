// The number services on arbitrary text, as properties: the format is idempotent and reads an
// amount as the prefix parse does; the number text is a plain decimal that prints again as
// itself when the prefix parse reads it back.

#include <cmath>

#include "fuzz_input.h"
#include "runtime/number.h"

using namespace tessaly::runtime;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text text = tessaly::fuzz::decodeText(data, size);
    const double value = parseLeadingNumber(text);
    Text formatted;
    if (!tryFormatFixed2(text, formatted)) {
        Text again;
        TESSALY_CHECK(!tryFormatFixed2(formatted, again) && again == formatted, text);
        // Moved by the rounding to cents, and by the double's own rounding of the two texts.
        const double moved = std::fabs(parseLeadingNumber(formatted) - value);
        TESSALY_CHECK(moved <= 0.005 + std::fabs(value) * 0x1p-50, text);
    }
    if (!std::isfinite(value))
        return 0;
    const Text printed = numberText(value);
    // No exponent and no "-0"; whole values in full, others in digits that print again alike.
    TESSALY_CHECK(printed.find_first_not_of(u"-.0123456789") == Text::npos, text);
    TESSALY_CHECK(printed != u"-0" && numberText(parseLeadingNumber(printed)) == printed, text);
    TESSALY_CHECK(parseLeadingNumber(printed) == value || std::trunc(value) != value, text);
    return 0;
}

// Writing any text in any style: what is written reads back, through the product's reader, to
// the amount the format makes of the text, with no finding but an open 角, and the style read
// writes the same text again. Only a text that is no number, or an amount beyond the style's
// range, fails.

#include "convert/amount.h"
#include "convert/money.h"
#include "convert/reader.h"
#include "fuzz_input.h"
#include "runtime/number.h"

using namespace tessaly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const Style style = styleOfBits(data[0]);  // the style's choices, one bit each
    const runtime::Text input = fuzz::decodeText(data + 1, size - 1);
    runtime::Text formatted;
    const bool number = !runtime::tryFormatFixed2(input, formatted);
    runtime::Text money = input;
    runtime::Text upper;
    const convert::Converted converted = convert::tryConvertAmount(money, upper, style);
    // The public writing, which reads plain amounts a shorter way, writes the same of any text
    // that is not money to be made plain first.
    runtime::Text plain;
    runtime::Text direct;
    const std::string utf8 = runtime::toUtf8(input);
    if (!convert::plainAmount(input, plain) && runtime::fromUtf8(utf8) == input) {
        TESSALY_CHECK(convert::appendUpper(utf8, direct, style) == converted.failure &&
                          direct == (converted ? upper : u""),
                      input);
    }
    if (!converted) {
        const std::size_t digits = formatted.find(u'.') - formatted.starts_with(u'-');
        TESSALY_CHECK(!number || digits > (style.wide ? 16u : 9u), input);
        return 0;
    }
    TESSALY_CHECK(number && money == formatted, input);
    Reading reading;
    convert::read(upper, reading, std::nullopt);
    TESSALY_CHECK(reading.amount == runtime::toUtf8(money), upper);
    // The amount read means no error; the one warning left is for an open 角.
    TESSALY_CHECK(reading.findings.size() == (!style.closeAfterJiao && upper.ends_with(u'角')),
                  upper);
    runtime::Text again = money;
    TESSALY_CHECK(convert::convertAmount(again, reading.style) == upper, upper);
    return 0;
}

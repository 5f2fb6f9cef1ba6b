// The calculator on arbitrary key sequences. The display is a box that appends each accepted
// character, as typing at its end does; the amount box may also be emptied or given any text,
// as the window's other handlers and pasting do.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "calc/calculator.h"
#include "fuzz_input.h"
#include "runtime/error.h"
#include "runtime/number.h"
#include "tests/support/memorytextbox.h"

using namespace tessaly;

namespace {

bool validDisplay(runtime::TextView s) {
    if (s.starts_with(u'.'))
        return false;
    int points = 0;
    for (const char16_t c : s) {
        if (c == u'.') {
            ++points;
        } else if (!(c >= u'0' && c <= u'9')) {
            return false;
        }
    }
    return points <= 1;
}

bool validOperator(runtime::TextView op) {
    return op.empty() || op == u"+" || op == u"-" || op == u"*" || op == u"/";
}

// Input bytes below 0xF0 are key codes; the rest pick another action.
enum Action : std::uint8_t {
    kRawKey = 0xF0,  // the next two bytes are a 16-bit key code
    kClearDisplay,   // the display's clear button
    kClearAmount,    // the amount's clear button, or a mouse press in it
    kSetAmount,      // the next byte gives a length, then that many bytes of amount text
    kShowPanel,      // showing the panel empties both boxes and keeps the operator
    kLoad,           // a new window
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryTextBox display;
    MemoryTextBox amount;
    calc::Calculator calculator(display, amount);
    calculator.load();

    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t b = data[i++];
        std::int16_t key = b;
        switch (b) {
            case kRawKey:
                if (i + 2 > size)
                    return 0;
                key = static_cast<std::int16_t>(data[i] | (data[i + 1] << 8));
                i += 2;
                break;
            case kClearDisplay:
                display.setText(u"");
                continue;
            case kClearAmount:
                amount.setText(u"");
                continue;
            case kSetAmount: {
                if (i >= size)
                    return 0;
                const std::size_t wanted = data[i++];
                const std::size_t n = std::min(wanted, size - i);
                amount.setText(fuzz::decodeText(data + i, n));
                i += n;
                continue;
            }
            case kShowPanel:
                amount.setText(u"");
                display.setText(u"");
                continue;
            case kLoad:
                amount.setText(u"");
                display.setText(u"");
                calculator.load();
                continue;
            default:
                break;
        }

        const runtime::Text displayBefore = display.text();
        const runtime::Text amountBefore = amount.text();
        const runtime::Text operatorBefore = calculator.pendingOperator();
        const std::int16_t typed = key;
        try {
            calculator.keyPress(key);
        } catch (const runtime::Error& e) {
            // A failed operation is a floating-point one and changes nothing.
            TESSALY_CHECK(e.kind() == runtime::ErrorKind::FloatingPoint, displayBefore);
            TESSALY_CHECK(display.text() == displayBefore, displayBefore);
            TESSALY_CHECK(amount.text() == amountBefore, amountBefore);
            TESSALY_CHECK(calculator.pendingOperator() == operatorBefore, operatorBefore);
            TESSALY_CHECK(calculator.workText() == displayBefore, calculator.workText());
            continue;
        }
        TESSALY_CHECK(key == 0 || key == typed, displayBefore);
        if (key != 0) {
            // The box inserts what the calculator let through.
            display.setText(displayBefore + static_cast<char16_t>(key));
            TESSALY_CHECK(amount.text() == amountBefore, amountBefore);
        }
        TESSALY_CHECK(validDisplay(display.text()), display.text());
        TESSALY_CHECK(validOperator(calculator.pendingOperator()), calculator.pendingOperator());
        if (amount.text() != amountBefore) {
            // An operation ran: its result went to the amount box as a number text, the
            // display was emptied, and the result reads back as a finite number.
            TESSALY_CHECK(display.text().empty(), display.text());
            TESSALY_CHECK(calculator.workText() == amount.text(), calculator.workText());
            TESSALY_CHECK(std::isfinite(runtime::toNumber(amount.text())), amount.text());
        }
    }
    return 0;
}

#pragma once

// The chain calculator: a state machine over the display text and the running value, which
// is the text of the amount box. It keeps no number between key presses: both operands are
// read from their texts at each operation and the result goes back as text.

#include <cstdint>
#include <optional>

#include "runtime/fpcheck.h"
#include "runtime/text.h"

namespace tessaly::calc {

// A text box the calculator reads and writes. Setting the amount box's text runs that box's
// change handling before setText returns.
class TextBox {
public:
    virtual ~TextBox() = default;
    virtual runtime::Text text() const = 0;
    virtual void setText(const runtime::Text& text) = 0;
};

class Calculator {
public:
    // `display` is the calculator display, `amount` the amount box holding the running value.
    Calculator(TextBox& display, TextBox& amount);

    // Handles one typed character of the display. `keyCode` is the character's UTF-16 code;
    // it is left unchanged to let the character into the display, or set to 0 to discard it.
    // Digits are let in, and "." once into a display that holds a number; "+", "-", "*", "/"
    // and Enter (13) are always discarded and apply the pending operator, left to right with
    // no precedence; everything else is discarded.
    // A failed operation raises runtime::Error after changing nothing but workText, which
    // then holds the display's text.
    void keyPress(std::int16_t& keyCode);

    // Start-up values: workText "0", pendingOperator "".
    void load();

    const runtime::Text& workText() const noexcept { return workText_; }
    // "" until the first operator key, then one of "+", "-", "*", "/".
    const runtime::Text& pendingOperator() const noexcept { return pendingOperator_; }

private:
    void operatorKey(char16_t key);
    void enterKey();
    // amount = amount op display, then the display is emptied.
    void apply(runtime::ArithOp op);

    static std::optional<runtime::ArithOp> operationOf(runtime::TextView op);

    TextBox& display_;
    TextBox& amount_;
    runtime::Text workText_ = u"0";
    runtime::Text pendingOperator_;
};

}  // namespace tessaly::calc

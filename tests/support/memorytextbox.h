#pragma once

// A text box that is only its text: for driving the calculator outside the window.

#include "calc/calculator.h"

class MemoryTextBox final : public tessaly::calc::TextBox {
public:
    tessaly::runtime::Text text() const override { return text_; }
    void setText(const tessaly::runtime::Text& text) override { text_ = text; }

private:
    tessaly::runtime::Text text_;
};

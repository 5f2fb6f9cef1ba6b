#pragma once

// A text box that is only its text: for driving the calculator outside the window.

#include <functional>

#include "calc/calculator.h"

struct MemoryTextBox final : tessaly::calc::TextBox {
    using Text = tessaly::runtime::Text;

    Text text() const override { return value; }
    // Runs onChange with the new text, where the window's box runs its change handling.
    void setText(const Text& text) override { onChange(value = text); }

    Text value;
    std::function<void(const Text&)> onChange = [](const Text&) {};
};

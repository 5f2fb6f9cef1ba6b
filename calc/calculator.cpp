// Placeholder until the calculator lands: accepts digits only.
#include "calc/calculator.h"

namespace tessaly::calc {

Calculator::Calculator(TextBox& display, TextBox& amount) : display_(display), amount_(amount) {}

void Calculator::load() {
    workText_ = u"0";
    pendingOperator_.clear();
}

void Calculator::keyPress(std::int16_t& keyCode) {
    if (keyCode < '0' || keyCode > '9') keyCode = 0;
}

}  // namespace tessaly::calc

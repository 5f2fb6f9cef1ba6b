#include "calc/calculator.h"

#include "runtime/number.h"

namespace tessaly::calc {

using runtime::ArithOp;
using runtime::inStr;
using runtime::Text;
using runtime::TextView;

namespace {

constexpr std::int16_t kEnter = 13;
constexpr TextView kCarriageReturn = u"\r";

bool contains(TextView text, TextView sought) {
    return inStr(1, text, sought) != 0;
}

}  // namespace

Calculator::Calculator(TextBox& display, TextBox& amount) : display_(display), amount_(amount) {}

void Calculator::load() {
    workText_ = Text(u"0");  // not the literal itself: GCC 12 warns falsely (-Wrestrict) on that
    pendingOperator_.clear();
}

void Calculator::keyPress(std::int16_t& keyCode) {
    // Taken at every key, so that a failed operation leaves exactly this behind.
    workText_ = display_.text();

    if (runtime::isDigit(static_cast<char16_t>(keyCode)))
        return;

    switch (keyCode) {
        case u'.':
            // One point, and only after a digit; where the caret stands does not matter.
            if (workText_.empty() || contains(workText_, u"."))
                keyCode = 0;
            return;
        case u'+':
        case u'-':
        case u'*':
        case u'/': {
            const auto key = static_cast<char16_t>(keyCode);
            keyCode = 0;
            operatorKey(key);
            return;
        }
        case kEnter:
            keyCode = 0;
            enterKey();
            return;
        default:
            keyCode = 0;
            return;
    }
}

void Calculator::operatorKey(char16_t key) {
    const Text k(1, key);
    // No number to apply: right after another operator or an evaluation, the key only
    // changes what the next one will do.
    if (workText_.empty() || contains(workText_, k)) {
        pendingOperator_ = k;
        return;
    }
    // Before the first operator there is nothing pending, and the key applies itself.
    apply(operationOf(pendingOperator_).value_or(*operationOf(k)));
    pendingOperator_ = k;
}

void Calculator::enterKey() {
    if (workText_.empty() || contains(workText_, kCarriageReturn))
        return;
    // Enter repeats the pending operator and leaves it pending.
    if (const auto op = operationOf(pendingOperator_))
        apply(*op);
}

void Calculator::apply(ArithOp op) {
    const double a = runtime::parseLeadingNumber(amount_.text());
    const double d = runtime::parseLeadingNumber(workText_);
    // Everything that can fail happens before the first write.
    const Text result = runtime::numberText(runtime::checkedArithmetic(op, a, d));
    workText_ = result;
    amount_.setText(result);  // the amount box converts it into uppercase here
    display_.setText(u"");
}

std::optional<ArithOp> Calculator::operationOf(TextView op) {
    if (op == u"+")
        return ArithOp::Add;
    if (op == u"-")
        return ArithOp::Subtract;
    if (op == u"*")
        return ArithOp::Multiply;
    if (op == u"/")
        return ArithOp::Divide;
    return std::nullopt;
}

}  // namespace tessaly::calc

#include "runtime/fpcheck.h"

#include <cmath>

#include "runtime/error.h"

namespace tessaly::runtime {

namespace {

[[noreturn]] void fail(FpCause cause) {
    throw Error(ErrorKind::FloatingPoint, cause);
}

}  // namespace

// The failures are decided from the operands and the result rather than from the processor's
// status flags: compilers are free to reorder or fold arithmetic around flag reads, while these
// tests hold under IEEE round-to-nearest whatever the compiler does.
double checkedArithmetic(ArithOp op, double a, double b) {
    // A NaN never comes from the prefix parse, but if one arrived it could only spread.
    if (std::isnan(a) || std::isnan(b))
        fail(FpCause::InvalidOperation);
    // An operand too large to read is reported as out of range, whatever the operation.
    if (std::isinf(a) || std::isinf(b))
        fail(FpCause::Overflow);

    if (op == ArithOp::Divide && b == 0.0) {
        fail(a == 0.0 ? FpCause::InvalidOperation : FpCause::DivisionByZero);
    }

    // The store rounds to double even where intermediates are kept wider (x87), so an
    // overflow cannot hide in excess precision.
    volatile double result = 0.0;
    switch (op) {
        case ArithOp::Add:
            result = a + b;
            break;
        case ArithOp::Subtract:
            result = a - b;
            break;
        case ArithOp::Multiply:
            result = a * b;
            break;
        case ArithOp::Divide:
            result = a / b;
            break;
    }
    // With finite operands and a non-zero divisor, only an overflow gives an infinity, and
    // nothing gives a NaN.
    const double value = result;
    if (std::isinf(value))
        fail(FpCause::Overflow);
    return value;
}

}  // namespace tessaly::runtime

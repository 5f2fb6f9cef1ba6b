#pragma once

// Double-precision arithmetic with the floating-point checks the calculator relies on.

namespace tessaly::runtime {

enum class ArithOp { Add, Subtract, Multiply, Divide };

// Computes a op b. Raises a floating-point Error, before anything else happens, for an
// invalid operation (0 / 0, inf - inf, ...), a division by zero (a / 0 with a != 0), a result
// beyond the double's range, or an infinite operand. Underflow and inexact results are not
// failures.
[[nodiscard]] double checkedArithmetic(ArithOp op, double a, double b);

}  // namespace tessaly::runtime

#include "runtime/fpcheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/error.h"

namespace {

using tessaly::runtime::ArithOp;
using tessaly::runtime::checkedArithmetic;
using tessaly::runtime::Error;
using tessaly::runtime::ErrorKind;
using tessaly::runtime::FpCause;

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();

struct Refused {
    ArithOp op;
    double a, b;
    FpCause cause;
};

TEST(CheckedArithmetic, RefusesEachCause) {
    const Refused cases[] = {
        {ArithOp::Divide, 0.0, 0.0, FpCause::InvalidOperation},
        {ArithOp::Divide, -0.0, 0.0, FpCause::InvalidOperation},
        {ArithOp::Divide, 0.0, -0.0, FpCause::InvalidOperation},
        {ArithOp::Add, kNaN, 1.0, FpCause::InvalidOperation},
        {ArithOp::Multiply, 1.0, kNaN, FpCause::InvalidOperation},
        {ArithOp::Divide, 8.0, 0.0, FpCause::DivisionByZero},
        {ArithOp::Divide, -8.0, 0.0, FpCause::DivisionByZero},
        {ArithOp::Divide, kTiny, -0.0, FpCause::DivisionByZero},
        {ArithOp::Add, kMax, kMax, FpCause::Overflow},
        {ArithOp::Subtract, -kMax, kMax, FpCause::Overflow},
        {ArithOp::Multiply, kMax, -2.0, FpCause::Overflow},
        {ArithOp::Multiply, 1e200, 1e200, FpCause::Overflow},
        {ArithOp::Divide, 1e300, 1e-10, FpCause::Overflow},
        {ArithOp::Divide, 1.0, kTiny, FpCause::Overflow},
        // An infinite operand is out of range before anything else is looked at.
        {ArithOp::Add, kInf, 1.0, FpCause::Overflow},
        {ArithOp::Subtract, 1.0, -kInf, FpCause::Overflow},
        {ArithOp::Subtract, kInf, kInf, FpCause::Overflow},
        {ArithOp::Multiply, kInf, 0.0, FpCause::Overflow},
        {ArithOp::Divide, kInf, 0.0, FpCause::Overflow},
        {ArithOp::Divide, 0.0, kInf, FpCause::Overflow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.op) << ' ' << c.a << ' ' << c.b);
        try {
            checkedArithmetic(c.op, c.a, c.b);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::FloatingPoint);
            EXPECT_EQ(e.cause(), c.cause);
        }
    }
}

TEST(CheckedArithmetic, AllowsUnderflowInexactAndTheLimits) {
    EXPECT_EQ(checkedArithmetic(ArithOp::Add, 0.1, 0.2), 0.1 + 0.2);
    EXPECT_EQ(checkedArithmetic(ArithOp::Divide, 1.0, 3.0), 1.0 / 3.0);
    EXPECT_EQ(checkedArithmetic(ArithOp::Subtract, 5.0, 5.0), 0.0);
    EXPECT_EQ(checkedArithmetic(ArithOp::Divide, 0.0, 5.0), 0.0);
    EXPECT_EQ(checkedArithmetic(ArithOp::Multiply, 1e-200, 1e-200), 0.0);
    EXPECT_EQ(checkedArithmetic(ArithOp::Divide, kTiny, 2.0), 0.0);
    EXPECT_EQ(checkedArithmetic(ArithOp::Multiply, kTiny, 1.0), kTiny);
    EXPECT_EQ(checkedArithmetic(ArithOp::Add, kMax, 1.0), kMax);
    EXPECT_EQ(checkedArithmetic(ArithOp::Multiply, kMax, -1.0), -kMax);
    EXPECT_EQ(checkedArithmetic(ArithOp::Subtract, kMax, kMax), 0.0);
    EXPECT_TRUE(std::signbit(checkedArithmetic(ArithOp::Multiply, -8.0, 0.0)));
}

}  // namespace

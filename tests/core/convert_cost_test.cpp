// What the conversion costs on its everyday path: no allocation beyond its result, and no
// exception for amounts that fail. Counted here by replacing the global allocator.

#include <cstddef>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "convert/amount.h"
#include "runtime/error.h"
#include "runtime/number.h"

namespace {
std::size_t allocations = 0;
}  // namespace

[[gnu::noinline]] void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace rt = tessaly::runtime;
using tessaly::convert::convertAmount;
using tessaly::convert::tryConvertAmount;

namespace {

// Allocations made by `f`.
template <typename F>
std::size_t allocationsOf(F&& f) {
    const std::size_t before = allocations;
    f();
    return allocations - before;
}

TEST(ConversionCost, ReusedTextsAllocateNothing) {
    rt::Text money;
    rt::Text upper;
    money.reserve(32);
    upper.reserve(32);
    for (const char16_t* amount : {u"41823.51", u"999999999.99", u"100000001", u"0.05", u"-8"}) {
        money = amount;
        EXPECT_EQ(allocationsOf([&] { EXPECT_FALSE(tryConvertAmount(money, upper)); }), 0u)
            << rt::toUtf8(amount);
    }
}

TEST(ConversionCost, TheThrowingFormAllocatesOnlyItsResult) {
    rt::Text money = u"999999999.99";
    EXPECT_EQ(allocationsOf([&] { (void)convertAmount(money); }), 1u);
}

TEST(ConversionCost, TheFormatWritesIntoTheTextItReads) {
    rt::Text money = u"41823.505";
    EXPECT_EQ(allocationsOf([&] { EXPECT_FALSE(rt::tryFormatFixed2(money, money)); }), 0u);
    EXPECT_EQ(money, u"41823.51");
}

struct Failing {
    const char16_t* input;
    rt::ErrorKind kind;
    const char16_t* formatted;  // what `money` holds afterwards
};

class TryConvertAmount : public testing::TestWithParam<Failing> {};

// Failures come back as their kind, with `money` as the throwing form leaves it and the
// result untouched; the throwing form raises the same kind.
TEST_P(TryConvertAmount, ReportsFailuresWithoutRaising) {
    const Failing& f = GetParam();
    rt::Text money = f.input;
    rt::Text upper = u"untouched";
    const auto failure = tryConvertAmount(money, upper);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(*failure, f.kind);
    EXPECT_EQ(upper, u"untouched");
    EXPECT_EQ(money, f.formatted);

    rt::Text again = f.input;
    try {
        (void)convertAmount(again);
        ADD_FAILURE() << "no error raised";
    } catch (const rt::Error& e) {
        EXPECT_EQ(e.kind(), f.kind);
    }
    EXPECT_EQ(again, f.formatted);
}

INSTANTIATE_TEST_SUITE_P(
    Amounts, TryConvertAmount,
    testing::Values(Failing{u"abc", rt::ErrorKind::NotANumber, u"abc"},
                    Failing{u"1.2.3", rt::ErrorKind::NotANumber, u"1.2.3"},
                    Failing{u"1e400", rt::ErrorKind::Overflow, u"1e400"},
                    Failing{u"1000000000", rt::ErrorKind::OutOfBounds, u"1000000000.00"},
                    Failing{u"999999999.995", rt::ErrorKind::OutOfBounds, u"1000000000.00"},
                    Failing{u"12345678901234567890123", rt::ErrorKind::OutOfBounds,
                            u"12345678901234567890123.00"}));

TEST(TryConvertAmount, GivesWhatTheThrowingFormGives) {
    for (const char16_t* amount : {u"41823.51", u"0", u"-0.004", u"100005700.43", u"1,234.5",
                                   u"1e3", u"-5", u"0000000001", u"999999999.99"}) {
        rt::Text a = amount;
        rt::Text b = amount;
        rt::Text upper;
        EXPECT_FALSE(tryConvertAmount(a, upper));
        EXPECT_EQ(upper, convertAmount(b)) << rt::toUtf8(amount);
        EXPECT_EQ(a, b);
    }
}

}  // namespace

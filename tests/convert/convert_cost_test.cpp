// What the conversion costs on its everyday path: no allocation beyond its result, and no
// exception for amounts that fail. Counted here by replacing the global allocator.

#include <cstddef>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "convert/amount.h"
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

}  // namespace

#pragma once

// A fixed table of texts whose every access is bounds-checked.

#include <array>
#include <cstddef>
#include <cstdint>

#include "runtime/error.h"
#include "runtime/text.h"

namespace tessaly::runtime {

template <std::size_t N>
class TextTable {
public:
    constexpr explicit TextTable(const std::array<TextView, N>& entries) : entries_(entries) {}

    // Entry `index`; an index outside 0..N-1 raises OutOfBounds.
    [[nodiscard]] constexpr TextView at(std::int64_t index) const {
        if (index < 0 || index >= static_cast<std::int64_t>(N)) {
            throw Error(ErrorKind::OutOfBounds);
        }
        return entries_[static_cast<std::size_t>(index)];
    }
    static constexpr std::size_t size() noexcept { return N; }

private:
    std::array<TextView, N> entries_;
};

}  // namespace tessaly::runtime

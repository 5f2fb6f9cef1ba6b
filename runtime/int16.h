#pragma once

// Checked 16-bit integers: the counters and positions of the conversion.

#include <cstdint>
#include <limits>

#include "runtime/error.h"

namespace tessaly::runtime {

// Narrows to 16 bits; a value outside -32768..32767 raises Overflow.
[[nodiscard]] constexpr std::int16_t toInt16(std::int64_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        throw Error(ErrorKind::Overflow);
    }
    return static_cast<std::int16_t>(value);
}

[[nodiscard]] constexpr std::int16_t sub16(std::int16_t a, std::int16_t b) {
    return toInt16(std::int64_t{a} - b);
}

}  // namespace tessaly::runtime

#pragma once

// Every writing style, numbered: the bits of `s` choose 元, 正, no closing after 角, 人民币
// and the wide range, so that a fuzzer's byte reaches each one.

#include <tessaly/tessaly.h>

namespace tessaly::support {

constexpr Style styleOfBits(unsigned s) noexcept {
    return {.unit = s & 1 ? Unit::Common : Unit::Formal,
            .closing = s & 2 ? Closing::Exact : Closing::Whole,
            .closeAfterJiao = (s & 4) == 0,
            .prefix = (s & 8) != 0,
            .wide = (s & 16) != 0};
}

}  // namespace tessaly::support

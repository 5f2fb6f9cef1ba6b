#pragma once

// Turning libFuzzer's bytes into the texts the targets feed the library.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "runtime/text.h"

namespace tessaly::fuzz {

// Input starting with a UTF-16LE byte-order mark is taken as raw code units, so lone
// surrogates and any other unit reach the library; everything else is read as UTF-8.
inline runtime::Text decodeText(const std::uint8_t* data, std::size_t size) {
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        runtime::Text out;
        for (std::size_t i = 2; i + 1 < size; i += 2)
            out += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        return out;
    }
    return runtime::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
}

// A broken property is a crash that libFuzzer records with the input that caused it.
[[noreturn]] inline void fail(const char* what, runtime::TextView input) {
    std::fprintf(stderr, "property failed: %s\ninput: \"%s\"\n", what,
                 runtime::toUtf8(input).c_str());
    std::abort();
}

#define TESSALY_CHECK(cond, input)                 \
    do {                                           \
        if (!(cond))                               \
            ::tessaly::fuzz::fail(#cond, (input)); \
    } while (false)

}  // namespace tessaly::fuzz

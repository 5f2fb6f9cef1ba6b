#pragma once

// Turning libFuzzer's bytes into the texts the targets feed the library.

#include "runtime/text.h"

namespace tessaly::fuzz {

// Bytes after a UTF-16LE byte-order mark are raw code units, so that lone surrogates and any
// other unit reach the library; everything else is read as UTF-8.
inline runtime::Text decodeText(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || data[0] != 0xFF || data[1] != 0xFE)
        return runtime::fromUtf8({reinterpret_cast<const char*>(data), size});
    runtime::Text out;
    for (std::size_t i = 2; i + 1 < size; i += 2)
        out += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    return out;
}

}  // namespace tessaly::fuzz

// A broken property traps; libFuzzer reports where and keeps the input that broke it.
#define TESSALY_CHECK(cond, input) ((cond) ? void() : __builtin_trap())

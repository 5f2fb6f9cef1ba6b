#pragma once

// Reading an uppercase amount back, and checking it against the digits beside it. Both fill the
// public results, whose texts are UTF-8, reusing the caller's storage.

#include <optional>

#include <tessaly/tessaly.h>

#include "runtime/text.h"

namespace tessaly::convert {

// Reads an uppercase amount in any writing style, wide range always, blanks around ignored.
// With a house style, each departure from it is a warning.
void read(runtime::TextView upper, Reading& out, const std::optional<Style>& house);

// Fail when any finding is an error, Warn when there are warnings only, else Ok.
Verdict verdictOf(const std::vector<Finding>& findings) noexcept;

// Checks `upper` against `amount` in digits (amount grammar, rounded to cents).
void check(runtime::TextView amount, runtime::TextView upper, Check& out,
           const std::optional<Style>& house);

}  // namespace tessaly::convert

#pragma once

// Reading an uppercase amount back, and checking it against the digits beside it.

#include <optional>
#include <vector>

#include <tessaly/tessaly.h>

#include "runtime/text.h"

namespace tessaly::convert {

struct Finding {
    Severity severity = Severity::Error;
    // The character concerned, counted in characters from 1; 0 for the whole text or the digits.
    std::size_t position = 0;
    runtime::Text message;
};

struct Reading {
    std::optional<runtime::Text> amount;  // [-]digits.dd; none when a finding is an error
    std::vector<Finding> findings;
    // The style the text is written in, so that its amount can be written back the same way:
    // its unit, closing and prefix, whether 角 was closed; wide always.
    Style style;
};

// Reads an uppercase amount in any writing style, wide range always.
Reading readUppercase(runtime::TextView upper);
// The same into `out`, reusing its storage: for batches of many lines.
void readUppercase(runtime::TextView upper, Reading& out);

struct Check {
    Verdict verdict = Verdict::Ok;
    std::vector<Finding> findings;
};

// Checks `upper` against `amount` in digits (amount grammar, rounded to cents).
Check checkAmount(runtime::TextView amount, runtime::TextView upper);

}  // namespace tessaly::convert

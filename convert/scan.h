#pragma once

// Finding the amounts in a running text, a contract or a voucher, and pairing each uppercase
// amount with the digits beside it. What is found is read and checked by the reader itself.

#include <optional>
#include <string_view>
#include <vector>

#include <tessaly/tessaly.h>

namespace tessaly::convert {

// Fills `out` with what a UTF-8 text holds, in the order of the text; `out` is replaced and
// its storage reused. One pass over the text, whatever it holds; never raises.
void scan(std::string_view text, std::vector<Found>& out, const std::optional<Style>& house);

}  // namespace tessaly::convert

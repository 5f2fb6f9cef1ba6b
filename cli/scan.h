#pragma once

// tessaly-convert --scan: the amounts of whole documents found, paired and checked, reported as
// a compiler reports, so that an editor can jump to each.

#include <optional>
#include <string_view>
#include <vector>

#include <tessaly/tessaly.h>

#include "cli/streams.h"

namespace tessaly::cli {

// Scans each file in turn, standard input when there is none or for "-"; prints each amount
// that is not ok (every one with `all`) and the counts on standard error. Returns the exit
// status: 2 when a file could not be read, else 1 when an amount failed, else 0.
int scanFiles(Output& out, const std::vector<std::string_view>& files,
              const std::optional<Style>& house, bool all);

}  // namespace tessaly::cli

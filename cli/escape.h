#pragma once

// Texts from the input as they may reach a terminal: nothing raw, and nothing long.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly::cli {

// How many characters of a long text a message quotes.
inline constexpr std::size_t kQuotedChars = 60;

// Appends `text` with every character a terminal would act on or not show made visible: a
// control character or a byte that begins no well-formed UTF-8 sequence as \xHH, a C1 control,
// a format character (U+200B, U+FEFF, ...) or a line separator as <U+XXXX>. Stops after
// `maxChars` characters; returns how many were left out.
std::size_t appendEscaped(std::string_view text, std::string& out,
                          std::size_t maxChars = std::string_view::npos);

// Appends `text` in double quotes, escaped; of a long text only its first kQuotedChars
// characters, then "…" and its length: "xxx…" (1000000 characters).
void appendQuoted(std::string_view text, std::string& out);

}  // namespace tessaly::cli

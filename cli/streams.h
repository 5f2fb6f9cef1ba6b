#pragma once

// Standard input as lines of UTF-8, and standard output and error as the terminal needs them.

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace tessaly::cli {

// Ends the run at once with status 2 after "tessaly-convert: `message`", so that a batch job
// never takes a cut output for a whole one.
[[noreturn]] void fail(std::string_view message);
// The same for a failed system call: "tessaly-convert: `what`: <the system's words>".
[[noreturn]] void fail(const char* what, int error);

// Writes `bytes` (UTF-8) to `stream` at once: through the console's own wide-character
// interface where the stream is a Windows console, as they are to a file or pipe.
void write(std::FILE* stream, std::string_view bytes);

// Output goes through one large buffer: a batch job writes millions of short lines.
class Output {
public:
    // The buffer itself, for appending in place.
    std::string& buffer() { return buf_; }
    void put(std::string_view text) { buf_.append(text); }
    void endLine() {
        buf_ += '\n';
        if (buf_.size() >= kFlushAt)
            flush();
    }
    // Writes whole lines only, so a character is never split between two writes.
    void flush();

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    std::string buf_;
};

// Whether standard output and standard error reach the same file or terminal, so that their
// lines must be kept in order.
bool outputsShared();

// Calls `line` with each line of `in` as UTF-8, without its ending (LF or CR LF). A UTF-8
// byte-order mark at the start is skipped; one of UTF-16 (FF FE or FE FF) makes the rest
// UTF-16, little- or big-endian. `out` is flushed before trouble reading ends the run.
void readLines(std::FILE* in, Output& out, const std::function<void(std::string_view)>& line);

}  // namespace tessaly::cli

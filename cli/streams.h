#pragma once

// Standard input as lines of UTF-8, and standard output and error as the terminal needs them.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tessaly::cli {

// Standard output and standard error, each through one large buffer: a batch job writes
// millions of short lines, and a line of junk several messages.
class Output {
public:
    Output();

    // Standard output's buffer, for appending in place.
    std::string& buffer() { return out_; }
    void put(std::string_view text) { out_.append(text); }
    void endLine() {
        out_ += '\n';
        if (out_.size() + err_.size() >= kFlushAt)
            flush();
    }
    // Where a message for standard error is appended, ending in a line break. Where both streams
    // reach one file (a terminal, or 2>&1), that is standard output's own buffer, so that each
    // message follows the output lines before it without a write of its own.
    std::string& errors() { return shared_ ? out_ : err_; }
    // Writes both buffers, whole lines only, so a character is never split between two writes.
    void flush();
    // Ends the run at once with status 2 after what is buffered and then "tessaly-convert:
    // `message`", so that a batch job never takes a cut output for a whole one.
    [[noreturn]] void fail(std::string_view message);
    // The same for a failed system call: "`what`: <the system's words>".
    [[noreturn]] void fail(const char* what, int error);

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    void write(int fd, std::string& buffer);
    std::string out_;
    std::string err_;
    bool shared_;
};

// Whether standard input is typed at a terminal, where each line wants its answer at once.
bool inputIsTerminal();

// Calls `line` with each line of standard input as UTF-8, without its ending (LF or CR LF). A
// UTF-8 byte-order mark at the start is skipped; one of UTF-16 (FF FE or FE FF) makes the rest
// UTF-16, little- or big-endian. Input is taken as it becomes available; `out` is flushed after
// each block read, and with `eachLine` after each line.
void readLines(Output& out, bool eachLine, const std::function<void(std::string_view)>& line);

}  // namespace tessaly::cli

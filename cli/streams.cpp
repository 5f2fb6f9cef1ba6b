#include "cli/streams.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "runtime/text.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessaly::cli {

namespace {

#ifdef _WIN32
HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// Writes to the console behind `fd` as UTF-16, if it is one: a console shows UTF-8 bytes in
// its code page (936 on a Chinese Windows) as mojibake. Nothing when `fd` is no console, else
// whether the write succeeded (errno set when not).
std::optional<bool> writeConsole(int fd, std::string_view bytes) {
    const HANDLE handle = handleOf(fd);
    if (!isConsole(handle))
        return std::nullopt;
    const std::u16string text = runtime::fromUtf8(bytes);
    for (std::size_t written = 0; written < text.size();) {
        DWORD n = 0;
        const auto count =
            static_cast<DWORD>(std::min<std::size_t>(text.size() - written, 1 << 14));
        if (!WriteConsoleW(handle, text.data() + written, count, &n, nullptr) || n == 0) {
            errno = EIO;
            return false;
        }
        written += n;
    }
    return true;
}

// Reads what is typed at the console behind standard input, if it is one, as UTF-8 into
// `out`: its bytes would be in the console's code page. False at the end of the input (Ctrl+Z
// at the start of a line) or when standard input is no console.
bool readConsole(Output& output, std::string& out, bool& console) {
    const HANDLE handle = handleOf(0);
    console = isConsole(handle);
    if (!console)
        return false;
    std::u16string units(1 << 12, u'\0');
    DWORD got = 0;
    if (!ReadConsoleW(handle, units.data(), static_cast<DWORD>(units.size()), &got, nullptr))
        output.fail("read error", EIO);
    units.resize(got);
    if (units.empty() || units[0] == u'\x1A')
        return false;
    runtime::appendUtf8(units, out);
    return true;
}

long readSome(char* buf, std::size_t size) {
    return _read(0, buf, static_cast<unsigned>(size));
}
long writeSome(int fd, const char* bytes, std::size_t size) {
    return _write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(size, 1 << 30)));
}
#else
std::optional<bool> writeConsole(int, std::string_view) {
    return std::nullopt;
}
bool readConsole(Output&, std::string&, bool& console) {
    console = false;
    return false;
}
long readSome(char* buf, std::size_t size) {
    return static_cast<long>(::read(0, buf, size));
}
long writeSome(int fd, const char* bytes, std::size_t size) {
    return static_cast<long>(::write(fd, bytes, size));
}
#endif

// Writes all of `bytes` to `fd`; false on failure, with errno set.
bool writeAll(int fd, std::string_view bytes) {
    if (const std::optional<bool> console = writeConsole(fd, bytes))
        return *console;
    while (!bytes.empty()) {
        const long n = writeSome(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The reader of the output went away (a pipe into head, a closed terminal): the run ends at
// once and silently, as the other programs of a pipeline do. Where SIGPIPE was ignored and so
// reported as EPIPE, it is delivered after all, so the parent sees the same ending.
[[noreturn]] void readerGone() {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_DFL);
    std::raise(SIGPIPE);
#endif
    std::_Exit(2);
}

// Whether standard output and standard error reach the same file, terminal or pipe; false
// where either cannot be told.
bool outputsShared() {
#ifdef _WIN32
    const HANDLE out = handleOf(1);
    const HANDLE err = handleOf(2);
    if (isConsole(out) && isConsole(err))
        return true;  // a process has one console
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return GetFileInformationByHandle(out, &a) && GetFileInformationByHandle(err, &b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
#else
    struct stat out {};
    struct stat err {};
    if (fstat(1, &out) != 0 || fstat(2, &err) != 0)
        return false;
    return out.st_dev == err.st_dev && out.st_ino == err.st_ino;
#endif
}

// UTF-16 input turned into UTF-8 as it comes, a character split between two reads kept for
// the next.
class Utf16Decoder {
public:
    explicit Utf16Decoder(bool bigEndian) : bigEndian_(bigEndian) {}

    void decode(std::string_view bytes, std::string& out) {
        units_.clear();
        if (high_ != 0)
            units_ += high_;
        high_ = 0;
        for (const char b : bytes) {
            if (byte_ < 0) {
                byte_ = static_cast<unsigned char>(b);
                continue;
            }
            const auto second = static_cast<unsigned char>(b);
            units_ += static_cast<char16_t>(bigEndian_ ? byte_ << 8 | second : second << 8 | byte_);
            byte_ = -1;
        }
        if (!units_.empty() && units_.back() >= 0xD800 && units_.back() <= 0xDBFF) {
            high_ = units_.back();
            units_.pop_back();
        }
        runtime::appendUtf8(units_, out);
    }
    // The rest at the end of the input; false for an odd byte there, half a character.
    bool finish(std::string& out) {
        if (high_ != 0)
            runtime::appendUtf8(std::u16string(1, high_), out);
        high_ = 0;
        return byte_ < 0;
    }

private:
    bool bigEndian_;
    int byte_ = -1;
    char16_t high_ = 0;
    std::u16string units_;
};

// Whether `head`, the first bytes of the input, may yet turn out to be a byte-order mark.
bool mayBeByteOrderMark(std::string_view head) {
    for (const std::string_view mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
        if (head.size() < mark.size() && mark.starts_with(head))
            return true;
    }
    return false;
}

}  // namespace

Output::Output() : shared_(outputsShared()) {}

void Output::write(int fd, std::string& buffer) {
    if (buffer.empty())
        return;
    if (!writeAll(fd, buffer)) {
        const int error = errno;
        buffer.clear();  // not to be tried again on the way out
        if (error == EPIPE)
            readerGone();
        fail("write error", error);
    }
    buffer.clear();
}

void Output::flush() {
    write(1, out_);
    write(2, err_);
}

void Output::fail(std::string_view message) {
    // What is buffered still tells what went before; a write that fails again is past help.
    writeAll(1, out_);
    err_.append("tessaly-convert: ").append(message).append("\n");
    writeAll(2, err_);
    std::_Exit(2);
}

void Output::fail(const char* what, int error) {
    fail(std::string(what) + ": " + std::strerror(error));
}

bool inputIsTerminal() {
#ifdef _WIN32
    return _isatty(0) != 0;
#else
    return isatty(0) != 0;
#endif
}

void readLines(Output& out, bool eachLine, const std::function<void(std::string_view)>& line) {
    std::string pending;
    std::string decoded;
    std::string head;
    std::vector<char> buf(1 << 16);
    std::optional<Utf16Decoder> utf16;
    const auto emit = [&](std::string_view text) {
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        line(text);
        if (eachLine)
            out.flush();
    };
    // Splits `chunk` into lines, the last one's start kept for the next.
    const auto split = [&](std::string_view chunk) {
        std::size_t nl;
        while ((nl = chunk.find('\n')) != std::string_view::npos) {
            if (pending.empty()) {
                emit(chunk.substr(0, nl));
            } else {
                pending.append(chunk.substr(0, nl));
                emit(pending);
                pending.clear();
            }
            chunk.remove_prefix(nl + 1);
        }
        pending.append(chunk);
    };
    // Typed at a console: UTF-16 from the console itself, line by line.
    bool console = false;
    while (readConsole(out, decoded, console)) {
        split(decoded);
        decoded.clear();
        out.flush();  // each answer as soon as its line is typed
    }
    bool first = !console;
    while (!console) {
        // What is there, without waiting for a full block: a line typed or sent by a program
        // that waits for its answer is answered.
        const long got = readSome(buf.data(), buf.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            out.fail("read error", errno);
        std::string_view chunk(buf.data(), static_cast<std::size_t>(got));
        if (first) {
            // Windows editors and spreadsheet exports start their files with a byte-order
            // mark; Excel's "Unicode text" is UTF-16. It may come in more than one read.
            head.append(chunk);
            if (got > 0 && mayBeByteOrderMark(head))
                continue;
            chunk = head;
            first = false;
            if (chunk.starts_with("\xEF\xBB\xBF")) {
                chunk.remove_prefix(3);
            } else if (chunk.starts_with("\xFF\xFE") || chunk.starts_with("\xFE\xFF")) {
                utf16.emplace(chunk[0] == '\xFE');
                chunk.remove_prefix(2);
            }
        }
        if (utf16) {
            decoded.clear();
            utf16->decode(chunk, decoded);
            chunk = decoded;
        }
        split(chunk);
        out.flush();  // at the end of each block both streams are written, in step
        if (got == 0)
            break;
    }
    if (utf16) {
        decoded.clear();
        const bool whole = utf16->finish(decoded);
        split(decoded);
        if (!whole)
            out.fail("read error: UTF-16 input ends in the middle of a character");
    }
    if (!pending.empty())
        emit(pending);
}

}  // namespace tessaly::cli

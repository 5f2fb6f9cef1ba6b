#include "cli/streams.h"

#include <algorithm>
#include <cerrno>
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
#endif

namespace tessaly::cli {

namespace {

#ifdef _WIN32
// Writes to the console behind `stream` as UTF-16, if it is one: a console shows UTF-8 bytes
// in its code page (936 on a Chinese Windows) as mojibake.
bool writeConsole(std::FILE* stream, std::string_view bytes) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return false;
    const std::u16string text = runtime::fromUtf8(bytes);
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const auto count = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 14));
        if (!WriteConsoleW(handle, text.data() + done, count, &written, nullptr) || written == 0)
            fail("write error", EIO);
        done += written;
    }
    return true;
}

// Reads what is typed at the console behind `stream`, if it is one, as UTF-8 into `out`:
// its bytes would be in the console's code page. False at the end of the input (Ctrl+Z at
// the start of a line) or when the stream is no console.
bool readConsole(std::FILE* stream, std::string& out, bool& isConsole) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    isConsole = handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
    if (!isConsole)
        return false;
    std::u16string units(1 << 12, u'\0');
    DWORD got = 0;
    if (!ReadConsoleW(handle, units.data(), static_cast<DWORD>(units.size()), &got, nullptr))
        fail("read error", EIO);
    units.resize(got);
    if (units.empty() || units[0] == u'\x1A')
        return false;
    runtime::appendUtf8(units, out);
    return true;
}
#else
bool writeConsole(std::FILE*, std::string_view) {
    return false;
}
bool readConsole(std::FILE*, std::string&, bool& isConsole) {
    isConsole = false;
    return false;
}
#endif

void writeBytes(std::FILE* stream, std::string_view bytes) {
    if (writeConsole(stream, bytes))
        return;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size())
        fail("write error", errno);
    // At once: stderr is buffered where it is a file on Windows, and fail() must not lose it.
    if (std::fflush(stream) != 0)
        fail("write error", errno);
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
    // The rest at the end of the input; an odd byte there is half a character.
    void finish(std::string& out) {
        if (byte_ >= 0)
            fail("read error: UTF-16 input ends in the middle of a character");
        if (high_ != 0)
            runtime::appendUtf8(std::u16string(1, high_), out);
        high_ = 0;
    }

private:
    bool bigEndian_;
    int byte_ = -1;
    char16_t high_ = 0;
    std::u16string units_;
};

}  // namespace

void fail(std::string_view message) {
    std::string line = "tessaly-convert: ";
    line.append(message).append("\n");
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);  // buffered where it is a file on Windows, and _Exit flushes nothing
    std::_Exit(2);
}

void fail(const char* what, int error) {
    fail(std::string(what) + ": " + std::strerror(error));
}

void write(std::FILE* stream, std::string_view bytes) {
    writeBytes(stream, bytes);
}

void Output::flush() {
    writeBytes(stdout, buf_);
    buf_.clear();
}

bool outputsShared() {
#ifdef _WIN32
    return true;
#else
    struct stat out {};
    struct stat err {};
    if (fstat(1, &out) != 0 || fstat(2, &err) != 0)
        return true;
    return out.st_dev == err.st_dev && out.st_ino == err.st_ino;
#endif
}

void readLines(std::FILE* in, Output& out, const std::function<void(std::string_view)>& line) {
    std::string pending;
    std::string decoded;
    std::vector<char> buf(1 << 16);
    std::optional<Utf16Decoder> utf16;
    const auto emit = [&](std::string_view text) {
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        line(text);
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
    bool isConsole = false;
    while (readConsole(in, decoded, isConsole)) {
        split(decoded);
        decoded.clear();
        out.flush();  // each answer as soon as its line is typed
    }
    bool first = !isConsole;
    std::size_t got;
    while (!isConsole && (got = std::fread(buf.data(), 1, buf.size(), in)) > 0) {
        std::string_view chunk(buf.data(), got);
        // Windows editors and spreadsheet exports start their files with a byte-order mark;
        // Excel's "Unicode text" is UTF-16.
        if (first && chunk.substr(0, 3) == "\xEF\xBB\xBF") {
            chunk.remove_prefix(3);
        } else if (first &&
                   (chunk.substr(0, 2) == "\xFF\xFE" || chunk.substr(0, 2) == "\xFE\xFF")) {
            utf16.emplace(chunk[0] == '\xFE');
            chunk.remove_prefix(2);
        }
        first = false;
        if (utf16) {
            decoded.clear();
            utf16->decode(chunk, decoded);
            chunk = decoded;
        }
        split(chunk);
    }
    if (std::ferror(in)) {
        const int error = errno;
        out.flush();
        fail("read error", error);
    }
    if (utf16) {
        decoded.clear();
        out.flush();
        utf16->finish(decoded);
        split(decoded);
    }
    if (!pending.empty())
        emit(pending);
}

}  // namespace tessaly::cli

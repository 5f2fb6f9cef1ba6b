// tessaly-convert: the uppercase conversion for scripts and batch jobs.

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "convert/amount.h"
#include "runtime/error.h"
#include "runtime/text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <sys/stat.h>
#endif

namespace {

using tessaly::runtime::fromUtf8;
using tessaly::runtime::toUtf8;

constexpr const char* kUsage = "usage: tessaly-convert [AMOUNT...]\n";
constexpr const char* kHelp =
    "Prints the uppercase Chinese financial form of each AMOUNT, one line each;\n"
    "with no AMOUNT, converts standard input line by line.\n"
    "\n"
    "  41823.51  ->  肆万壹仟捌佰贰拾叁圆伍角壹分\n"
    "\n"
    "A blank line gives a blank line. An amount that cannot be converted gives a blank\n"
    "line and a message on standard error, and the exit status is then 1.\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

// Output goes through one large buffer: a batch job writes millions of short lines.
class Output {
public:
    ~Output() { flush(); }
    void line(std::string_view text) {
        buf_.append(text);
        endLine();
    }
    // A converted amount, encoded straight into the buffer.
    void line(std::u16string_view text) {
        tessaly::runtime::appendUtf8(text, buf_);
        endLine();
    }
    void flush() {
        // Through stdio's own buffer too, so that a message written next comes after.
        if (!buf_.empty()) {
            std::fwrite(buf_.data(), 1, buf_.size(), stdout);
            std::fflush(stdout);
        }
        buf_.clear();
    }

private:
    void endLine() {
        buf_ += '\n';
        if (buf_.size() >= kFlushAt)
            flush();
    }

    static constexpr std::size_t kFlushAt = 1 << 16;
    std::string buf_;
};

// Whether standard output and standard error reach the same file or terminal, so that their
// lines must be kept in order.
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

class Converter {
public:
    explicit Converter(Output& out) : out_(out), shared_(outputsShared()) {}

    // Converts one amount given in UTF-8; `where` names it in an error message.
    void convert(std::string_view amount, const char* what, std::size_t number) {
        const std::size_t first = amount.find_first_not_of(" \t");
        if (first == std::string_view::npos) {
            out_.line(std::string_view());
            return;
        }
        // The texts are reused from line to line, so a batch allocates nothing per line.
        decode(amount, money_);
        if (!tessaly::convert::tryConvertAmount(money_, upper_)) {
            out_.line(std::u16string_view(upper_));
        } else {
            out_.line(std::string_view());
            if (shared_)
                out_.flush();  // keep stdout and stderr in order where they meet
            failed_ = true;
            std::fprintf(stderr, "tessaly-convert: %s %zu: \"%.*s\": %s\n", what, number,
                         static_cast<int>(amount.size()), amount.data(),
                         toUtf8(tessaly::convert::kFailurePrompt).c_str());
        }
    }
    bool failed() const { return failed_; }

private:
    static void decode(std::string_view utf8, std::u16string& out) {
        for (const char c : utf8) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                out = fromUtf8(utf8);
                return;
            }
        }
        out.assign(utf8.begin(), utf8.end());
    }

    Output& out_;
    const bool shared_;
    bool failed_ = false;
    std::u16string money_;
    std::u16string upper_;
};

void convertStream(std::FILE* in, Converter& converter) {
    std::string pending;
    std::vector<char> buf(1 << 16);
    std::size_t lineNumber = 0;
    const auto emit = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        converter.convert(line, "line", ++lineNumber);
    };
    std::size_t got;
    while ((got = std::fread(buf.data(), 1, buf.size(), in)) > 0) {
        std::string_view chunk(buf.data(), got);
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
    }
    if (!pending.empty())
        emit(pending);
}

int run(const std::vector<std::string>& args) {
    std::vector<std::string_view> amounts;
    bool optionsDone = false;
    for (const std::string& arg : args) {
        if (!optionsDone && arg == "--help") {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (!optionsDone && arg == "--version") {
            std::puts("Tessaly 1.00");
            return 0;
        }
        if (!optionsDone && arg == "--") {
            optionsDone = true;
            continue;
        }
        // "-5" and "-.5" are amounts; anything else after a dash is an option we lack.
        const bool dashed = arg.size() >= 1 && arg[0] == '-';
        const bool negativeAmount =
            dashed && arg.size() >= 2 && ((arg[1] >= '0' && arg[1] <= '9') || arg[1] == '.');
        if (!optionsDone && dashed && !negativeAmount) {
            std::fprintf(stderr, "tessaly-convert: unknown option '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        }
        amounts.push_back(arg);
    }

    Output out;
    Converter converter(out);
    if (amounts.empty()) {
        convertStream(stdin, converter);
    } else {
        for (std::size_t i = 0; i < amounts.size(); ++i) {
            converter.convert(amounts[i], "argument", i + 1);
        }
    }
    out.flush();
    return converter.failed() ? 1 : 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view w(argv[i]);
        args.push_back(toUtf8(std::u16string(w.begin(), w.end())));
    }
    return run(args);
}
#else
int main(int argc, char** argv) {
    return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif

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
        buf_ += '\n';
        if (buf_.size() >= kFlushAt)
            flush();
    }
    void flush() {
        if (!buf_.empty())
            std::fwrite(buf_.data(), 1, buf_.size(), stdout);
        buf_.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    std::string buf_;
};

class Converter {
public:
    explicit Converter(Output& out) : out_(out) {}

    // Converts one amount given in UTF-8; `where` names it in an error message.
    void convert(std::string_view amount, const char* what, std::size_t number) {
        const std::size_t first = amount.find_first_not_of(" \t");
        if (first == std::string_view::npos) {
            out_.line({});
            return;
        }
        std::u16string money = fromUtf8(amount);
        try {
            out_.line(toUtf8(tessaly::convert::convertAmount(money)));
        } catch (const tessaly::runtime::Error&) {
            out_.line({});
            out_.flush();  // keep stdout and stderr in order when they share a terminal
            failed_ = true;
            std::fprintf(stderr, "tessaly-convert: %s %zu: \"%.*s\": %s\n", what, number,
                         static_cast<int>(amount.size()), amount.data(),
                         toUtf8(tessaly::convert::kFailurePrompt).c_str());
        }
    }
    bool failed() const { return failed_; }

private:
    Output& out_;
    bool failed_ = false;
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

// tessaly-convert: the uppercase conversion for scripts and batch jobs, and the way back.

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/amount.h"
#include "convert/reader.h"
#include "runtime/text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <sys/stat.h>
#endif

namespace {

using tessaly::runtime::Text;
using tessaly::runtime::TextView;

constexpr std::string_view kUsage =
    "usage: tessaly-convert [--read | --check] [OPTION...] [--] [TEXT...]\n";
constexpr std::string_view kHelp =
    "Writes each AMOUNT in uppercase Chinese financial numerals, one line each; with none,\n"
    "converts standard input line by line (a byte-order mark at its start is skipped).\n"
    "\n"
    "  tessaly-convert 41823.51  gives  肆万壹仟捌佰贰拾叁圆伍角壹分\n"
    "\n"
    "Writing style (options go anywhere before \"--\", as --opt=value or --opt value):\n"
    "  --unit=圆|元\n"
    "        the unit, 圆 by default: --unit=元 1.50 gives 壹元伍角整\n"
    "  --whole=整|正\n"
    "        the closing character, 整 by default: --whole=正 8 gives 捌圆正\n"
    "  --whole-after-jiao=yes|no\n"
    "        close after 角 too, yes by default: --whole-after-jiao=no 0.5 gives 伍角\n"
    "  --prefix\n"
    "        人民币 in front: --prefix -5 gives 人民币负伍圆整\n"
    "  --wide\n"
    "        up to sixteen integer digits instead of nine: --wide 1000000000000 gives 壹万亿圆整\n"
    "\n"
    "Reading and checking (any style, up to sixteen integer digits):\n"
    "  --read [TEXT...]\n"
    "        the amount each uppercase TEXT names: --read 负伍圆整 gives -5.00\n"
    "  --check [LINE...]\n"
    "        each LINE is AMOUNT<TAB>UPPERCASE; prints ok, warn or fail, then a tab and what\n"
    "        was found: printf '100\\t壹佰圆整\\n' | tessaly-convert --check gives ok\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Each line gives one line: a blank line for a blank one, and for an amount that cannot be\n"
    "converted (or a text that cannot be read) a blank line and a message on standard error\n"
    "naming the line. Warnings go to standard error too.\n"
    "\n"
    "Exit status: 0 when every line was converted, read, or checked ok or warn; 1 when some\n"
    "line could not be converted or read, or failed its check; 2 for a usage error or trouble\n"
    "reading or writing.\n";

// Trouble reading or writing ends the run at once, so that a batch job never takes a cut
// output for a whole one.
[[noreturn]] void fail(const char* what, int error) {
    std::fprintf(stderr, "tessaly-convert: %s: %s\n", what, std::strerror(error));
    std::fflush(stderr);  // buffered where it is a file on Windows, and _Exit flushes nothing
    std::_Exit(2);
}

// The well-formed UTF-8 sequences by their first byte; the range of the second byte keeps out
// overlong forms, surrogates and code points past U+10FFFF.
struct Lead {
    unsigned char first, last;
    std::size_t length;
    unsigned char secondMin, secondMax;
};
constexpr Lead kLeads[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

// The length of the character at the start of `s` if it may be shown as it is; 0 for a
// control character or a byte that begins no well-formed sequence.
std::size_t printableLength(std::string_view s) {
    const auto byte = [s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    if (byte(0) < 0x80)
        return byte(0) < 0x20 || byte(0) == 0x7F ? 0 : 1;
    for (const Lead& lead : kLeads) {
        if (byte(0) < lead.first || byte(0) > lead.last)
            continue;
        if (s.size() < lead.length || byte(1) < lead.secondMin || byte(1) > lead.secondMax)
            return 0;
        for (std::size_t i = 2; i < lead.length; ++i) {
            if ((byte(i) & 0xC0) != 0x80)
                return 0;
        }
        return lead.length;
    }
    return 0;
}

// Appends `text` in double quotes, every control character and stray byte as \xHH: a message
// shows the whole line (a NUL included) and sends nothing raw to the terminal.
void appendQuoted(std::string_view text, std::string& out) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    while (!text.empty()) {
        const std::size_t n = printableLength(text);
        if (n > 0) {
            out.append(text.substr(0, n));
        } else {
            const auto c = static_cast<unsigned char>(text[0]);
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
        text.remove_prefix(n > 0 ? n : 1);
    }
    out += '"';
}

// Without the spaces and tabs around it; a plain loop, as this runs on every line.
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Output goes through one large buffer: a batch job writes millions of short lines.
class Output {
public:
    void put(std::string_view text) { buf_.append(text); }
    void put(TextView text) { tessaly::runtime::appendUtf8(text, buf_); }
    void endLine() {
        buf_ += '\n';
        if (buf_.size() >= kFlushAt)
            flush();
    }
    void flush() {
        // Through stdio's own buffer too, so that a message written next comes after.
        if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), stdout) != buf_.size())
            fail("write error", errno);
        buf_.clear();
        if (std::fflush(stdout) != 0)
            fail("write error", errno);
    }

private:
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

enum class Mode { Write, Read, Check };
enum class Action { Run, Help, Version };

struct Settings {
    tessaly::Style style;
    Mode mode = Mode::Write;
    Action action = Action::Run;
};

// The options, each with the values it takes; a flag has one entry and no value.
struct Choice {
    std::string_view value;
    void (*set)(Settings&);
};
struct Option {
    std::string_view name;
    std::array<Choice, 2> choices;
    bool isFlag() const { return choices[0].value.empty(); }
};

constexpr Option kOptions[] = {
    {"--unit",
     {{{"圆", [](Settings& s) { s.style.unit = tessaly::Unit::Formal; }},
       {"元", [](Settings& s) { s.style.unit = tessaly::Unit::Common; }}}}},
    {"--whole",
     {{{"整", [](Settings& s) { s.style.closing = tessaly::Closing::Whole; }},
       {"正", [](Settings& s) { s.style.closing = tessaly::Closing::Exact; }}}}},
    {"--whole-after-jiao",
     {{{"yes", [](Settings& s) { s.style.closeAfterJiao = true; }},
       {"no", [](Settings& s) { s.style.closeAfterJiao = false; }}}}},
    {"--prefix", {{{"", [](Settings& s) { s.style.prefix = true; }}}}},
    {"--wide", {{{"", [](Settings& s) { s.style.wide = true; }}}}},
    {"--read", {{{"", [](Settings& s) { s.mode = Mode::Read; }}}}},
    {"--check", {{{"", [](Settings& s) { s.mode = Mode::Check; }}}}},
    {"--help", {{{"", [](Settings& s) { s.action = Action::Help; }}}}},
    {"--version", {{{"", [](Settings& s) { s.action = Action::Version; }}}}},
};

// "-5" and "-.5" are amounts; anything else after a dash is an option.
bool isOption(std::string_view arg) {
    if (arg.empty() || arg[0] != '-')
        return false;
    return arg.size() < 2 ||
           !(tessaly::runtime::isDigit(static_cast<char16_t>(arg[1])) || arg[1] == '.');
}

std::string quoted(std::string_view text) {
    std::string out;
    appendQuoted(text, out);
    return out;
}

// What `option` takes, for a usage message: "圆 or 元".
std::string takes(const Option& option) {
    return std::string(option.choices[0].value) + " or " + std::string(option.choices[1].value);
}

// Applies the options found anywhere before "--" to `settings` and collects the other
// arguments into `texts`. Returns what was wrong, if anything; stops at --help or --version.
std::optional<std::string> parse(const std::vector<std::string>& args, Settings& settings,
                                 std::vector<std::string_view>& texts) {
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size() && settings.action == Action::Run; ++i) {
        const std::string_view arg = args[i];
        if (optionsDone || !isOption(arg)) {
            texts.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string_view name = arg.substr(0, eq);
        const Option* option = nullptr;
        for (const Option& o : kOptions) {
            if (o.name == name)
                option = &o;
        }
        if (option == nullptr)
            return "unknown option " + quoted(name);
        if (option->isFlag()) {
            if (eq != std::string_view::npos)
                return "option " + quoted(name) + " takes no value";
            option->choices[0].set(settings);
            continue;
        }
        if (eq == std::string_view::npos && i + 1 == args.size())
            return "option " + quoted(name) + " needs a value: " + takes(*option);
        const std::string_view value =
            eq != std::string_view::npos ? arg.substr(eq + 1) : std::string_view(args[++i]);
        const Choice* choice = nullptr;
        for (const Choice& c : option->choices) {
            if (c.value == value)
                choice = &c;
        }
        if (choice == nullptr)
            return "option " + quoted(name) + " takes " + takes(*option) + ", not " + quoted(value);
        choice->set(settings);
    }
    return std::nullopt;
}

// Converts, reads or checks one line at a time.
class Batch {
public:
    Batch(Output& out, const Settings& settings)
        : out_(out), settings_(settings), shared_(outputsShared()) {}

    // One argument or input line in UTF-8; `what` and `number` name it in a message.
    void line(std::string_view text, const char* what, std::size_t number) {
        what_ = what;
        number_ = number;
        if (trimmed(text).empty()) {
            out_.endLine();
            return;
        }
        switch (settings_.mode) {
            case Mode::Write:
                return write(text);
            case Mode::Read:
                return read(trimmed(text));
            case Mode::Check:
                return check(text);
        }
    }
    bool failed() const { return failed_; }

private:
    void write(std::string_view amount) {
        // The texts are reused from line to line, so a batch allocates nothing per line.
        decode(amount, money_);
        if (tessaly::convert::tryConvertAmount(money_, upper_, settings_.style)) {
            out_.put(upper_);
            out_.endLine();
            return;
        }
        out_.endLine();
        report(amount, tessaly::convert::kFailurePrompt);
        failed_ = true;
    }

    void read(std::string_view text) {
        decode(text, upper_);
        tessaly::convert::read(upper_, reading_, std::nullopt);
        if (reading_.amount)
            out_.put(*reading_.amount);
        out_.endLine();
        for (const tessaly::Finding& finding : reading_.findings)
            report(text, tessaly::runtime::fromUtf8(finding.message),
                   finding.severity == tessaly::Severity::Warning);
        failed_ = failed_ || !reading_.amount;
    }

    void check(std::string_view line) {
        static constexpr std::string_view kVerdicts[] = {"ok", "warn", "fail"};
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            out_.put(kVerdicts[2]);
            out_.put(u"\t缺少制表符：每行应为小写金额、制表符、大写金额");
            out_.endLine();
            failed_ = true;
            return;
        }
        decode(trimmed(line.substr(0, tab)), money_);
        decode(trimmed(line.substr(tab + 1)), upper_);
        tessaly::Check result;
        tessaly::convert::check(money_, upper_, result, std::nullopt);
        out_.put(kVerdicts[static_cast<std::size_t>(result.verdict)]);
        for (std::size_t i = 0; i < result.findings.size(); ++i) {
            out_.put(i == 0 ? u"\t" : u"；");
            out_.put(result.findings[i].message);
        }
        out_.endLine();
        failed_ = failed_ || result.verdict == tessaly::Verdict::Fail;
    }

    // One line on standard error naming the input line, after the output lines before it.
    void report(std::string_view text, TextView message, bool warning = false) {
        if (shared_)
            out_.flush();  // keep stdout and stderr in order where they meet
        message_.assign("tessaly-convert: ");
        message_.append(what_).append(" ").append(std::to_string(number_)).append(": ");
        appendQuoted(text, message_);
        message_.append(warning ? ": warning: " : ": ");
        tessaly::runtime::appendUtf8(message, message_);
        message_ += '\n';
        std::fwrite(message_.data(), 1, message_.size(), stderr);
        std::fflush(stderr);  // buffered where it is a file on Windows
    }

    static void decode(std::string_view utf8, Text& out) {
        for (const char c : utf8) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                out = tessaly::runtime::fromUtf8(utf8);
                return;
            }
        }
        // Widened in place: assigning from narrow iterators would build a temporary each line.
        out.resize(utf8.size());
        std::copy(utf8.begin(), utf8.end(), out.begin());
    }

    Output& out_;
    const Settings& settings_;
    const bool shared_;
    bool failed_ = false;
    const char* what_ = "";
    std::size_t number_ = 0;
    Text money_;
    Text upper_;
    tessaly::Reading reading_;
    std::string message_;
};

void readLines(std::FILE* in, Output& out, Batch& batch) {
    std::string pending;
    std::vector<char> buf(1 << 16);
    std::size_t lineNumber = 0;
    bool first = true;
    const auto emit = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        batch.line(line, "line", ++lineNumber);
    };
    std::size_t got;
    while ((got = std::fread(buf.data(), 1, buf.size(), in)) > 0) {
        std::string_view chunk(buf.data(), got);
        // Windows editors and spreadsheet exports start their files with a byte-order mark.
        if (first && chunk.starts_with("\xEF\xBB\xBF"))
            chunk.remove_prefix(3);
        first = false;
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
    if (std::ferror(in)) {
        const int error = errno;
        out.flush();
        fail("read error", error);
    }
    if (!pending.empty())
        emit(pending);
}

int run(const std::vector<std::string>& args) {
    Settings settings;
    std::vector<std::string_view> texts;
    if (const std::optional<std::string> problem = parse(args, settings, texts)) {
        const std::string message = "tessaly-convert: " + *problem + "\n" + std::string(kUsage);
        std::fputs(message.c_str(), stderr);
        return 2;
    }
    Output out;
    if (settings.action != Action::Run) {
        out.put(settings.action == Action::Help ? kUsage : "Tessaly " TESSALY_VERSION "\n");
        if (settings.action == Action::Help)
            out.put(kHelp);
        out.flush();
        return 0;
    }
    Batch batch(out, settings);
    if (texts.empty()) {
        readLines(stdin, out, batch);
    } else {
        for (std::size_t i = 0; i < texts.size(); ++i)
            batch.line(texts[i], "argument", i + 1);
    }
    out.flush();
    return batch.failed() ? 1 : 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view w(argv[i]);
        args.push_back(tessaly::runtime::toUtf8(std::u16string(w.begin(), w.end())));
    }
    return run(args);
}
#else
int main(int argc, char** argv) {
    return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif

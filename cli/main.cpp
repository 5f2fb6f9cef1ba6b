// tessaly-convert: the uppercase conversion for scripts and batch jobs, and the way back.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tessaly/tessaly.h>
#include <tessaly/version.h>

#include "cli/scan.h"
#include "cli/streams.h"
#include "runtime/text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using tessaly::cli::Output;

constexpr std::string_view kUsage =
    "Usage: tessaly-convert [--read | --check | --scan] [OPTION...] [--] [TEXT...]\n";
constexpr std::string_view kHelp =
    "\n"
    "Writes each AMOUNT in uppercase Chinese financial numerals, one line each; with none,\n"
    "converts standard input line by line.\n"
    "\n"
    "  tessaly-convert 41823.51  gives  肆万壹仟捌佰贰拾叁圆伍角壹分\n"
    "\n"
    "An amount is digits with an optional sign and point, optionally \",\" between groups of\n"
    "three integer digits (1,234.5) and an exponent (1e3); it is rounded to cents. It may be\n"
    "written as money is in sheets: ￥41,823.51, -￥8.00, RMB 1,680.32, 1,680.32元, (8.00) for a\n"
    "negative, full-width digits; two signs or text after the number are no amount.\n"
    "\n"
    "Writing style:\n"
    "  --unit=圆|元\n"
    "        the unit, 圆 by default: --unit=元 1.50 gives 壹元伍角整\n"
    "  --closing=整|正\n"
    "        the closing character, 整 by default: --closing=正 8 gives 捌圆正\n"
    "        (--whole, its former name, is still taken)\n"
    "  --close-after-jiao=yes|no\n"
    "        close after 角 too, yes by default: --close-after-jiao=no 0.5 gives 伍角\n"
    "        (--whole-after-jiao, its former name, is still taken)\n"
    "  --prefix\n"
    "        人民币 in front: --prefix -5 gives 人民币负伍圆整\n"
    "  --wide\n"
    "        up to sixteen integer digits instead of nine: --wide 1000000000000 gives 壹万亿圆整\n"
    "\n"
    "Reading and checking:\n"
    "  --read [TEXT...]\n"
    "        the amount each uppercase TEXT names, in any style and up to sixteen integer\n"
    "        digits: --read 负伍圆整 gives -5.00\n"
    "  --check [LINE...]\n"
    "        each LINE is AMOUNT<TAB>UPPERCASE; prints ok, warn or fail, then a tab and what\n"
    "        was found: printf '100\\t壹佰圆整\\n' | tessaly-convert --check gives ok\n"
    "  --scan [FILE...]\n"
    "        finds the amounts in each FILE (standard input with none, or for - after --),\n"
    "        such as a contract, pairs each uppercase amount with the nearest digits in its\n"
    "        sentence and checks them; prints each that is not ok as a compiler would,\n"
    "        FILE:LINE:COL: warn|fail: 大写 … = AMOUNT, 小写 … = AMOUNT: what was found,\n"
    "        then 共 N 处金额，正确 N，警告 N，错误 N on standard error\n"
    "  --all\n"
    "        with --scan, prints the ok ones too, and digits with no uppercase beside them\n"
    "\n"
    "With a writing-style option, --read, --check and --scan take it as the house style: a\n"
    "text written otherwise gets a warning (--check --unit=元 warns on 圆). Options go\n"
    "anywhere before --, as --opt=value or --opt value.\n"
    "\n"
    "Other options:\n"
    "  --line-buffered\n"
    "        write each answer as soon as its line is done, even when many lines arrive at\n"
    "        once, for a program that reads the answers as it goes; at a terminal, always\n"
    "  -h, --help  show this text\n"
    "  --version   show the version\n"
    "\n"
    "Input and output:\n"
    "  Each line gives one line, whatever it holds: a blank line for a blank one; for an\n"
    "  amount that cannot be converted or a text that cannot be read, a blank line and a\n"
    "  message on standard error naming the line and why. Warnings go to standard error too.\n"
    "  Spaces, tabs, U+3000 and U+00A0 around a text are ignored, but counted in a finding's\n"
    "  position. Standard input is UTF-8, or UTF-16 after its byte-order mark (Excel's\n"
    "  \"Unicode text\"); output is UTF-8, and a Windows console gets its own characters.\n"
    "  Messages quote at most 60 characters of a text (then …（共N个字）), control\n"
    "  characters as \\xHH and invisible ones as <U+XXXX>, and give at most 8 findings of a\n"
    "  text, then how many more.\n"
    "\n"
    "Exit status:\n"
    "  0 when every line was converted, read, or checked ok or warn; 1 when some line could\n"
    "  not be converted or read, or failed its check, or some amount scanned failed; 2 for a\n"
    "  usage error or trouble reading or writing. When the reader of the output goes away\n"
    "  (| head -1), the run ends at once and silently, by SIGPIPE, as the other programs of a\n"
    "  pipeline do.\n";

enum class Mode { Write, Read, Check };
enum class Action { Run, Help, Version };

struct Settings {
    tessaly::Style style;
    bool styled = false;  // a style option was given: for reading, the house style
    Mode mode = Mode::Write;
    Action action = Action::Run;
    bool lineBuffered = false;  // each line answered at once, for a program waiting on a pipe
    bool scan = false;          // whole documents scanned for amounts
    bool all = false;           // ... and every amount found reported
    // The style a text read or checked must follow, if any.
    std::optional<tessaly::Style> house() const {
        return styled ? std::optional(style) : std::nullopt;
    }
};

// The options, each with the values it takes; a flag has one entry and no value.
struct Choice {
    std::string_view value;
    void (*set)(Settings&);
};
struct Option {
    std::string_view name;
    std::array<Choice, 2> choices;
    bool style = false;            // part of the writing style
    std::string_view former = {};  // the name it had before, still taken
    bool isFlag() const { return choices[0].value.empty(); }
    bool is(std::string_view given) const {
        return given == name || (!former.empty() && given == former);
    }
};

constexpr Option kOptions[] = {
    {"--unit",
     {{{"圆", [](Settings& s) { s.style.unit = tessaly::Unit::Formal; }},
       {"元", [](Settings& s) { s.style.unit = tessaly::Unit::Common; }}}},
     true},
    {"--closing",
     {{{"整", [](Settings& s) { s.style.closing = tessaly::Closing::Whole; }},
       {"正", [](Settings& s) { s.style.closing = tessaly::Closing::Exact; }}}},
     true,
     "--whole"},
    {"--close-after-jiao",
     {{{"yes", [](Settings& s) { s.style.closeAfterJiao = true; }},
       {"no", [](Settings& s) { s.style.closeAfterJiao = false; }}}},
     true,
     "--whole-after-jiao"},
    {"--prefix", {{{"", [](Settings& s) { s.style.prefix = true; }}}}, true},
    {"--wide", {{{"", [](Settings& s) { s.style.wide = true; }}}}, true},
    {"--read", {{{"", [](Settings& s) { s.mode = Mode::Read; }}}}},
    {"--check", {{{"", [](Settings& s) { s.mode = Mode::Check; }}}}},
    {"--scan", {{{"", [](Settings& s) { s.scan = true; }}}}},
    {"--all", {{{"", [](Settings& s) { s.all = true; }}}}},
    {"--line-buffered", {{{"", [](Settings& s) { s.lineBuffered = true; }}}}},
    {"--help", {{{"", [](Settings& s) { s.action = Action::Help; }}}}},
    {"-h", {{{"", [](Settings& s) { s.action = Action::Help; }}}}},
    {"--version", {{{"", [](Settings& s) { s.action = Action::Version; }}}}},
};
// "-5" and "-.5" are amounts; anything else after a dash is an option.
bool isOption(std::string_view arg) {
    if (arg.empty() || arg[0] != '-')
        return false;
    return arg.size() < 2 ||
           !(tessaly::runtime::isDigit(static_cast<char16_t>(arg[1])) || arg[1] == '.');
}

// `text` as a message quotes it: "xxx…（共1000000个字）".
void appendQuoted(std::string_view text, std::string& out) {
    out += '"';
    tessaly::runtime::appendQuoted(text, out);
    out += '"';
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

// Sets what `choice` of `option` says; what was wrong, if anything.
std::optional<std::string> apply(const Option& option, const Choice& choice, Settings& settings) {
    const Mode mode = settings.mode;
    choice.set(settings);
    settings.styled = settings.styled || option.style;
    if (mode != Mode::Write && settings.mode != mode)
        return std::string("options \"--read\" and \"--check\" do not go together");
    return std::nullopt;
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
            if (o.is(name))
                option = &o;
        }
        if (option == nullptr)
            return "unknown option " + quoted(name);
        const Choice* choice = nullptr;
        if (option->isFlag()) {
            if (eq != std::string_view::npos)
                return "option " + quoted(name) + " takes no value";
            choice = &option->choices[0];
        } else {
            if (eq == std::string_view::npos && i + 1 == args.size())
                return "option " + quoted(name) + " needs a value: " + takes(*option);
            const std::string_view value =
                eq != std::string_view::npos ? arg.substr(eq + 1) : std::string_view(args[++i]);
            for (const Choice& c : option->choices) {
                if (c.value == value)
                    choice = &c;
            }
            if (choice == nullptr)
                return "option " + quoted(name) + " takes " + takes(*option) + ", not " +
                       quoted(value);
        }
        if (auto problem = apply(*option, *choice, settings))
            return problem;
    }
    if (settings.scan && settings.mode != Mode::Write)
        return std::string("option \"--scan\" goes with neither \"--read\" nor \"--check\"");
    if (settings.all && !settings.scan)
        return std::string("option \"--all\" goes with \"--scan\" only");
    return std::nullopt;
}

// Why an amount could not be written, for a clerk.
std::string_view reason(tessaly::Failure failure, std::string_view amount,
                        const tessaly::Style& style) {
    switch (failure) {
        case tessaly::Failure::None:
        case tessaly::Failure::Empty:
            return "没有金额";
        case tessaly::Failure::NotANumber:
            return "不是小写金额（应为数字，如 41823.51）";
        case tessaly::Failure::TooManyDigits:
            break;
    }
    tessaly::Style wide = style;
    wide.wide = true;
    if (!style.wide && tessaly::write(amount, wide))
        return "整数超过九位，加 --wide 可写到十六位";
    return "整数超过十六位";
}

// Converts, reads or checks one line at a time.
class Batch {
public:
    Batch(Output& out, const Settings& settings) : out_(out), settings_(settings) {}

    // One argument or input line in UTF-8; `what` and `number` name it in a message.
    void line(std::string_view text, const char* what, std::size_t number) {
        what_ = what;
        number_ = number;
        // A tab makes a --check line, however empty its two fields.
        const bool checked = settings_.mode == Mode::Check && text.find('\t') != text.npos;
        const std::string_view inner = tessaly::runtime::trimBlanks(text);
        if (inner.empty() && !checked) {
            out_.endLine();
            return;
        }
        // A text is read and checked as given: the engine passes over the blanks around it,
        // and counts a finding's position in the text the user has, blanks included.
        switch (settings_.mode) {
            case Mode::Write:
                return write(inner);
            case Mode::Read:
                return read(text);
            case Mode::Check:
                return check(text);
        }
    }
    bool failed() const { return failed_; }

private:
    void write(std::string_view amount) {
        // Into one reused string: a batch allocates nothing per line.
        const tessaly::Failure failure = tessaly::writeTo(written_, amount, settings_.style);
        out_.put(written_);
        out_.endLine();
        if (failure == tessaly::Failure::None)
            return;
        startReport(amount);
        report(reason(failure, amount, settings_.style));
        failed_ = true;
    }

    void read(std::string_view text) {
        tessaly::readTo(reading_, text, settings_.house());
        if (reading_.amount)
            out_.put(*reading_.amount);
        out_.endLine();
        // The engine details at most eight findings of a text and counts the rest in one more;
        // it shows every character of the text safely, so its messages are printed as they are.
        if (!reading_.findings.empty())
            startReport(text);
        for (const tessaly::Finding& finding : reading_.findings)
            report(finding.message, finding.severity == tessaly::Severity::Warning);
        failed_ = failed_ || !reading_.amount;
    }

    void check(std::string_view line) {
        static constexpr std::string_view kVerdicts[] = {"ok", "warn", "fail"};
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            out_.put(kVerdicts[2]);
            out_.put("\t缺少制表符：每行应为小写金额、制表符、大写金额");
            out_.endLine();
            failed_ = true;
            return;
        }
        tessaly::checkTo(check_, line.substr(0, tab), line.substr(tab + 1), settings_.house());
        out_.put(kVerdicts[static_cast<std::size_t>(check_.verdict)]);
        for (std::size_t i = 0; i < check_.findings.size(); ++i) {
            out_.put(i == 0 ? "\t" : "；");
            out_.put(check_.findings[i].message);
        }
        out_.endLine();
        failed_ = failed_ || check_.verdict == tessaly::Verdict::Fail;
    }

    // What each message on the input line starts with: tessaly-convert: line 4: "abc":
    void startReport(std::string_view text) {
        about_.assign("tessaly-convert: ");
        about_.append(what_).append(" ").append(std::to_string(number_)).append(": ");
        appendQuoted(text, about_);
        about_.append(": ");
    }
    // One line on standard error about the input line.
    void report(std::string_view message, bool warning = false) {
        std::string& errors = out_.errors();
        errors.append(about_);
        if (warning)
            errors.append("warning: ");
        errors.append(message);
        errors += '\n';
    }

    Output& out_;
    const Settings& settings_;
    bool failed_ = false;
    const char* what_ = "";
    std::size_t number_ = 0;
    std::string written_;
    tessaly::Reading reading_;
    tessaly::Check check_;
    std::string about_;
};

int run(const std::vector<std::string>& args) {
    Settings settings;
    std::vector<std::string_view> texts;
    Output out;
    if (const std::optional<std::string> problem = parse(args, settings, texts)) {
        out.errors().append("tessaly-convert: ").append(*problem).append("\n").append(kUsage);
        out.flush();
        return 2;
    }
    if (settings.action != Action::Run) {
        out.put(settings.action == Action::Help ? kUsage : "Tessaly " TESSALY_VERSION "\n");
        if (settings.action == Action::Help)
            out.put(kHelp);
        out.flush();
        return 0;
    }
    if (settings.scan)
        return tessaly::cli::scanFiles(out, texts, settings.house(), settings.all);
    Batch batch(out, settings);
    if (texts.empty()) {
        std::size_t number = 0;
        tessaly::cli::readLines(out, settings.lineBuffered || tessaly::cli::inputIsTerminal(),
                                [&](std::string_view line) { batch.line(line, "line", ++number); });
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

// Runs the built tessaly-convert as a script would and checks what it prints and its status.

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>

#include <gmock/gmock.h>

#include <tessaly/version.h>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace testing;
using Expect = Matcher<const std::string&>;

struct Case {
    std::string args;
    std::string input;
    int status;
    Expect out;
    Expect err;
    std::string streams = "< in > out 2> err";
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs the program in the fresh folder `dir` with the case's arguments (quoted for the shell)
// and input in the file "in"; its streams redirect to and from files there.
std::tuple<int, std::string, std::string> run(const fs::path& dir, const Case& c) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "in", std::ios::binary) << c.input;
    std::string program = "\"";
    program.append(fs::absolute(TESSALY_CONVERT).string()).append("\" ").append(c.args);
#ifdef _WIN32
    const std::string command = "cd /d \"" + dir.string() + "\" && " + program + " " + c.streams;
    const int status = _wsystem(fs::path(std::u8string(command.begin(), command.end())).c_str());
#else
    // The status through a file: a pipeline's own is its last command's.
    const std::string command = "cd '" + dir.string() + "' && trap '' PIPE && (" + program +
                                "; echo $? > status) " + c.streams;
    [[maybe_unused]] const int shell = std::system(command.c_str());
    const int status = std::stoi(slurp(dir / "status"));
#endif
    return {status, slurp(dir / "out"), slurp(dir / "err")};
}

// The message for an amount that cannot be converted, after where it was.
std::string cannot(const std::string& where,
                   const std::string& why = "不是小写金额（应为数字，如 41823.51）") {
    return "tessaly-convert: " + where + ": " + why + "\n";
}

// `text` as Windows writes "Unicode text": UTF-16 after its byte-order mark.
std::string utf16(std::u16string_view text, bool bigEndian = false) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text)
        bytes +=
            bigEndian ? std::string{char(c >> 8), char(c)} : std::string{char(c), char(c >> 8)};
    return bytes;
}

// `n` lines, the first starting `start`, none blank and none with an escape character in it:
// one line per input, however long or strange the input.
Expect linesOf(std::size_t n, const std::string& start) {
    const auto count = [](const std::string& s) { return std::ranges::count(s, '\n'); };
    return AllOf(ResultOf(count, n), StartsWith(start), Not(HasSubstr("\n\n")),
                 Not(HasSubstr("\x1b")));
}

Expect usageError(const std::string& what) {
    return StartsWith("tessaly-convert: " + what + "\nUsage: tessaly-convert ");
}

// Trouble reading or writing: one line naming the cause in the system's words.
[[maybe_unused]] std::string ioError(const char* what, int error) {
    return "tessaly-convert: "s + what + " error: " + std::strerror(error) + "\n";
}

// Twenty thousand lines, more than a pipe holds once converted.
std::string manyLines(const char* even, const char* odd) {
    std::string lines;
    for (int i = 0; i < 20000; ++i)
        lines += i % 2 ? odd : even;
    return lines;
}

TEST(Cli, KeepsItsContract) {
    const fs::path dir =
        fs::temp_directory_path() / ("tessaly-cli-" + std::to_string(std::random_device()()));
    const Case cases[] = {
        // Arguments, or standard input line by line; "-5" and "-.5" are amounts.
        {"41823.51 0 -5 12元 1,234.5 -.5", "", 1,
         "肆万壹仟捌佰贰拾叁圆伍角壹分\n零圆整\n负伍圆整\n\n壹仟贰佰叁拾肆圆伍角整\n负伍角整\n",
         cannot("argument 4: \"12元\"")},
        {"", "1\r\n\n \u3000\t\nabc\n0.5\n1000000000\n100000001\n1e16", 1,
         "壹圆整\n\n\n\n伍角整\n\n壹亿零壹圆整\n\n",
         cannot("line 4: \"abc\"") +
             cannot("line 6: \"1000000000\"", "整数超过九位，加 --wide 可写到十六位") +
             cannot("line 8: \"1e16\"", "整数超过十六位")},
        {"--", "10.05\n", 0, "壹拾圆零伍分\n", ""},
        {"", manyLines("0.05\n", "41823.51\n"), 0,
         manyLines("伍分\n", "肆万壹仟捌佰贰拾叁圆伍角壹分\n"), ""},
        // A byte-order mark is skipped; control characters and stray bytes are quoted as \xHH.
        {"", "\uFEFF7\n1\0002\n\x1b[31m\n\xff九\x7f\n\xC0\xAF\xED\xA0\x80\xE4\xB9"s, 1,
         "柒圆整\n\n\n\n\n",
         cannot("line 2: \"1\\x002\"") + cannot("line 3: \"\\x1b[31m\"") +
             cannot("line 4: \"\\xff九\\x7f\"") +
             cannot("line 5: \"\\xc0\\xaf\\xed\\xa0\\x80\\xe4\\xb9\"")},
        // Long texts are quoted in part, invisible characters by code point; UTF-16 input.
        {"", std::string(1'000'000, 'x'), 1, "\n",
         cannot("line 1: \"" + std::string(60, 'x') + "…\" (1000000 characters)")},
        {"--read", std::string(1'000'000, 'x'), 1, "\n",
         AllOf(HasSubstr("…\" (1000000 characters): 第1个字“x”"), linesOf(9, "tessaly-convert: "))},
        {"--check", "1\t" + std::string(1'000'000, 'x'), 1, linesOf(1, "fail\t第1个字“x”"), ""},
        {"\"1\u200B\u2028\uFEFF\"", "", 1, "\n",
         cannot("argument 1: \"1<U+200B><U+2028><U+FEFF>\"")},
        {"", utf16(u"5\r\n壹\r\n0.5"), 1, "伍圆整\n\n伍角整\n", cannot("line 2: \"壹\"")},
        {"--check", utf16(u"1\t壹圆整\n\U0002000B\t1", true), 1,
         AllOf(linesOf(2, "ok\nfail\t"), HasSubstr("\U0002000B")), ""},
        {"", utf16(u"5\n6") + "7", 2, "伍圆整\n",
         "tessaly-convert: read error: UTF-16 input ends in the middle of a character\n"},
        {"--version", "", 0, "Tessaly " TESSALY_VERSION "\n", ""},
        {"-h", "", 0, AllOf(HasSubstr("--prefix -5"), HasSubstr("Exit status")), ""},
        // Style options make a house style for reading and checking; without them, only the rules.
        // A warning does not fail; findings on one text go on one line.
        {"--check --unit=元 --whole-after-jiao=no", "15.5\t拾伍圆伍角\n0.5\t伍角\n", 0,
         AllOf(StartsWith("warn\t第1个字"), HasSubstr("；第3个字“圆”"), EndsWith("\nok\n")), ""},
        {"--read --whole=正 伍圆整 abc", "", 1, "5.00\n\n",
         AllOf(HasSubstr("argument 1: \"伍圆整\": warning: 第3个字"),
               HasSubstr("argument 2: \"abc\": 第1个字"))},
        // The writing styles, options anywhere before "--", as --opt=value or --opt value.
        {"--unit=元 1000000000000 --whole 正 --whole-after-jiao=no -0.5 --prefix --wide", "", 0,
         "人民币壹万亿元正\n人民币负伍角\n", ""},
        {"--wide -- --prefix", "", 1, "\n", cannot("argument 1: \"--prefix\"")},
        {"--frobnicate 5", "", 2, "", usageError("unknown option \"--frobnicate\"")},
        {"-x", "", 2, "", usageError("unknown option \"-x\"")},
        {"- 5", "", 2, "", usageError("unknown option \"-\"")},
        {"--unit 圓 5", "", 2, "", usageError("option \"--unit\" takes 圆 or 元, not \"圓\"")},
        {"5 --whole", "", 2, "", usageError("option \"--whole\" needs a value: 整 or 正")},
        {"--wide=yes 5", "", 2, "", usageError("option \"--wide\" takes no value")},
        {"--check --read", "", 2, "",
         usageError("options \"--read\" and \"--check\" do not go together")},
        // Reading and checking, spaces around each text trimmed.
        {"--read", " 负伍圆整 \n壹亿万圆整\n", 1, "-5.00\n\n",
         HasSubstr("2: \"壹亿万圆整\": 第3个字")},
        {"--check", "1\t壹圆整\n 100010000 \t 壹亿零壹仟圆整 \n壹圆整\n", 1,
         "ok\nfail\t大写为 100001000.00，小写为 100010000.00\n"
         "fail\t缺少制表符：每行应为小写金额、制表符、大写金额\n",
         ""},
        // Whatever a line holds reaches the terminal escaped, one output line per input.
        {"--check", "1\t壹\x1b[31m圆整\n\t\n", 1,
         AllOf(linesOf(2, "fail\t"), HasSubstr("\nfail\t")), ""},
#ifndef _WIN32
        {"--check '1\t壹圆\n整'", "", 1, linesOf(1, "fail\t"), ""},
#endif
        // Each message follows the output lines before it when both streams share a file.
        {"1 abc 2", "", 1, "壹圆整\n\n" + cannot("argument 2: \"abc\"") + "贰圆整\n", "",
         "< in > out 2>&1"},
#ifndef _WIN32
        {"5", "", 2, "", ioError("write", ENOSPC), "< in > /dev/full 2> err"},
        {"--version", "", 2, "", ioError("write", EBADF), "< in >&- 2> err"},
        {"", manyLines("1\n", "2\n"), 2, "", ioError("write", EPIPE), "< in 2> err | true"},
        {"", "", 2, "", ioError("read", EISDIR), "< . > out 2> err"},
#endif
    };
    for (const Case& c : cases) {
        const auto [status, out, err] = run(dir, c);
        EXPECT_EQ(status, c.status) << c.args;
        EXPECT_THAT(out, c.out) << c.args;
        EXPECT_THAT(err, c.err) << c.args;
    }
    fs::remove_all(dir);
}

}  // namespace

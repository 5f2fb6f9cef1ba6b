// Runs the built tessaly-convert as a script would and checks what it prints and its status.

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

extern char** environ;
#endif

#include <gmock/gmock.h>

#include <tessaly/version.h>

#include "runner.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace testing;
using Expect = Matcher<const std::string&>;
using tessaly::test::utf16;

struct Case {
    std::string what;  // the behaviour the case shows, for its failure message
    std::string args;
    std::string input;
    int status;
    Expect out;
    Expect err;
    std::string streams = "< in > out 2> err";
};

// The message for an amount that cannot be converted, after where it was.
std::string cannot(const std::string& where,
                   const std::string& why = "不是小写金额（应为数字，如 41823.51）") {
    return "tessaly-convert: " + where + ": " + why + "\n";
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

// Each case with its input in the file "in", its label on any failure.
void expectAll(std::initializer_list<Case> cases) {
    const tessaly::test::Folder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what + ": tessaly-convert " + c.args);
        folder.put("in", c.input);
        const auto [status, out, err] = folder.run("tessaly-convert " + c.args, c.streams);
        EXPECT_EQ(status, c.status);
        EXPECT_THAT(out, c.out);
        EXPECT_THAT(err, c.err);
    }
}

TEST(Cli, WritesOneLinePerAmountOrInputLine) {
    expectAll({
        {"arguments; -5, -.5 and ￥-8 are amounts", "41823.51 0 -5 12元整 1,234.5 -.5 ￥-8", "", 1,
         "肆万壹仟捌佰贰拾叁圆伍角壹分\n零圆整\n负伍圆整\n\n壹仟贰佰叁拾肆圆伍角整\n负伍角整\n负捌"
         "圆整\n",
         cannot("argument 4: \"12元整\"")},
        {"standard input: CR LF, blank lines, amounts too long", "",
         "1\r\n\n \u3000\t\nabc\n0.5\n1000000000\n100000001\n1e16", 1,
         "壹圆整\n\n\n\n伍角整\n\n壹亿零壹圆整\n\n",
         cannot("line 4: \"abc\"") +
             cannot("line 6: \"1000000000\"", "整数超过九位，加 --wide 可写到十六位") +
             cannot("line 8: \"1e16\"", "整数超过十六位")},
        {"-- alone reads standard input", "--", "10.05\n", 0, "壹拾圆零伍分\n", ""},
        {"more lines than a block", "", manyLines("0.05\n", "41823.51\n"), 0,
         manyLines("伍分\n", "肆万壹仟捌佰贰拾叁圆伍角壹分\n"), ""},
        {"UTF-16 after its byte-order mark", "", utf16(u"5\r\n壹\r\n0.5"), 1, "伍圆整\n\n伍角整\n",
         cannot("line 2: \"壹\"")},
        {"UTF-16, big-endian, beyond the basic plane", "--check",
         utf16(u"1\t壹圆整\n\U0002000B\t1", true), 1,
         AllOf(linesOf(2, "ok\nfail\t"), HasSubstr("\U0002000B")), ""},
        {"UTF-16 cut in a character", "", utf16(u"5\n6") + "7", 2, "伍圆整\n",
         "tessaly-convert: read error: UTF-16 input ends in the middle of a character\n"},
    });
}

TEST(Cli, ShowsWhatAnInputHoldsSafely) {
    expectAll({
        {"byte-order mark skipped; control characters and stray bytes as \\xHH", "",
         "\uFEFF7\n1\0002\n\x1b[31m\n\xff九\x7f\n\xC0\xAF\xED\xA0\x80\xE4\xB9"s, 1,
         "柒圆整\n\n\n\n\n",
         cannot("line 2: \"1\\x002\"") + cannot("line 3: \"\\x1b[31m\"") +
             cannot("line 4: \"\\xff九\\x7f\"") +
             cannot("line 5: \"\\xc0\\xaf\\xed\\xa0\\x80\\xe4\\xb9\"")},
        {"a long amount quoted in part", "", std::string(1'000'000, 'x'), 1, "\n",
         cannot("line 1: \"" + std::string(60, 'x') + "…（共1000000个字）\"")},
        {"a long text read: eight findings and a count", "--read", std::string(1'000'000, 'x'), 1,
         "\n",
         AllOf(HasSubstr("…（共1000000个字）\": 第1个字“x”"),
               HasSubstr("第9个字起另有999992处错误"), linesOf(9, "tessaly-convert: "))},
        {"a long text checked", "--check", "1\t" + std::string(1'000'000, 'x'), 1,
         linesOf(1, "fail\t第1个字“x”"), ""},
        {"invisible characters by code point", "\"1\u200B\u2028\uFEFF\"", "", 1, "\n",
         cannot("argument 1: \"1<U+200B><U+2028><U+FEFF>\"")},
        {"the engine's findings show characters alike", "--read", "壹\u200B圆\x1b整\n", 1, "\n",
         AllOf(HasSubstr("第2个字“<U+200B>”"), HasSubstr("第4个字“\\x1b”"),
               linesOf(2, "tessaly-convert: "))},
        {"a check line with an escape in it", "--check", "1\t壹\x1b[31m圆整\n\t\n", 1,
         AllOf(linesOf(2, "fail\t"), HasSubstr("\nfail\t")), ""},
#ifndef _WIN32
        {"a check argument with a line break in it", "--check '1\t壹圆\n整'", "", 1,
         linesOf(1, "fail\t"), ""},
#endif
    });
}

TEST(Cli, ReadsAndChecksWithTheHouseStyle) {
    expectAll({
        {"a warning does not fail; findings of one text on one line",
         "--check --unit=元 --close-after-jiao=no", "15.5\t拾伍圆伍角\n0.5\t伍角\n", 0,
         AllOf(StartsWith("warn\t第1个字"), HasSubstr("；第3个字“圆”"), EndsWith("\nok\n")), ""},
        {"read: a warning with the amount, an error without", "--read --closing=正 伍圆整 abc", "",
         1, "5.00\n\n",
         AllOf(HasSubstr("argument 1: \"伍圆整\": warning: 第3个字"),
               HasSubstr("argument 2: \"abc\": 第1个字"))},
        {"read: blanks around a text are no error", "--read", " 负伍圆整 \n壹亿万圆整\n", 1,
         "-5.00\n\n", HasSubstr("2: \"壹亿万圆整\": 第3个字")},
        {"check: the amounts compared; a line without a tab fails", "--check",
         "1\t壹圆整\n 100010000 \t 壹亿零壹仟圆整 \n壹圆整\n", 1,
         "ok\nfail\t大写为 100001000.00，小写为 100010000.00\n"
         "fail\t缺少制表符：每行应为小写金额、制表符、大写金额\n",
         ""},
    });
}

// A finding's position counts the text as the user gave it, blanks before it included, as the
// page highlights it and the npm package reports it.
TEST(Cli, CountsPositionsInTheTextAsGiven) {
    expectAll({
        {"read: blanks before the text are counted", "--read", "  壹圆整伍\n\t\u3000壹亿万圆整\n",
         1, "\n\n",
         "tessaly-convert: line 1: \"  壹圆整伍\": 第6个字“伍”：“整”之后不再写字\n"
         "tessaly-convert: line 2: \"\\x09\u3000壹亿万圆整\": "
         "第5个字“万”：亿后的万位全为零，不写“万”\n"},
        {"check: blanks after the tab are counted", "--check",
         "10\t 拾圆整\n10\t\u3000\u3000拾圆整伍\n", 1,
         AllOf(StartsWith("warn\t第2个字“拾”"),
               HasSubstr("\nfail\t第3个字“拾”：开头的“拾”前应写“壹”；第6个字“伍”")),
         ""},
    });
}

TEST(Cli, TakesOptionsAnywhereBeforeDoubleDash) {
    expectAll({
        {"every style option, as --opt=value and --opt value",
         "--unit=元 1000000000000 --whole 正 --whole-after-jiao=no -0.5 --prefix --wide", "", 0,
         "人民币壹万亿元正\n人民币负伍角\n", ""},
        {"the closing options by their names, the former ones above still taken",
         "--closing 正 --close-after-jiao=no 0.5 8", "", 0, "伍角\n捌圆正\n", ""},
        {"after --, an option is a text", "--wide -- --prefix", "", 1, "\n",
         cannot("argument 1: \"--prefix\"")},
        {"--line-buffered changes no output", "--line-buffered", "1\nabc\n", 1, "壹圆整\n\n",
         cannot("line 2: \"abc\"")},
        {"version", "--version", "", 0, "Tessaly " TESSALY_VERSION "\n", ""},
        {"help", "-h", "", 0,
         AllOf(HasSubstr("--prefix -5"), HasSubstr("--line-buffered"), HasSubstr("Exit status")),
         ""},
        {"unknown option", "--frobnicate 5", "", 2, "",
         usageError("unknown option \"--frobnicate\"")},
        {"unknown short option", "-x", "", 2, "", usageError("unknown option \"-x\"")},
        {"a dash alone", "- 5", "", 2, "", usageError("unknown option \"-\"")},
        {"a value not taken", "--unit 圓 5", "", 2, "",
         usageError("option \"--unit\" takes 圆 or 元, not \"圓\"")},
        {"a value missing", "5 --whole", "", 2, "",
         usageError("option \"--whole\" needs a value: 整 or 正")},
        {"a flag given a value", "--wide=yes 5", "", 2, "",
         usageError("option \"--wide\" takes no value")},
        {"read and check together", "--check --read", "", 2, "",
         usageError("options \"--read\" and \"--check\" do not go together")},
    });
}

TEST(Cli, KeepsMessagesInStepWithOutput) {
    // Where both streams reach one file, each message follows the output lines before it.
    expectAll({
        {"writing", "1 abc 2", "", 1, "壹圆整\n\n" + cannot("argument 2: \"abc\"") + "贰圆整\n", "",
         "< in > out 2>&1"},
        {"reading, more lines than a block", "--read", manyLines("壹圆整\n", "x\n"), 1,
         AllOf(
             StartsWith("1.00\n\ntessaly-convert: line 2: \"x\": 第1个字“x”"),
             EndsWith("1.00\n\ntessaly-convert: line 20000: \"x\": 第1个字“x”：不是大写金额用字\n"),
             Not(HasSubstr("1.00\n1.00"))),
         "", "< in > out 2>&1"},
    });
}

#ifndef _WIN32
TEST(Cli, EndsOnTroubleReadingOrWriting) {
    expectAll({
        {"a full disk", "5", "", 2, "", ioError("write", ENOSPC), "< in > /dev/full 2> err"},
        {"a closed output", "--version", "", 2, "", ioError("write", EBADF), "< in >&- 2> err"},
        {"an unreadable input", "", "", 2, "", ioError("read", EISDIR), "< . > out 2> err"},
        // As the other programs of a pipeline: SIGPIPE, even where the shell ignored it.
        {"the reader went away", "", manyLines("1\n", "2\n"), 128 + SIGPIPE, "", "",
         "< in 2> err | true"},
    });
}

// The program as a co-process: a line written to it is answered before the input ends, and a
// message about it is there too.
TEST(Cli, AnswersEachLineAsItArrives) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        bool terminal;  // standard input a terminal rather than a pipe
        std::string line;
        std::string answer;
    } cases[] = {
        {"a program on a pipe, --line-buffered", {"--line-buffered"}, false, "100\n", "壹佰圆整"},
        {"a program on a pipe, reading", {"--read"}, false, "壹佰圆整\n", "100.00"},
        {"typed at a terminal", {}, true, "100\n", "壹佰圆整"},
    };
    // What `fd` gives within ten seconds, up to its first line break.
    const auto answer = [](int fd) {
        std::string got;
        char c = 0;
        pollfd p{fd, POLLIN, 0};
        while (poll(&p, 1, 10'000) == 1 && read(fd, &c, 1) == 1 && c != '\n')
            got += c;
        return got;
    };
    const auto send = [](int fd, const std::string& bytes) {
        return write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int in[2], out[2], err[2];
        ASSERT_EQ(pipe(out) | pipe(err), 0);
        if (c.terminal) {
            // A container or chroot may have no pseudo-terminals (no devpts mounted): said, and
            // the other cases still run.
            in[1] = posix_openpt(O_RDWR | O_NOCTTY);
            if (in[1] < 0 || grantpt(in[1]) != 0 || unlockpt(in[1]) != 0 ||
                (in[0] = open(ptsname(in[1]), O_RDWR | O_NOCTTY)) < 0) {
                std::cerr << "no pseudo-terminal here (" << std::strerror(errno)
                          << "): the case typed at a terminal is not run\n";
                for (const int fd : {in[1], out[0], out[1], err[0], err[1]})
                    close(fd);
                continue;
            }
        } else {
            ASSERT_EQ(pipe(in), 0);
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        for (const int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            posix_spawn_file_actions_addclose(&actions, fd);
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), fs::absolute(TESSALY_CONVERT).string());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        for (const int fd : {in[0], out[1], err[1]})
            close(fd);

        ASSERT_TRUE(send(in[1], c.line));
        EXPECT_EQ(answer(out[0]), c.answer);
        ASSERT_TRUE(send(in[1], "abc\n"));
        EXPECT_EQ(answer(out[0]), "");
        EXPECT_THAT(answer(err[0]), StartsWith("tessaly-convert: line 2: \"abc\": "));
        // The end of input: typed at a terminal (whose other side stays open until the program
        // has read it, since a terminal that goes away is trouble reading), or the pipe closed.
        if (c.terminal)
            send(in[1], "\x04");
        else
            close(in[1]);
        int status = 0;
        waitpid(pid, &status, 0);
        if (c.terminal)
            close(in[1]);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        close(out[0]);
        close(err[0]);
    }
}
#endif

}  // namespace

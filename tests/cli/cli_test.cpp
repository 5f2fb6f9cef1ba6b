// Runs the built tessaly-convert as a script would and checks what it prints.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Cli : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tessaly-cli-" + std::to_string(std::rand()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the converter with `args` (already quoted for the shell) and `input` on stdin.
    Result run(const std::string& args, const std::string& input = "") {
        std::ofstream(dir_ / "in", std::ios::binary) << input;
        const std::string command = "\"" TESSALY_CONVERT "\" " + args + " < \"" +
                                    (dir_ / "in").string() + "\" > \"" + (dir_ / "out").string() +
                                    "\" 2> \"" + (dir_ / "err").string() + "\"";
        int status = std::system(command.c_str());
#ifndef _WIN32
        status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        return {status, slurp(dir_ / "out"), slurp(dir_ / "err")};
    }

    // Runs the converter with stdout and stderr into one file, and returns that file.
    std::string runMerged(const std::string& args) {
        const std::string command =
            "\"" TESSALY_CONVERT "\" " + args + " > \"" + (dir_ / "both").string() + "\" 2>&1";
        (void)std::system(command.c_str());
        return slurp(dir_ / "both");
    }

private:
    fs::path dir_;
};

TEST_F(Cli, ConvertsEachArgumentOnItsOwnLine) {
    const Result r = run("41823.51 0 -5 1,234.5");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "肆万壹仟捌佰贰拾叁圆伍角壹分\n零圆整\n负伍圆整\n壹仟贰佰叁拾肆圆伍角整\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Cli, KeepsOutputLinesAlignedWithInputLines) {
    const Result r = run("", "1\r\n\n  \nabc\n0.5\n1000000000\n100000001");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "壹圆整\n\n\n\n伍角整\n\n壹亿零壹圆整\n");
    EXPECT_EQ(r.err,
              "tessaly-convert: line 4: \"abc\": 你输入的数字太长或者格式错误！\n"
              "tessaly-convert: line 6: \"1000000000\": 你输入的数字太长或者格式错误！\n");
}

TEST_F(Cli, ReadsStandardInputAfterADoubleDash) {
    const Result r = run("--", "10.05\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "壹拾圆零伍分\n");
}

TEST_F(Cli, EmptyInputGivesNoOutput) {
    const Result r = run("");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(Cli, ReportsAFailingArgumentByNumber) {
    const Result r = run("5 12元 -.5");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "伍圆整\n\n负伍角整\n");
    EXPECT_EQ(r.err, "tessaly-convert: argument 2: \"12元\": 你输入的数字太长或者格式错误！\n");
}

TEST_F(Cli, HelpAndVersion) {
    const Result version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Tessaly 1.00\n");
    const Result help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: tessaly-convert"), std::string::npos);
}

TEST_F(Cli, RefusesUnknownOptions) {
    for (const char* option : {"--frobnicate", "-x", "-"}) {
        const Result r = run(std::string(option) + " 5");
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_EQ(r.out, "") << option;
        EXPECT_NE(r.err.find("usage: tessaly-convert"), std::string::npos) << option;
    }
}

TEST_F(Cli, ConvertsManyLines) {
    std::string input;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        input += i % 2 ? "41823.51\n" : "0.05\n";
        expected += i % 2 ? "肆万壹仟捌佰贰拾叁圆伍角壹分\n" : "伍分\n";
    }
    const Result r = run("", input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected);
}

// Each message follows the output lines before it when both streams share a file; the
// output is flushed for that only then, not at every failing line.
TEST_F(Cli, KeepsOutputAndMessagesInOrderInOneFile) {
    const std::string both = runMerged("1 abc 2");
    const std::string first = "壹圆整\n\n";
    ASSERT_EQ(both.substr(0, first.size()), first);
    EXPECT_NE(both.find("\"abc\""), std::string::npos);
    EXPECT_EQ(both.substr(both.size() - std::string("贰圆整\n").size()), "贰圆整\n");
}

}  // namespace

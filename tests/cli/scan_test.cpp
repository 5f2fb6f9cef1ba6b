// tessaly-convert --scan run as a reviewer would run it on contracts: the lines an editor jumps
// to, the counts, the status; and on a PDF made by LibreOffice and read back by pdftotext.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gmock/gmock.h>

#include "runner.h"

namespace {

namespace fs = std::filesystem;
using namespace testing;
using tessaly::test::Folder;
using tessaly::test::utf16;

// A purchase contract as a reviewer gets it: pairs right and wrong, an uppercase amount with an
// error, digits with a space before 元, and articles, days and shares that are no amounts.
const std::string kContract =
    "采购合同\n"
    "\n"
    "第壹条 合同金额\n"
    "本合同总价为人民币壹拾万元整（¥100,000.00），分两期支付：首付款人民币叁万元整（¥30,000."
    "00），\n"
    "尾款人民币柒万元整（¥7,000.00）。\n"
    "\n"
    "第贰条 履约保证金\n"
    "乙方应于签订后伍日内交纳履约保证金 5,000 元（大写：伍仟圆整）。\n"
    "\n"
    "第叁条 违约责任\n"
    "违约金为合同总价的5%，即人民币伍仟元（¥5,000.00），另付押金500元。\n";

const std::string kFailures =
    ":5:3: fail: 大写 人民币柒万元整 = 70000.00, 小写 ¥7,000.00 = 7000.00: 大写为 70000.00，"
    "小写为 7000.00\n"
    ":11:14: fail: 大写 人民币伍仟元, 小写 ¥5,000.00 = 5000.00: "
    "第6个字“元”：“元”后应写“整”或“正”\n";
const std::string kCounts = "共 5 处金额，正确 3，警告 0，错误 2\n";

std::string joined(const std::string& name, const std::string& lines) {
    std::string out;
    for (std::size_t from = 0, to; (to = lines.find('\n', from)) != std::string::npos;
         from = to + 1)
        out += name + lines.substr(from, to + 1 - from);
    return out;
}

TEST(Scan, ReportsWhatIsNotOkAsACompilerDoes) {
    const Folder folder(
        {{"contract.txt", kContract},
         {"utf16.txt",
          utf16(fs::path(std::u8string(kContract.begin(), kContract.end())).u16string())},
         {"clean.txt", "总价人民币壹万元整（¥10,000.00）。\n"},
         {"none.txt", "第壹条 壹号楼贰层，共贰份，2024-05-01。\n"},
         {"house.txt", "押金伍仟圆整（¥5,000.00）"}});
    struct Case {
        std::string what;
        std::string command;
        int status;
        Matcher<const std::string&> out;
        Matcher<const std::string&> err;
    };
    const Case cases[] = {
        {"a file: the failures, the counts on standard error",
         "tessaly-convert --scan contract.txt", 1, joined("contract.txt", kFailures), kCounts},
        {"UTF-16 on standard input, named <stdin>", "tessaly-convert --scan < utf16.txt", 1,
         joined("<stdin>", kFailures), kCounts},
        {"- for standard input among files, after --; the counts of all",
         "tessaly-convert --scan clean.txt none.txt -- - < contract.txt", 1, joined("-", kFailures),
         "共 6 处金额，正确 4，警告 0，错误 2\n"},
        {"--all: the ok ones too", "tessaly-convert --scan --all clean.txt none.txt", 0,
         "clean.txt:1:3: ok: 大写 人民币壹万元整 = 10000.00, 小写 ¥10,000.00 = 10000.00\n",
         "共 1 处金额，正确 1，警告 0，错误 0\n"},
        {"--all: digits alone as notes", "tessaly-convert --scan --all < contract.txt", 1,
         AllOf(HasSubstr("<stdin>:4:7: ok: 大写 人民币壹拾万元整 = 100000.00, 小写"),
               HasSubstr("<stdin>:11:36: note: 小写 500元 = 500.00: 没有大写金额与之对照\n")),
         kCounts},
        {"a house style warns, and a warning does not fail",
         "tessaly-convert --scan --unit=元 house.txt", 0,
         "house.txt:1:3: warn: 大写 伍仟圆整 = 5000.00, 小写 ¥5,000.00 = 5000.00: "
         "第3个字“圆”：按指定格式应写“元”\n",
         "共 1 处金额，正确 0，警告 1，错误 0\n"},
        {"a file that cannot be read: named, the others still scanned",
         "tessaly-convert --scan missing.txt clean.txt", 2, "",
         AllOf(StartsWith("tessaly-convert: missing.txt: "),
               EndsWith("\n共 1 处金额，正确 1，警告 0，错误 0\n"))},
        {"a folder is no document", "tessaly-convert --scan . clean.txt", 2, "",
         AllOf(StartsWith("tessaly-convert: .: "),
               EndsWith("\n共 1 处金额，正确 1，警告 0，错误 0\n"))},
        {"--all alone is a usage error", "tessaly-convert --all clean.txt", 2, "",
         StartsWith("tessaly-convert: option \"--all\" goes with \"--scan\" only\n")},
        {"--scan does not go with --check", "tessaly-convert --scan --check clean.txt", 2, "",
         HasSubstr("goes with neither")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what + ": " + c.command);
        const auto [status, out, err] = folder.run(c.command);
        EXPECT_EQ(status, c.status);
        EXPECT_THAT(out, c.out);
        EXPECT_THAT(err, c.err);
    }
}

// The way the README gives for a PDF: LibreOffice (Debian's libreoffice-writer-nogui) makes one
// of the contract, and pdftotext -layout (poppler-utils) takes its text back as it lays it out.
TEST(Scan, ChecksAContractTakenFromAPdf) {
#ifdef _WIN32
    GTEST_SKIP() << "LibreOffice and pdftotext are run as Debian has them";
#else
    if (std::system("command -v soffice >/dev/null && command -v pdftotext >/dev/null") != 0)
        GTEST_SKIP() << "needs soffice (libreoffice-writer-nogui) and pdftotext (poppler-utils)";
    const Folder folder({{"contract.txt", kContract}});
    // A profile of its own, so that no running LibreOffice and nothing of the user's is touched.
    const auto [made, log, why] = folder.run(
        "soffice -env:UserInstallation=file://\"$PWD/profile\" --headless --convert-to pdf "
        "contract.txt");
    ASSERT_EQ(made, 0) << log << why;
    const auto [status, out, err] =
        folder.run("pdftotext -layout contract.pdf - | tessaly-convert --scan");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, kCounts);
    EXPECT_THAT(out, AllOf(HasSubstr(": fail: 大写 人民币柒万元整 = 70000.00, 小写 ¥7,000.00"),
                           HasSubstr(": fail: 大写 人民币伍仟元, 小写 ¥5,000.00")));
#endif
}

}  // namespace

// Finding the amounts in running text through the public API: contract and voucher texts as
// they are written, each result as the reader and check() give it, and where it stands.

#include <gmock/gmock.h>

#include <tessaly/tessaly.h>

namespace {

using namespace tessaly;
using namespace testing;

// "fail 壹万元整=10000.00 ¥1,000.00=1000.00: 大写为 …", a part absent as "—", an amount that
// cannot be read as "?" and no verdict as "-".
std::string described(std::string_view text, const Found& found) {
    static constexpr const char* kVerdicts[] = {"ok", "warn", "fail"};
    std::string out = found.verdict ? kVerdicts[static_cast<int>(*found.verdict)] : "-";
    for (const std::optional<Mention>* part : {&found.upper, &found.digits}) {
        out += ' ';
        if (!*part) {
            out += "—";
            continue;
        }
        const Mention& m = **part;
        out.append(text.substr(m.offset, m.length)).append("=").append(m.amount.value_or("?"));
    }
    for (std::size_t i = 0; i < found.findings.size(); ++i)
        out.append(i == 0 ? ": " : "；").append(found.findings[i].message);
    return out;
}

struct Row {
    std::string what;
    std::string text;
    std::vector<std::string> found;
    std::optional<Style> house = std::nullopt;
};

const Row kRows[] = {
    {"a pair, the uppercase first",
     "合同总价为人民币壹拾万元整（¥100,000.00）。",
     {"ok 人民币壹拾万元整=100000.00 ¥100,000.00=100000.00"}},
    {"a pair, the digits first, 大写 labelled",
     "¥10,000元（大写：壹万元整）",
     {"ok 壹万元整=10000.00 ¥10,000元=10000.00"}},
    {"labels, across a line break in a paragraph",
     "小写：1680.32\n大写：壹仟陆佰捌拾元叁角贰分",
     {"ok 壹仟陆佰捌拾元叁角贰分=1680.32 1680.32=1680.32"}},
    {"two pairs in one sentence",
     "首付款人民币叁万元整（¥30,000.00），尾款人民币柒万元整（¥70,000.00）。",
     {"ok 人民币叁万元整=30000.00 ¥30,000.00=30000.00",
      "ok 人民币柒万元整=70000.00 ¥70,000.00=70000.00"}},
    {"a mismatched pair names both amounts",
     "总价人民币壹拾万元整（¥10,000.00）",
     {"fail 人民币壹拾万元整=100000.00 ¥10,000.00=10000.00: 大写为 100000.00，小写为 10000.00"}},
    {"万元 and 亿元 scale the digits",
     "合同金额10万元（大写：人民币壹拾万元整），总投资1.5亿元（壹亿伍仟万元整）",
     {"ok 人民币壹拾万元整=100000.00 10万元=100000.00",
      "ok 壹亿伍仟万元整=150000000.00 1.5亿元=150000000.00"}},
    {"full-width digits and point",
     "价款￥１２３．４５（壹佰贰拾叁元肆角伍分）",
     {"ok 壹佰贰拾叁元肆角伍分=123.45 ￥１２３．４５=123.45"}},
    {"single spaces as pdftotext writes them",
     "金额 1,680.32 元，大写 壹仟陆佰捌拾 元叁角贰分；押金 2 万元（贰万元整）",
     {"ok 壹仟陆佰捌拾 元叁角贰分=1680.32 1,680.32 元=1680.32",
      "ok 贰万元整=20000.00 2 万元=20000.00"}},
    {"RMB and a sign",
     "RMB 5,000.00 (伍仟元整), -¥8.00 (负捌元整)",
     {"ok 伍仟元整=5000.00 RMB 5,000.00=5000.00", "ok 负捌元整=-8.00 -¥8.00=-8.00"}},
    {"a malformed uppercase amount alone",
     "违约金为人民币壹万零零元整。",
     {"fail 人民币壹万零零元整=?"
      " —: 第7个字“零”：“零”后应紧跟非零数字"}},
    {"digits alone have no verdict",
     "押金500元，另付¥200。",
     {"- — 500元=500.00", "- — ¥200=200.00"}},
    {"no amounts: articles, rooms, floors, copies, shares, dates, plain numerals",
     "第壹条 壹号楼贰层，共贰份，税率5%，2024年5月1日签订，见第3条，一万元，部分整改，伍分钟。",
     {}},
    {"no amounts: an empty text, malformed groups, a code", "", {}},
    {"no amounts: malformed groups, a code, a version", "¥1,2345 A12元 v1.5元", {}},
    {"a range is no sign", "报价区间1万元-2万元", {"- — 1万元=10000.00", "- — 2万元=20000.00"}},
    {"a sentence end parts them",
     "甲：壹万元整；乙：贰万元整（¥20,000）",
     {"ok 壹万元整=10000.00 —", "ok 贰万元整=20000.00 ¥20,000=20000.00"}},
    {"so does a blank line",
     "总价壹万元整\n\n¥10,000.00",
     {"ok 壹万元整=10000.00 —", "- — ¥10,000.00=10000.00"}},
    {"a table row pairs its own cells",
     "设备\t伍仟元整\n安装\t¥800.00\t捌佰元整\n运费\t¥50.00",
     {"ok 伍仟元整=5000.00 —", "ok 捌佰元整=800.00 ¥800.00=800.00", "- — ¥50.00=50.00"}},
    {"a form's rows labelled 大写 and 小写 pair, either first; rows without labels do not",
     "借款金额（大写）\t人民币壹拾万元整\n借款金额（小写）\t¥10,000.00\n小写\t¥1.00\n大写\t壹元整\n"
     "设备\t伍仟元整\n安装\t¥800.00",
     {"fail 人民币壹拾万元整=100000.00 ¥10,000.00=10000.00: 大写为 100000.00，小写为 10000.00",
      "ok 壹元整=1.00 ¥1.00=1.00", "ok 伍仟元整=5000.00 —", "- — ¥800.00=800.00"}},
    {"the nearest digits; the other left alone",
     "¥1.00 ¥2.00（贰元整）",
     {"- — ¥1.00=1.00", "ok 贰元整=2.00 ¥2.00=2.00"}},
    {"a unit that begins the words after is theirs",
     "合同款壹万元整分两期支付，每期¥5,000.00",
     {"fail 壹万元整=10000.00 ¥5,000.00=5000.00: 大写为 10000.00，小写为 5000.00"}},
    {"an everyday numeral inside an amount",
     "人民币壹万二千元整（¥12,000）",
     {"fail 人民币壹万二千元整=? ¥12,000=12000.00: "
      "第6个字“二”：不是大写金额用字，应写“贰”；第7个字“千”：不是大写金额用字，应写“仟”"}},
    {"traditional forms, with their warning",
     "人民幣壹萬圓整（¥10,000）",
     {"warn 人民幣壹萬圓整=10000.00 ¥10,000=10000.00: "
      "第3个字“幣”：繁体写法，应写“人民币壹万圆整”"}},
    {"the house style, as for check()",
     "人民币壹万圆整（¥10,000）",
     {"warn 人民币壹万圆整=10000.00 ¥10,000=10000.00: 第6个字“圆”：按指定格式应写“元”"},
     Style{Unit::Common, Closing::Whole, true, true}},
};

TEST(Scanning, FindsAndPairsTheAmountsOfRunningText) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what + ": " + row.text);
        std::vector<std::string> found;
        for (const Found& f : scan(row.text, row.house))
            found.push_back(described(row.text, f));
        EXPECT_THAT(found, ElementsAreArray(row.found));
    }
}

TEST(Scanning, PlacesEachAmountByLineAndColumn) {
    struct Place {
        std::size_t line, column;
        std::string text;
    };
    const std::string text = "第一条\r\n  付款：壹万零零元整\n\t¥1,000元。";
    const std::vector<Found> found = scan(text);
    std::vector<std::tuple<std::size_t, std::size_t, std::string>> places;
    for (const Found& f : found) {
        for (const std::optional<Mention>* part : {&f.upper, &f.digits}) {
            if (*part)
                places.emplace_back((*part)->line, (*part)->column, (*part)->text);
        }
    }
    EXPECT_THAT(places,
                ElementsAre(std::tuple(2u, 6u, "壹万零零元整"), std::tuple(3u, 2u, "1000")));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_THAT(found[0].findings, ElementsAre(Field(&Finding::position, 4u)));
}

}  // namespace

// The conversion, the fixed-point format and one calculator operation, in-process.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <tessaly/tessaly.h>

#include "calc/calculator.h"
#include "convert/amount.h"
#include "convert/reader.h"
#include "memorytextbox.h"
#include "runtime/error.h"
#include "runtime/number.h"

using namespace tessaly;

namespace {

// What users type and the calculator writes: short amounts, long ones, zero-heavy ones and
// some that fail (too long, not a number).
constexpr std::array<runtime::TextView, 16> kMix = {
    u"5",          u"41823.51",     u"0.05",           u"123.456", u"999999999.99", u"20030005.06",
    u"100000001",  u"314159265.35", u"100005700.43",   u"1000100", u"10000",        u"0.001",
    u"1000000000", u"abc",          u"12345678901.23", u"-8",
};

runtime::Text convertOrFail(runtime::TextView amount) {
    runtime::Text money(amount);
    try {
        return convert::convertAmount(money);
    } catch (const runtime::Error&) {
        return runtime::Text(convert::kFailureText);
    }
}

// One conversion of each amount of the mix in turn, as the window makes it (a copy of the
// box's text, the raising form); the time is per conversion.
void BM_ConvertMix(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(convertOrFail(kMix[i]));
        i = (i + 1) % kMix.size();
    }
}
BENCHMARK(BM_ConvertMix);

// The mix as tessaly-convert converts it: the non-raising form, texts reused between amounts.
void BM_TryConvertMix(benchmark::State& state) {
    runtime::Text money;
    runtime::Text upper;
    std::size_t i = 0;
    for (auto _ : state) {
        money.assign(kMix[i]);
        benchmark::DoNotOptimize(convert::tryConvertAmount(money, upper));
        benchmark::DoNotOptimize(upper.data());
        i = (i + 1) % kMix.size();
    }
}
BENCHMARK(BM_TryConvertMix);

// The same in a style far from the window's: 元, 正, no closing after 角, 人民币, wide range.
void BM_TryConvertMixStyled(benchmark::State& state) {
    constexpr Style style{.unit = Unit::Common,
                          .closing = Closing::Exact,
                          .closeAfterJiao = false,
                          .prefix = true,
                          .wide = true};
    runtime::Text money;
    runtime::Text upper;
    std::size_t i = 0;
    for (auto _ : state) {
        money.assign(kMix[i]);
        benchmark::DoNotOptimize(convert::tryConvertAmount(money, upper, style));
        benchmark::DoNotOptimize(upper.data());
        i = (i + 1) % kMix.size();
    }
}
BENCHMARK(BM_TryConvertMixStyled);

// One class of amount at a time, in the window's form, to see where the time goes.
void BM_Convert(benchmark::State& state, runtime::TextView amount) {
    for (auto _ : state)
        benchmark::DoNotOptimize(convertOrFail(amount));
}
BENCHMARK_CAPTURE(BM_Convert, short_5, u"5");
BENCHMARK_CAPTURE(BM_Convert, typical_41823_51, u"41823.51");
BENCHMARK_CAPTURE(BM_Convert, longest_999999999_99, u"999999999.99");
BENCHMARK_CAPTURE(BM_Convert, zero_heavy_100000001, u"100000001");
BENCHMARK_CAPTURE(BM_Convert, failing_too_long, u"1000000000");
BENCHMARK_CAPTURE(BM_Convert, failing_not_a_number, u"abc");

// Uppercase texts as tessaly-convert reads them: correct ones of every length, one with a
// warning and some with errors.
constexpr std::array<runtime::TextView, 8> kUpperMix = {
    u"肆万壹仟捌佰贰拾叁圆伍角壹分",
    u"伍分",
    u"人民币壹仟肆佰零玖元伍角",
    u"贰仟零叁万零伍圆零陆分",
    u"玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分",
    u"壹亿零壹万圆整",
    u"壹仟伍圆整",
    u"一万元整",
};

// The batch form: one reading reused from text to text.
void BM_ReadMix(benchmark::State& state) {
    Reading reading;
    std::size_t i = 0;
    for (auto _ : state) {
        convert::read(kUpperMix[i], reading, std::nullopt);
        benchmark::DoNotOptimize(reading.amount);
        i = (i + 1) % kUpperMix.size();
    }
}
BENCHMARK(BM_ReadMix);

// The mix in UTF-8, for the public API.
std::array<std::string, kUpperMix.size()> utf8Mix() {
    std::array<std::string, kUpperMix.size()> texts;
    for (std::size_t k = 0; k < texts.size(); ++k)
        texts[k] = runtime::toUtf8(kUpperMix[k]);
    return texts;
}

// The same through the public API, in UTF-8.
void BM_ReadMixPublic(benchmark::State& state) {
    const auto texts = utf8Mix();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessaly::read(texts[i]));
        i = (i + 1) % texts.size();
    }
}
BENCHMARK(BM_ReadMixPublic);

// The public batch form: one reading reused.
void BM_ReadToMixPublic(benchmark::State& state) {
    const auto texts = utf8Mix();
    Reading reading;
    std::size_t i = 0;
    for (auto _ : state) {
        tessaly::readTo(reading, texts[i]);
        benchmark::DoNotOptimize(reading.amount);
        i = (i + 1) % texts.size();
    }
}
BENCHMARK(BM_ReadToMixPublic);

// Scanning a text of 10 MB made of `piece` over and over (target: well under a second).
void BM_Scan(benchmark::State& state, std::string_view piece) {
    std::string text;
    while (text.size() < 10'000'000)
        text += piece;
    std::vector<Found> found;
    for (auto _ : state) {
        tessaly::scanTo(found, text);
        benchmark::DoNotOptimize(found.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["found"] = static_cast<double>(found.size());
}
// A contract's clauses: pairs right and wrong, digits alone, articles, dates and counts.
BENCHMARK_CAPTURE(
    BM_Scan, contract,
    "第叁条 合同总价为人民币壹拾万元整（¥100,000.00），首付款人民币叁万元整"
    "（¥30,000.00），尾款人民币柒万元整（¥7,000.00）。\n乙方应于2024年5月1日前"
    "交付设备贰台，押金500元，违约金按合同总价的5%计，即 5,000 元（大写：伍仟元整）。\n"
    "小写：1680.32\n大写：壹仟陆佰捌拾元零叁角贰分\n\n")
    ->Unit(benchmark::kMillisecond);
// What must not go quadratic: numerals alone, digits alone, one amount after another.
BENCHMARK_CAPTURE(BM_Scan, numerals_only, "壹")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scan, digits_only, "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scan, one_long_amount, "壹拾")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scan, amount_after_amount, "¥1元壹元整")->Unit(benchmark::kMillisecond);

void BM_Format(benchmark::State& state, runtime::TextView amount) {
    runtime::Text out;
    for (auto _ : state)
        benchmark::DoNotOptimize(runtime::tryFormatFixed2(amount, out));
}
BENCHMARK_CAPTURE(BM_Format, typical_41823_51, u"41823.51");
BENCHMARK_CAPTURE(BM_Format, grouped_1_234_567_891, u"1,234,567.891");

// One operator key that computes: 41823.51 in the amount box, 2 in the display, "*".
void BM_CalcOperation(benchmark::State& state) {
    MemoryTextBox display;
    MemoryTextBox amount;
    calc::Calculator calculator(display, amount);
    calculator.load();
    for (auto _ : state) {
        amount.setText(u"41823.51");
        display.setText(u"2");
        std::int16_t key = u'*';
        calculator.keyPress(key);
        benchmark::DoNotOptimize(amount.text());
    }
}
BENCHMARK(BM_CalcOperation);

}  // namespace

BENCHMARK_MAIN();

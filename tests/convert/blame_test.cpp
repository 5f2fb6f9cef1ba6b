// Where a finding points, measured: every legal writing of a spread of amounts in every style,
// damaged once (a character replaced, inserted or deleted), is blamed at the first character no
// correct writing can have there, or, for a 零 or a unit left out, at what it belongs before; so
// never inside the sound beginning before the damage. That is at or next to the damage but where
// the damage leaves a correct beginning for longer (叁仟圆玖佰: the damage is 圆, and only 佰
// cannot follow). Each damaged text counts once, however many edits make it, and is near when
// next to one of them; next to a deletion are the two characters around the gap. Two neighbours
// swapped are two edits: held to the sound beginning, not counted. And each slip of the pen is
// named with what was meant, wherever it stands.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <tessaly/tessaly.h>

#include "convert/alphabet.h"
#include "runtime/text.h"

namespace {

using namespace tessaly;
namespace rt = tessaly::runtime;

// The characters a damaged writing may gain: the reader's whole alphabet.
constexpr std::u16string_view kAlphabet = u"零壹贰叁肆伍陆柒捌玖拾佰仟万亿圆元角分整正负人民币";

// Amounts with zeros in every kind of place, from a fixed seed: long runs of zeros are what
// the rules of 零 and of the section units are about.
std::vector<std::string> amounts() {
    std::vector<std::string> out = {"0",   "0.5",       "0.05",         "10.5",
                                    "105", "100010000", "1200000000000"};
    std::uint32_t s = 2463534242u;
    const auto next = [&s](std::uint32_t n) {
        s ^= s << 13, s ^= s >> 17, s ^= s << 5;
        return s % n;
    };
    while (out.size() < 160) {
        std::string digits;
        for (std::uint32_t i = 0, length = 1 + next(16); i < length; ++i)
            digits += static_cast<char>('0' + (i == 0 || next(3) == 0 ? 1 + next(9) : 0));
        out.push_back(digits + "." + std::to_string(next(100)));
    }
    return out;
}

// An edit: the characters at or next to it, and where the sound beginning before it ends.
struct Edit {
    long from, to, sound;
};

struct Tally {
    std::size_t rejected = 0, near = 0, early = 0;

    // Counts where `mutant` is blamed: next to one of the `edits` that make it, and not before
    // the sound beginning unless for something left out, which is named at what it belongs
    // before.
    void add(const rt::Text& mutant, const std::vector<Edit>& edits, bool counted = true) {
        for (const Finding& f : tessaly::read(rt::toUtf8(mutant)).findings) {
            if (f.severity != Severity::Error)
                continue;
            const long at = static_cast<long>(f.position) - 1;
            const bool missing = f.message.find("应先写“零”") != std::string::npos ||
                                 f.message.find("缺“圆”") != std::string::npos;
            long sound = 0;
            bool next = false;
            for (const Edit& e : edits) {
                next = next || (at >= e.from && at <= e.to);
                sound = std::max(sound, e.sound);
            }
            rejected += counted;
            near += counted && next;
            early += at < sound && sound < static_cast<long>(mutant.size()) && !missing;
            return;
        }
    }
};

TEST(Blame, PointsAtTheDamage) {
    Tally t;
    std::set<rt::Text> writings;
    for (const std::string& amount : amounts()) {
        for (unsigned bits = 0; bits < StyleBits::count; bits += 3) {
            const Written w = tessaly::write(amount, styleOfBits(bits | StyleBits::wide));
            ASSERT_TRUE(w) << amount;
            const rt::Text text = rt::fromUtf8(w.text);
            if (!writings.insert(text).second)
                continue;  // two styles that write it alike
            const long n = static_cast<long>(text.size());
            std::map<rt::Text, std::vector<Edit>> mutants;
            for (long k = 0; k <= n; ++k) {
                const auto at = static_cast<std::size_t>(k);
                for (const char16_t c : kAlphabet) {
                    rt::Text m = text;
                    mutants[m.insert(at, 1, c)].push_back({k - 1, k + 1, k});
                    if (k < n && text[at] != c) {
                        m = text;
                        m[at] = c;
                        mutants[m].push_back({k - 1, k + 1, k});
                    }
                }
                if (k < n) {
                    rt::Text m = text;
                    mutants[m.erase(at, 1)].push_back({k - 1, k, k});
                }
                if (k + 1 < n && text[at] != text[at + 1]) {
                    rt::Text m = text;
                    std::swap(m[at], m[at + 1]);
                    t.add(m, {{k - 1, k + 2, k}}, false);
                }
            }
            for (const auto& [m, edits] : mutants)
                t.add(m, edits);
        }
    }
    const double rate = 100.0 * static_cast<double>(t.near) / static_cast<double>(t.rejected);
    std::printf("blamed at or next to the damage: %zu of %zu rejected (%.2f%%); early: %zu\n",
                t.near, t.rejected, rate, t.early);
    EXPECT_GE(rate, 97.59);
    EXPECT_EQ(t.early, 0u);
}

// Each slip, put in place of what it stands for in a correct writing, is named there with it.
TEST(Blame, NamesWhatASlipStandsFor) {
    const std::vector<std::string> all = amounts();
    for (const auto& [slip, meant] : convert::alphabet::kSlips) {
        bool tried = false;
        for (std::size_t a = 0; a < all.size() && !tried; ++a) {
            rt::Text text = rt::fromUtf8(tessaly::write(all[a], Style{.wide = true}).text);
            const std::size_t at = text.find(meant);
            if (at == rt::Text::npos)
                continue;
            tried = true;
            text.replace(at, meant.size(), 1, slip);
            const Reading r = tessaly::read(rt::toUtf8(text));
            ASSERT_FALSE(r.findings.empty()) << rt::toUtf8(text);
            EXPECT_EQ(r.findings[0].position, at + 1) << rt::toUtf8(text);
            EXPECT_NE(r.findings[0].message.find("应写“" + rt::toUtf8(meant) + "”"),
                      std::string::npos)
                << r.findings[0].message;
        }
        EXPECT_TRUE(tried) << rt::toUtf8(meant);
    }
}

}  // namespace

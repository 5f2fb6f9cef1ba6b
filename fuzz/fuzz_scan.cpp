// Scanning any text: every amount found lies inside the text, in order, placed on its line;
// a pair's verdict and findings are check() on its two texts and an uppercase amount alone's
// are read() on its text, with or without a house style. No crash and no hang. The results are
// scanTo()'s, their storage reused from one text to the next, as a batch reuses it.

#include <vector>

#include <tessaly/tessaly.h>

#include "fuzz_input.h"

using namespace tessaly;

namespace {

bool same(const std::vector<Finding>& a, const std::vector<Finding>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].severity != b[i].severity || a[i].position != b[i].position ||
            a[i].message != b[i].message)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The house style from the size, as the reading target takes it; none for every other.
    const std::optional<Style> house =
        size % 2 == 0 ? std::optional(styleOfBits(static_cast<unsigned>(size / 2))) : std::nullopt;
    static std::vector<Found> found;
    scanTo(found, text, house);
    std::size_t end = 0;
    for (const Found& f : found) {
        TESSALY_CHECK(f.upper || f.digits, text);
        for (const std::optional<Mention>* part : {&f.upper, &f.digits}) {
            if (!*part)
                continue;
            const Mention& m = **part;
            TESSALY_CHECK(m.length > 0 && m.offset + m.length <= size && m.line > 0 &&
                              m.column > 0 && !m.text.empty(),
                          text);
        }
        // Found in the order of the text, by its first amount.
        const std::size_t first = f.upper && f.digits ? std::min(f.upper->offset, f.digits->offset)
                                                      : (f.upper ? f.upper : f.digits)->offset;
        TESSALY_CHECK(first >= end, text);
        end = first;
        if (f.upper && f.digits) {
            const Check c = check(f.digits->text, f.upper->text, house);
            TESSALY_CHECK(f.verdict == c.verdict && same(f.findings, c.findings), text);
        } else if (f.upper) {
            const Reading r = read(f.upper->text, house);
            TESSALY_CHECK(r.amount == f.upper->amount && same(f.findings, r.findings), text);
            TESSALY_CHECK(
                f.verdict ==
                    (r.amount ? (r.findings.empty() ? Verdict::Ok : Verdict::Warn) : Verdict::Fail),
                text);
        } else {
            TESSALY_CHECK(!f.verdict && f.findings.empty() && f.digits->amount, text);
        }
    }
    return 0;
}

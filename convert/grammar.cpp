#include "convert/grammar.h"

#include <algorithm>
#include <vector>

#include "convert/vocabulary.h"

namespace tessaly::convert {

namespace {

using alphabet::Kind;
using alphabet::Symbol;
using words::kFen;
using words::kJiao;
using words::kWan;
using words::kWanYi;
using words::kYi;
using words::kYuan;
constexpr int kAbove = words::kPlaceCount;  // above every place: nothing read yet

constexpr std::array<std::uint64_t, words::kPlaceCount> kCentsOfPlace = [] {
    std::array<std::uint64_t, words::kPlaceCount> p{};
    std::uint64_t v = 1;
    for (auto& e : p) {
        e = v;
        v *= 10;
    }
    return p;
}();

// The section a unit closes, counted as the place of its ones from 圆: 0, 4 (万), 8 (亿) or
// 12 (the 万 of 万亿).
constexpr std::size_t sectionOf(int base) {
    return static_cast<std::size_t>(base / 4);
}

}  // namespace

void Grammar::error(std::size_t index, Says what, std::initializer_list<runtime::TextView> args) {
    findings_.add(Severity::Error, index, what, args);
}

bool Grammar::read(std::size_t begin, std::size_t end) {
    style_ = Style{.wide = true};
    begin_ = begin;
    end_ = end;
    paths_[0] = {kAbove, kAbove, kNoBase, false, 0};
    pathCount_ = 1;
    last_ = end > begin ? end - 1 : begin;
    std::size_t i = begin;
    const bool prefixed = prefix(i, end);
    amountBegin_ = i;
    while (i < end && !(trial_ && findings_.failed())) {
        const Symbol s = alphabet::classify(text_[i]);
        if (s.kind == Kind::Other) {
            if (trial_)
                ++i;  // a mended copy is asked about its structure: strangers are named apart
            else
                stranger(i);
            continue;
        }
        if (s.simplified != 0 && !marks_.variant)
            marks_.variant = i;
        if (!findings_.failed())
            i += step(i, s);
        else
            ++i;
    }
    if (prefixed && !findings_.failed())
        finish();
    return !findings_.failed();
}

// 人民币 in front, each character in its place; where it breaks, the prefix is at fault.
bool Grammar::prefix(std::size_t& i, std::size_t end) {
    if (i == end || alphabet::classify(text_[i]).kind != Kind::Prefix)
        return true;
    for (std::size_t k = 0; k < 3; ++k) {
        const Symbol s = i + k < end ? alphabet::classify(text_[i + k]) : Symbol{};
        if (s.kind != Kind::Prefix || s.value != k) {
            const std::size_t at = std::min(i + k, last_);
            error(at, Says::PrefixBroken);
            i = at + 1;
            return false;
        }
        if (s.simplified != 0 && !marks_.variant)
            marks_.variant = i + k;
    }
    style_.prefix = true;
    i += 3;
    return true;
}

// A character that has no place in an uppercase amount.
void Grammar::stranger(std::size_t& i) {
    const char16_t c = text_[i];
    if (runtime::isBlank(c)) {
        error(i, Says::Gap);
    } else if (alphabet::isLiang(c)) {
        error(i, Says::Liang);
    } else if (const std::u16string_view meant = findings_.counting() ? u"" : alphabet::meant(c);
               !meant.empty()) {
        error(i, Says::NotAmountCharacterMeant, {meant});
    } else {
        error(i, Says::NotAmountCharacter);
    }
    char32_t decoded;
    i += runtime::decodeUtf16(text_, i, decoded);
}

std::size_t Grammar::step(std::size_t i, const Symbol& s) {
    if (marks_.closing) {
        error(i, Says::AfterClosing, {at(*marks_.closing)});
        return 1;
    }
    if (s.kind == Kind::Prefix) {
        error(i, Says::PrefixNotFirst);
        const bool whole = i + 2 <= last_ && alphabet::classify(text_[i]).value == 0 &&
                           alphabet::classify(text_[i + 1]).value == 1 &&
                           alphabet::classify(text_[i + 2]).kind == Kind::Prefix &&
                           alphabet::classify(text_[i + 2]).value == 2;
        return whole ? 3 : 1;
    }
    if (leadingZero_) {
        if (s.kind != Kind::Yuan) {
            error(i, Says::ZeroFirst);
            return 1;
        }
        // 零圆 names zero in 零圆整, or opens an amount under one yuan whose 角 and 分 follow,
        // as other systems write it.
        marks_.opener = *leadingZero_;
        leadingZero_.reset();
        started_ = true;
        paths_[0].unitAt = kYuan;
        marks_.yuan = i;
        style_.unit = s.value == 1 ? Unit::Common : Unit::Formal;
        return 1;
    }
    if (pending_) {
        afterDigit(i, s);
        return 1;
    }
    if (zero_) {
        afterZero(i, s);
        return 1;
    }
    switch (s.kind) {
        case Kind::Minus:
            if (started_ || marks_.minus)
                error(i, Says::MinusNotFirst);
            marks_.minus = i;
            amountBegin_ = i + 1;
            break;
        case Kind::Digit:
            if (s.value == 0) {
                zero(i);
            } else if (paths_[0].digitAt == kFen) {
                error(i, Says::AfterFen, {at(i)});  // nothing follows the 分, not even a digit
            } else {
                pending_ = i;
                pendingValue_ = s.value;
            }
            break;
        case Kind::Place:
            // A leading 拾 is read as 壹拾.
            if (!started_ && s.value == 1) {
                findings_.add(Severity::Warning, i, Says::ImpliedOne);
                place(1, 1, i);
            } else {
                error(i, Says::NeedsDigit, {at(i)});
            }
            break;
        case Kind::Wan:
        case Kind::Yi:
        case Kind::Yuan:
            unit(i, s);
            break;
        case Kind::Jiao:
        case Kind::Fen:
            error(i, Says::NeedsDigit, {at(i)});
            break;
        case Kind::Closing:
            close(i, s);
            break;
        case Kind::Prefix:
        case Kind::Other:
            break;
    }
    return 1;
}

bool Grammar::inFraction() const {
    return paths_[0].unitAt == kYuan || paths_[0].digitAt <= kJiao;
}

// What follows a non-zero digit names its place: 拾佰仟, 角 or 分, or (for the ones of a
// section) the unit of the section.
void Grammar::afterDigit(std::size_t i, const Symbol& s) {
    const std::size_t digit = *pending_;
    const int d = pendingValue_;
    pending_.reset();
    switch (s.kind) {
        case Kind::Place:
            if (inFraction())
                return error(i, Says::CentsNeedPlace);
            if (!place(d, s.value, digit))
                fail(stepDeath_, i);
            return;
        case Kind::Jiao:
        case Kind::Fen:
            return fraction(d, s.kind == Kind::Jiao ? kJiao : kFen, digit, i);
        case Kind::Wan:
        case Kind::Yi:
        case Kind::Yuan:
            if (inFraction())
                return error(i, Says::CentsNeedPlace);
            place(d, 0, digit);  // the unit decides among the sections the digit may be in
            return unit(i, s);
        default:
            break;
    }
    if (inFraction())
        error(i, Says::CentsNeedPlace);
    else if (s.kind == Kind::Digit && s.value == 0)
        error(i, Says::ZeroAfterOnes);
    else if (s.kind == Kind::Closing)
        error(i, Says::MissingYuan);
    else if (s.kind == Kind::Minus)
        error(i, Says::MinusNotFirst);
    else
        error(i, Says::Order);
}

// A 零 stands for places left out: after a 圆, 万 or 亿, or after a digit with a place two or
// more above the next one it could be followed by in its section; or it is a zero written out
// in its place, 零角 or 零分, as other systems write cents.
void Grammar::zero(std::size_t i) {
    if (!started_) {
        leadingZero_ = i;
        return;
    }
    const Path& p = paths_[0];
    const bool adjacent = p.digitAt == kJiao || (!sectionEmpty_ && inSection_ == 1);
    const bool lastPlace = p.digitAt == kFen || (!sectionEmpty_ && inSection_ == 0);
    const bool fits = sectionEmpty_ || !(adjacent || lastPlace);
    const bool spelled = (p.unitAt == kYuan && p.digitAt > kJiao) || p.digitAt == kJiao;
    if (!fits && !spelled)
        return error(i, adjacent ? Says::AdjacentZero : Says::ZeroAfterOnes);
    zero_ = i;
    zeroSpelledOnly_ = !fits;
}

void Grammar::afterZero(std::size_t i, const Symbol& s) {
    if (s.kind == Kind::Jiao || s.kind == Kind::Fen) {
        const int place = s.kind == Kind::Jiao ? kJiao : kFen;
        const Path& p = paths_[0];
        if (place >= p.digitAt || place >= p.unitAt)
            return error(i, Says::Order);
        if (p.unitAt != kYuan && p.digitAt != kJiao)
            return error(i, Says::MissingYuan);
        if (!marks_.spelled)
            marks_.spelled = *zero_;
        pathCount_ = 1;
        paths_[0].digitAt = place;
        zero_.reset();
        sectionEmpty_ = false;
        return;
    }
    if (s.kind == Kind::Digit && s.value > 0) {
        if (zeroSpelledOnly_)
            return error(i, Says::ExtraZero);
        pending_ = i;  // the 零 waits with it: where the digit stands decides whether it fits
        pendingValue_ = s.value;
        return;
    }
    error(i, Says::ZeroNeedsDigit);
}

// Why a non-zero digit cannot stand at `place` after what `path` has read.
Grammar::Why Grammar::misplaced(const Path& path, int place) const {
    if (place >= path.digitAt || place >= path.unitAt)
        return Why::Order;
    if (path.digitAt == kAbove)
        return Why::None;
    const bool skipped = path.digitAt - place > 1;
    if (!skipped && zero_)
        return Why::ExtraZero;
    // The 零 may be left out only where the skipped places end at a written 圆, 万 or 亿.
    if (skipped && !zero_ && path.unitAt != place + 1)
        return Why::MissingZero;
    return Why::None;
}

// Which of two reasons to name when no reading is left: a 零 left out first (it is named
// earliest, at its digit), then a 零 too many, then the rest.
Grammar::Death Grammar::worse(const Death& a, const Death& b) {
    const auto rank = [](Why why) {
        switch (why) {
            case Why::MissingZero:
                return 4;
            case Why::ExtraZero:
                return 3;
            case Why::MissingYuan:
                return 2;
            case Why::Order:
                return 1;
            case Why::None:
                break;
        }
        return 0;
    };
    return rank(b.why) > rank(a.why) ? b : a;
}

void Grammar::fail(const Death& death, std::size_t mark) {
    switch (death.why) {
        case Why::MissingZero:
            return blameMissing(death.digit, words::kDigits[0], Says::MissingZero, mark);
        case Why::ExtraZero:
            return error(mark, Says::ExtraZero);
        case Why::MissingYuan:  // named where the integer part ends
            return blameMissing(death.digit, words::kFormalYuan, Says::MissingYuan, mark);
        default:
            return error(mark, Says::Order);
    }
}

// A 零 or 圆 left out before `missing` is one way to mend a text that breaks at `mark`; the
// other is a wrong character at `mark` (壹仟圆 after 亿: the 零 before 壹 left out, or a 圆 too
// many). Where the two are apart, the rest of the text tells which: the 零 or 圆 is named when
// putting it in makes the whole text read, else the character at `mark` when deleting or
// replacing it does, else the 零 or 圆 still.
void Grammar::blameMissing(std::size_t missing, runtime::TextView what, Says says,
                           std::size_t mark) {
    if (trial_ || mark == missing + 1 || readsWith(missing, 0, what))
        return error(missing, says);
    if (readsWith(mark, 1, {}))
        return error(mark, Says::Superfluous);
    constexpr runtime::TextView kMending = u"零拾佰仟万亿圆角分整";
    for (std::size_t k = 0; k < kMending.size(); ++k) {
        if (kMending[k] != text_[mark] && readsWith(mark, 1, kMending.substr(k, 1)))
            return error(mark, Says::ShouldBe, {kMending.substr(k, 1)});
    }
    error(missing, says);
}

// Whether the text reads without an error once its `erase` characters at `at` are replaced by
// `insert`.
bool Grammar::readsWith(std::size_t at, std::size_t erase, runtime::TextView insert) const {
    runtime::Text edited(text_.substr(0, end_));
    edited.replace(at, erase, insert);
    std::vector<Finding> out;
    Findings findings(edited, out);
    Grammar trial(edited, findings);
    trial.trial_ = true;
    return trial.read(begin_, edited.size());
}

// Places a non-zero digit at `inSection` (0 for the ones, 1 to 3 for 拾佰仟) of its section,
// in every reading still open: the section of the first digit after a unit is any below that
// unit until the next unit tells. False when no reading is left.
bool Grammar::place(int d, int inSection, std::size_t digit) {
    stepDeath_ = {};
    // Whether `p` takes the digit in the section from `base`; the reading that does, if so.
    const auto take = [&](const Path& p, int base, Path& out) {
        const int at = kYuan + base + inSection;
        if (const Why why = misplaced(p, at); why != Why::None) {
            const Death death{why, digit};
            stepDeath_ = worse(stepDeath_, death);
            Death& first = deaths_[sectionOf(base)];
            if (first.why == Why::None)
                first = death;
            return false;
        }
        out = {
            at, p.unitAt, base, p.wanYi,
            p.cents + static_cast<std::uint64_t>(d) * kCentsOfPlace[static_cast<std::size_t>(at)]};
        return true;
    };
    std::size_t n = 0;
    if (!sectionEmpty_) {
        // Each reading has its section already: the readings only narrow, in place.
        for (std::size_t k = 0; k < pathCount_; ++k)
            n += take(Path(paths_[k]), paths_[k].base, paths_[n]);
    } else {
        std::array<Path, kMaxPaths> next;
        for (std::size_t k = 0; k < pathCount_; ++k) {
            const Path& p = paths_[k];
            if (p.wanYi) {
                n += take(p, kYi - kYuan, next[n]);
                continue;
            }
            for (int base = kWanYi - kYuan; base >= 0; base -= 4) {
                if (kYuan + base < p.unitAt)
                    n += take(p, base, next[n]);
            }
        }
        std::copy_n(next.begin(), n, paths_.begin());
    }
    pathCount_ = n;
    sectionEmpty_ = false;
    inSection_ = inSection;
    zero_.reset();
    started_ = true;
    return n > 0;
}

// A digit of 角 or 分, at `place`; `mark` is the 角 or 分 itself.
void Grammar::fraction(int d, int place, std::size_t digit, std::size_t mark) {
    std::size_t n = 0;
    Death death{};
    for (std::size_t k = 0; k < pathCount_; ++k) {
        const Path& p = paths_[k];
        Why why = misplaced(p, place);
        if (place >= p.digitAt || place >= p.unitAt)
            why = Why::Order;
        else if (p.digitAt != kAbove && p.digitAt >= kYuan && p.unitAt != kYuan)
            why = Why::MissingYuan;
        if (why != Why::None) {
            // 圆 is left out before the 零 that waits with the digit, if any: 壹佰[圆]零伍分.
            death = worse(death, {why, why == Why::MissingYuan ? zero_.value_or(digit) : digit});
            continue;
        }
        paths_[n] = p;
        paths_[n].digitAt = place;
        paths_[n].cents +=
            static_cast<std::uint64_t>(d) * kCentsOfPlace[static_cast<std::size_t>(place)];
        ++n;
    }
    pathCount_ = n;
    if (n == 0)
        return fail(death, mark);
    sectionEmpty_ = false;
    zero_.reset();
    started_ = true;
}

// 万, 亿 or 圆: it closes the section of the digits before it, and keeps the readings in which
// they are of that section.
void Grammar::unit(std::size_t i, const Symbol& s) {
    if (!started_)
        return error(i, Says::NeedsDigit, {at(i)});
    std::size_t n = 0;
    bool belowYi = false;
    for (std::size_t k = 0; k < pathCount_; ++k) {
        Path p = paths_[k];
        belowYi = belowYi || p.unitAt == kYi;
        int place = -1;
        if (sectionEmpty_) {
            // A unit with no digit of its own: 圆 after 万 or 亿 (壹万圆整), and the 亿 after
            // the 万 of 万亿 (壹万亿圆整).
            if (s.kind == Kind::Yuan && !p.wanYi && kYuan < p.unitAt)
                place = kYuan;
            else if (s.kind == Kind::Yi && p.wanYi)
                place = kYi;
        } else if (s.kind == Kind::Yuan && p.base == 0) {
            place = kYuan;
        } else if (s.kind == Kind::Yi && p.base == kYi - kYuan) {
            place = kYi;
        } else if (s.kind == Kind::Wan && p.base == kWan - kYuan) {
            place = kWan;
        } else if (s.kind == Kind::Wan && p.base == kWanYi - kYuan) {
            place = kWanYi;
        }
        if (place < 0)
            continue;
        p.wanYi = place == kWanYi;
        p.unitAt = place;
        p.base = kNoBase;
        paths_[n++] = p;
    }
    pathCount_ = n;
    if (n == 0) {
        if (sectionEmpty_ && s.kind == Kind::Wan && belowYi)
            return error(i, Says::EmptyWan, {at(i)});
        if (sectionEmpty_)
            return error(i, Says::Order);
        const int base = s.kind == Kind::Yuan ? 0 : s.kind == Kind::Yi ? kYi - kYuan : kWan - kYuan;
        Death death = deaths_[sectionOf(base)];
        if (s.kind == Kind::Wan)
            death = worse(death, deaths_[sectionOf(kWanYi - kYuan)]);
        if (death.why == Why::ExtraZero)
            return error(i, Says::ZeroConflict);
        return fail(death, i);
    }
    sectionEmpty_ = true;
    deaths_ = {};
    if (s.kind == Kind::Yuan) {
        marks_.yuan = i;
        style_.unit = s.value == 1 ? Unit::Common : Unit::Formal;
    }
}

void Grammar::close(std::size_t i, const Symbol& s) {
    if (!started_)
        return error(i, Says::NeedsDigit, {at(i)});
    if (paths_[0].digitAt == kFen)
        return error(i, Says::AfterFen, {at(i)});
    if (!keepComplete())
        return error(i, Says::MissingYuan);
    if (negative() && cents() == 0)
        return error(i, Says::ZeroMinus);
    marks_.closing = i;
    style_.closing = s.value == 1 ? Closing::Exact : Closing::Whole;
}

// Keeps the readings that have come to 圆 or below; false when none has.
bool Grammar::keepComplete() {
    std::size_t n = 0;
    for (std::size_t k = 0; k < pathCount_; ++k) {
        if (paths_[k].unitAt == kYuan || paths_[k].digitAt <= kJiao)
            paths_[n++] = paths_[k];
    }
    pathCount_ = n;
    return n > 0;
}

void Grammar::finish() {
    if (leadingZero_)
        return error(*leadingZero_, Says::ZeroFirst);
    if (pending_)
        return error(last_, inFraction() ? Says::CentsNeedPlace : Says::MissingYuan);
    if (zero_)
        return error(*zero_, Says::ZeroNeedsDigit);
    if (!started_)
        return findings_.addPlace(Severity::Error, amountBegin_, Says::NoAmount);
    if (marks_.closing)
        return;
    if (!keepComplete())
        return error(last_, Says::MissingYuan);
    if (negative() && cents() == 0)
        return error(last_, Says::ZeroMinus);
    if (paths_[0].digitAt == kJiao) {
        style_.closeAfterJiao = false;
        // Spelled-out cents are answered with the whole writing.
        if (!marks_.spelled && !marks_.opener && !houseOpenJiao_)
            findings_.add(Severity::Warning, last_, Says::JiaoClosing);
    } else if (paths_[0].digitAt != kFen) {
        error(last_, Says::YuanNeedsClosing, {at(*marks_.yuan)});
    }
}

}  // namespace tessaly::convert

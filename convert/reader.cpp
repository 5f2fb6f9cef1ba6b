#include "convert/reader.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "runtime/number.h"

namespace tessaly::convert {

using runtime::Text;
using runtime::TextView;

namespace {

// Places are counted as the conversion counts them: 分 0, 角 1, 圆 2, 拾 3 ... 仟万亿 17.
constexpr int kFen = 0;
constexpr int kJiao = 1;
constexpr int kYuan = 2;
constexpr int kWan = 6;
constexpr int kYi = 10;
constexpr int kWanYi = 14;
constexpr int kAbove = 18;  // above every place: nothing read yet

// What a character of an uppercase amount is.
enum class Kind : std::uint8_t { Digit, Place, Wan, Yi, Yuan, Jiao, Fen, Closing, Minus, Other };

struct Symbol {
    Kind kind = Kind::Other;
    std::uint8_t value = 0;  // a digit; 1 to 3 for 拾佰仟; 1 for 元 and for 正
};

// The characters of an amount; the traditional forms read as the simplified.
constexpr std::pair<char16_t, Symbol> kAlphabet[] = {
    {u'零', {Kind::Digit, 0}}, {u'壹', {Kind::Digit, 1}},   {u'贰', {Kind::Digit, 2}},
    {u'貳', {Kind::Digit, 2}}, {u'叁', {Kind::Digit, 3}},   {u'參', {Kind::Digit, 3}},
    {u'肆', {Kind::Digit, 4}}, {u'伍', {Kind::Digit, 5}},   {u'陆', {Kind::Digit, 6}},
    {u'陸', {Kind::Digit, 6}}, {u'柒', {Kind::Digit, 7}},   {u'捌', {Kind::Digit, 8}},
    {u'玖', {Kind::Digit, 9}}, {u'拾', {Kind::Place, 1}},   {u'佰', {Kind::Place, 2}},
    {u'仟', {Kind::Place, 3}}, {u'万', {Kind::Wan}},        {u'萬', {Kind::Wan}},
    {u'亿', {Kind::Yi}},       {u'億', {Kind::Yi}},         {u'圆', {Kind::Yuan, 0}},
    {u'圓', {Kind::Yuan, 0}},  {u'元', {Kind::Yuan, 1}},    {u'角', {Kind::Jiao}},
    {u'分', {Kind::Fen}},      {u'整', {Kind::Closing, 0}}, {u'正', {Kind::Closing, 1}},
    {u'负', {Kind::Minus}},    {u'負', {Kind::Minus}},
};

// Batches read millions of lines a character at a time, so a character's symbol is found in
// one probe: each character of the alphabet has a slot of its own among kSlots.
constexpr std::size_t kSlots = 114;
struct Slot {
    char16_t c = 0;
    Symbol symbol;
};
constexpr std::array<Slot, kSlots> kSlotTable = [] {
    std::array<Slot, kSlots> table{};
    for (const auto& [c, symbol] : kAlphabet)
        table[c % kSlots] = {c, symbol};
    return table;
}();
static_assert([] {
    std::size_t filled = 0;
    for (const Slot& slot : kSlotTable)
        filled += slot.symbol.kind != Kind::Other;
    return filled == std::size(kAlphabet);
}());

Symbol classify(char16_t c) noexcept {
    const Slot& slot = kSlotTable[c % kSlots];
    return slot.c == c ? slot.symbol : Symbol{};
}

// What a clerk may have meant by a character that has no place in an uppercase amount.
TextView replacementOf(char16_t c) noexcept {
    constexpr TextView kWritten = u"〇一二三四五六七八九0123456789０１２３４５６７８９十百千两毛另";
    constexpr TextView kMeant =
        u"零壹贰叁肆伍陆柒捌玖零壹贰叁肆伍陆柒捌玖零壹贰叁肆伍陆柒捌玖拾佰仟贰角零";
    static_assert(kWritten.size() == kMeant.size());
    if (c == u'廿' || c == u'念')
        return u"贰拾";
    const std::size_t k = kWritten.find(c);
    return k == TextView::npos ? TextView{} : kMeant.substr(k, 1);
}

bool isGap(char16_t c) noexcept {
    return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\u00A0';
}

bool isHighSurrogate(char16_t c) noexcept {
    return c >= 0xD800 && c <= 0xDBFF;
}

constexpr std::array<std::uint64_t, 18> kCentsOfPlace = [] {
    std::array<std::uint64_t, 18> p{};
    std::uint64_t v = 1;
    for (auto& e : p) {
        e = v;
        v *= 10;
    }
    return p;
}();

// Reads one text from the left. Every character outside the amount's alphabet is reported;
// the structure is followed up to its first error, since what comes after an error cannot be
// placed with confidence.
class Scanner {
public:
    // Starts `out` afresh: no findings, and the style of a text that says nothing of its own.
    Scanner(TextView text, Reading& out) : text_(text), out_(out) {
        out_.findings.clear();
        out_.style = Style{.wide = true};
    }

    // Reads the text; false when it has an error.
    bool run() {
        if (text_.substr(0, 3) == u"人民币") {
            out_.style.prefix = true;
            i_ = 3;
            pos_ = 4;
        }
        while (i_ < text_.size()) {
            const Symbol s = classify(text_[i_]);
            std::size_t taken = 1;
            if (s.kind == Kind::Other) {
                taken = stranger();
            } else if (!failed_) {
                taken = step(s);
            }
            // Every character taken is one code unit, but for a surrogate pair.
            pos_ += taken == 2 && isHighSurrogate(text_[i_]) ? 1 : taken;
            i_ += taken;
        }
        if (!failed_)
            finish();
        if (!failed_)
            writeAmount();
        return !failed_;
    }

    // The amount read, [-]digits.dd, once run() has returned true.
    TextView amount() const {
        return TextView(amount_.data() + amountStart_, amount_.size() - amountStart_);
    }

private:
    // --- findings ---

    // 第{pos}个字“{c}”：{parts}
    void report(Severity severity, std::size_t pos, std::size_t index,
                std::initializer_list<TextView> parts) {
        Finding& f = out_.findings.emplace_back();
        f.severity = severity;
        f.position = pos;
        f.message = u"第";
        appendNumber(pos, f.message);
        f.message += u"个字“";
        const bool pair = isHighSurrogate(text_[index]) && index + 1 < text_.size();
        f.message.append(text_.substr(index, pair ? 2 : 1));
        f.message += u"”：";
        for (const TextView part : parts)
            f.message += part;
        if (severity == Severity::Error)
            failed_ = true;
    }
    // An error at the current character.
    std::size_t error(std::initializer_list<TextView> parts) {
        report(Severity::Error, pos_, i_, parts);
        return 1;
    }
    static void appendNumber(std::size_t n, Text& out) {
        std::array<char16_t, 20> digits;
        std::size_t k = digits.size();
        do {
            digits[--k] = static_cast<char16_t>(u'0' + n % 10);
            n /= 10;
        } while (n > 0);
        out.append(digits.data() + k, digits.size() - k);
    }
    TextView here() const { return text_.substr(i_, 1); }

    // A character that has no place in an uppercase amount; returns the code units it takes.
    std::size_t stranger() {
        const char16_t c = text_[i_];
        if (text_.substr(i_, 3) == u"人民币") {
            error({u"“人民币”只能写在最前面"});
            return 3;
        }
        if (isGap(c)) {
            error({u"金额中间不得留空"});
        } else if (const TextView better = replacementOf(c); !better.empty()) {
            error({u"不是大写金额用字，应写“", better, u"”"});
        } else {
            error({u"不是大写金额用字"});
        }
        return isHighSurrogate(c) && i_ + 1 < text_.size() ? 2 : 1;
    }

    // --- the structure ---

    // Reads the symbol at the current character (and the place or 角/分 that belongs to a
    // digit); returns the code units it takes.
    std::size_t step(const Symbol& s) {
        if (closedAt_ != 0)
            return error({u"“", closing(), u"”之后不再写字"});
        if (zeroAt_ != 0 && !(s.kind == Kind::Digit && s.value > 0)) {
            report(Severity::Error, zeroAt_, zeroIndex_, {u"“零”后应紧跟非零数字"});
            return 1;
        }
        if (zeroAmount_ && s.kind != Kind::Closing)
            return error({u"“零", unit(), u"”之后只写“整”或“正”"});
        switch (s.kind) {
            case Kind::Minus:
                if (started_ || minusAt_ != 0)
                    return error({u"“负”只能写在金额最前面"});
                minusAt_ = pos_;
                minusIndex_ = i_;
                return 1;
            case Kind::Digit:
                return s.value == 0 ? zero() : digit(s.value, false);
            case Kind::Place:
                if (!started_ && s.value == 1) {
                    report(Severity::Warning, pos_, i_, {u"开头的“拾”前应写“壹”"});
                    return digit(1, true);
                }
                return error({u"“", here(), u"”前应有数字"});
            case Kind::Wan:
            case Kind::Yi:
            case Kind::Yuan:
                return sectionUnit(s);
            case Kind::Jiao:
            case Kind::Fen:
                return error({u"“", here(), u"”前应有数字"});
            case Kind::Closing:
                return close(s.value);
            case Kind::Other:
                break;
        }
        return 1;
    }

    // A non-zero digit, with the place written after it; `impliedOne` for a leading 拾, which
    // is read as 壹拾.
    std::size_t digit(int d, bool impliedOne) {
        const bool followed = !impliedOne && i_ + 1 < text_.size();
        const Symbol next = followed ? classify(text_[i_ + 1]) : Symbol{};
        std::size_t taken = 1;
        int place = 0;
        if (next.kind == Kind::Jiao || next.kind == Kind::Fen) {
            place = next.kind == Kind::Jiao ? kJiao : kFen;
            taken = 2;
        } else if (unitAt_ == kYuan || digitAt_ <= kJiao) {
            return error({u"圆以下的数字应带“角”或“分”"});
        } else {
            // The digit's place inside its section: the 拾, 佰 or 仟 after it, or the ones.
            const bool placeWritten = next.kind == Kind::Place;
            const int inSection = impliedOne ? 1 : placeWritten ? next.value : 0;
            taken = placeWritten ? 2 : 1;
            place = kYuan + sectionBase() + inSection;
        }

        if (place >= digitAt_ || place >= unitAt_)
            return error({u"数位重复或颠倒，应从大到小书写"});
        if (place <= kJiao && digitAt_ != kAbove && digitAt_ >= kYuan && unitAt_ != kYuan)
            return error({u"整数部分后缺“圆”或“元”"});
        if (digitAt_ != kAbove) {
            const bool skipped = digitAt_ - place > 1;
            if (!skipped && zeroAt_ != 0) {
                report(Severity::Error, zeroAt_, zeroIndex_, {u"前后两位相连，中间不写“零”"});
                return 1;
            }
            // The 零 may be left out only where the skipped places end at a written 圆, 万 or 亿.
            if (skipped && zeroAt_ == 0 && unitAt_ != place + 1)
                return error({u"前面隔有零位，应先写“零”"});
        }
        cents_ += static_cast<std::uint64_t>(d) * kCentsOfPlace[static_cast<std::size_t>(place)];
        digitAt_ = place;
        zeroAt_ = 0;
        started_ = true;
        sectionEmpty_ = false;
        return taken;
    }

    // The place of the ones of the section the current digit belongs to, above 圆: 4 for 万,
    // 8 for 亿, 12 for a 万 before 亿 (万亿), 0 otherwise. The section's unit is the first 万,
    // 亿 or 圆 ahead; one found serves every digit before it.
    int sectionBase() {
        if (i_ < sectionEnd_)
            return sectionBase_;
        std::size_t j = i_ + 1;
        sectionBase_ = 0;
        for (; j < text_.size(); ++j) {
            const Kind k = classify(text_[j]).kind;
            if (k == Kind::Wan || k == Kind::Yi) {
                sectionBase_ = (k == Kind::Yi ? kYi : wanPlace(j)) - kYuan;
                break;
            }
            if (k == Kind::Yuan || k == Kind::Jiao || k == Kind::Fen || k == Kind::Closing)
                break;
        }
        sectionEnd_ = j;
        return sectionBase_;
    }

    // A 万 before 亿 is the 万 of 万亿. The first 亿 is looked for once, at the first 万.
    int wanPlace(std::size_t index) {
        if (!yiSought_) {
            yiSought_ = true;
            yiAt_ = 0;  // without a 亿, no 万 stands before one
            for (std::size_t j = 0; j < text_.size(); ++j) {
                if (classify(text_[j]).kind == Kind::Yi) {
                    yiAt_ = j;
                    break;
                }
            }
        }
        return index < yiAt_ ? kWanYi : kWan;
    }

    std::size_t zero() {
        if (!started_) {
            // 零 alone names zero, in 零圆整 only.
            if (i_ + 1 < text_.size() && classify(text_[i_ + 1]).kind == Kind::Yuan) {
                if (minusAt_ != 0) {
                    report(Severity::Error, minusAt_, minusIndex_, {u"金额为零，不写“负”"});
                    return 1;
                }
                out_.style.unit = classify(text_[i_ + 1]).value == 1 ? Unit::Common : Unit::Formal;
                zeroAmount_ = started_ = true;
                unitAt_ = kYuan;
                unitIndex_ = i_ + 1;
                return 2;
            }
            return error({u"金额不以“零”开头，零元写作“零圆整”"});
        }
        zeroAt_ = pos_;
        zeroIndex_ = i_;
        return 1;
    }

    std::size_t sectionUnit(const Symbol& s) {
        if (!started_)
            return error({u"“", here(), u"”前应有数字"});
        const int place = s.kind == Kind::Yuan ? kYuan : s.kind == Kind::Yi ? kYi : wanPlace(i_);
        if (place >= unitAt_ || place > digitAt_)
            return error({u"数位重复或颠倒，应从大到小书写"});
        if (place == kWan && sectionEmpty_)
            return error({u"亿后的万位全为零，不写“", here(), u"”"});
        if (s.kind == Kind::Yuan)
            out_.style.unit = s.value == 1 ? Unit::Common : Unit::Formal;
        unitAt_ = place;
        unitIndex_ = i_;
        sectionEmpty_ = true;
        return 1;
    }

    std::size_t close(int value) {
        if (!started_)
            return error({u"“", here(), u"”前应有数字"});
        if (digitAt_ == kFen)
            return error({u"“分”后不写“", here(), u"”"});
        if (digitAt_ != kJiao && unitAt_ != kYuan)
            return error({u"整数部分后缺“圆”或“元”"});
        out_.style.closing = value == 1 ? Closing::Exact : Closing::Whole;
        closedAt_ = pos_;
        closingIndex_ = i_;
        return 1;
    }

    void finish() {
        const std::size_t last = text_.empty() ? 0 : text_.size() - 1;
        if (zeroAt_ != 0) {
            report(Severity::Error, zeroAt_, zeroIndex_, {u"“零”后应紧跟非零数字"});
        } else if (!started_) {
            Finding& f = out_.findings.emplace_back();
            f.message = u"没有金额：应写出大写金额";
            failed_ = true;
        } else if (closedAt_ == 0 && digitAt_ == kJiao) {
            report(Severity::Warning, pos_ - 1, last, {u"按会计规定，“角”后应写“整”或“正”"});
            out_.style.closeAfterJiao = false;
        } else if (closedAt_ == 0 && digitAt_ != kFen && unitAt_ == kYuan) {
            report(Severity::Error, pos_ - 1, last, {u"“", unit(), u"”后应写“整”或“正”"});
        } else if (closedAt_ == 0 && digitAt_ != kFen) {
            report(Severity::Error, pos_ - 1, last, {u"整数部分后缺“圆”或“元”"});
        }
    }

    TextView unit() const { return text_.substr(unitIndex_, 1); }
    TextView closing() const { return text_.substr(closingIndex_, 1); }

    void writeAmount() {
        std::size_t k = amount_.size();
        std::uint64_t v = cents_;
        do {
            amount_[--k] = static_cast<char16_t>(u'0' + v % 10);
            v /= 10;
            if (k == amount_.size() - 2)
                amount_[--k] = u'.';
        } while (v > 0 || k > amount_.size() - 4);
        if (minusAt_ != 0)
            amount_[--k] = u'-';
        amountStart_ = k;
    }

    TextView text_;
    Reading& out_;
    std::size_t i_ = 0;     // the current character's index in code units
    std::size_t pos_ = 1;   // and its position in characters, from 1
    std::size_t yiAt_ = 0;  // index of the first 亿, sought at the first 万
    bool yiSought_ = false;
    bool failed_ = false;

    bool started_ = false;                         // a digit of the amount has been read
    bool zeroAmount_ = false;                      // 零圆 has been read
    bool sectionEmpty_ = true;                     // no digit since the last 万, 亿 or 圆
    int digitAt_ = kAbove;                         // place of the last non-zero digit
    int unitAt_ = kAbove;                          // place of the last 万, 亿 or 圆
    std::size_t unitIndex_ = 0;                    // and its index
    std::size_t minusAt_ = 0, minusIndex_ = 0;     // position of 负, 0 without
    std::size_t zeroAt_ = 0, zeroIndex_ = 0;       // position of a 零 waiting for its digit
    std::size_t closedAt_ = 0, closingIndex_ = 0;  // position of 整 or 正
    std::size_t sectionEnd_ = 0;  // index of the unit ahead, found for an earlier digit
    int sectionBase_ = 0;
    std::uint64_t cents_ = 0;
    std::array<char16_t, 24> amount_;
    std::size_t amountStart_ = 0;
};

}  // namespace

void readUppercase(TextView upper, Reading& out) {
    Scanner scanner(upper, out);
    if (!scanner.run()) {
        out.amount.reset();
        return;
    }
    if (!out.amount)
        out.amount.emplace();
    out.amount->assign(scanner.amount());
}

Reading readUppercase(TextView upper) {
    Reading out;
    readUppercase(upper, out);
    return out;
}

Check checkAmount(TextView amount, TextView upper) {
    // The reading's findings become the check's; its amount is compared where it was written.
    Reading reading;
    Scanner scanner(upper, reading);
    const bool read = scanner.run();
    Check out{Verdict::Ok, std::move(reading.findings)};
    Text digits;
    if (runtime::tryFormatFixed2(amount, digits)) {
        Finding& f = out.findings.emplace_back();
        f.message.append(u"小写金额“").append(amount).append(u"”不是数字");
    } else if (read && scanner.amount() != digits) {
        Finding& f = out.findings.emplace_back();
        f.message.append(u"大写为 ").append(scanner.amount()).append(u"，小写为 ").append(digits);
    }
    for (const Finding& f : out.findings) {
        if (f.severity == Severity::Error) {
            out.verdict = Verdict::Fail;
            break;
        }
        out.verdict = Verdict::Warn;
    }
    return out;
}

}  // namespace tessaly::convert

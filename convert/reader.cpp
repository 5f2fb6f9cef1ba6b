#include "convert/reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "convert/amount.h"
#include "convert/vocabulary.h"
#include "runtime/number.h"

namespace tessaly::convert {

using runtime::Text;
using runtime::TextView;

namespace {

using words::kFen;
using words::kJiao;
using words::kWan;
using words::kWanYi;
using words::kYi;
using words::kYuan;
constexpr int kAbove = words::kPlaceCount;  // above every place: nothing read yet
constexpr int kSection = 4;                 // places from one section's ones to the next's
constexpr std::size_t kNone = static_cast<std::size_t>(-1);  // an index not set

// A text gets this many findings in full; the rest are counted in one more, so that what is
// said about a text stays short whatever the text.
constexpr std::size_t kDetailedFindings = 8;
// A long text is quoted by its beginning only.
constexpr std::size_t kQuotedChars = 60;

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
// one probe: each character of the alphabet has a slot of its own among kSlots. 114 is the
// smallest size at which c % size separates them all; the assertion below keeps it so.
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

constexpr Symbol classify(char16_t c) noexcept {
    const Slot& slot = kSlotTable[c % kSlots];
    return slot.c == c ? slot.symbol : Symbol{};
}

// Every word the writer writes reads as what it means.
static_assert([] {
    for (std::uint8_t d = 0; d < 10; ++d) {
        const Symbol s = classify(words::kDigits[d][0]);
        if (s.kind != Kind::Digit || s.value != d)
            return false;
    }
    for (std::uint8_t k = 1; k <= 3; ++k) {
        const Symbol s = classify(words::kPlaces[static_cast<std::size_t>(kYuan + k)][0]);
        if (s.kind != Kind::Place || s.value != k)
            return false;
    }
    return classify(words::kPlaces[kFen][0]).kind == Kind::Fen &&
           classify(words::kPlaces[kJiao][0]).kind == Kind::Jiao &&
           classify(words::kPlaces[kWan][0]).kind == Kind::Wan &&
           classify(words::kPlaces[kYi][0]).kind == Kind::Yi &&
           classify(words::kFormalYuan[0]).value == 0 &&
           classify(words::kCommonYuan[0]).value == 1 && classify(words::kWhole[0]).value == 0 &&
           classify(words::kExact[0]).value == 1 && classify(words::kMinus[0]).kind == Kind::Minus;
}());

// What a clerk may have meant by a character that has no place in an uppercase amount: each
// character written, then what belongs there.
constexpr std::pair<char16_t, std::string_view> kSlips[] = {
    {u'〇', "零"},   {u'一', "壹"},   {u'二', "贰"}, {u'三', "叁"}, {u'四', "肆"}, {u'五', "伍"},
    {u'六', "陆"},   {u'七', "柒"},   {u'八', "捌"}, {u'九', "玖"}, {u'0', "零"},  {u'1', "壹"},
    {u'2', "贰"},    {u'3', "叁"},    {u'4', "肆"},  {u'5', "伍"},  {u'6', "陆"},  {u'7', "柒"},
    {u'8', "捌"},    {u'9', "玖"},    {u'０', "零"}, {u'１', "壹"}, {u'２', "贰"}, {u'３', "叁"},
    {u'４', "肆"},   {u'５', "伍"},   {u'６', "陆"}, {u'７', "柒"}, {u'８', "捌"}, {u'９', "玖"},
    {u'十', "拾"},   {u'百', "佰"},   {u'千', "仟"}, {u'两', "贰"}, {u'毛', "角"}, {u'另', "零"},
    {u'廿', "贰拾"}, {u'念', "贰拾"}, {u'园', "圆"},
};

std::string_view replacementOf(char16_t c) noexcept {
    for (const auto& [written, meant] : kSlips) {
        if (written == c)
            return meant;
    }
    return {};
}

// The one character a slip stands for (拾 for 十); 0 when it is no slip, or stands for more.
char16_t meantFor(char16_t c) noexcept {
    const std::string_view meant = replacementOf(c);
    if (meant.size() != 3)  // one character of the basic plane in UTF-8
        return 0;
    const auto byte = [meant](std::size_t i) { return static_cast<char16_t>(meant[i] & 0x3F); };
    return static_cast<char16_t>((meant[0] & 0x0F) << 12 | byte(1) << 6 | byte(2));
}

bool isHighSurrogate(char16_t c) noexcept {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) noexcept {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The code units of the character at `i`: two for a surrogate pair.
std::size_t unitsAt(TextView text, std::size_t i) noexcept {
    return isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1]) ? 2 : 1;
}

void appendNumber(std::uint64_t n, std::string& out) {
    std::array<char, 20> digits;
    std::size_t k = digits.size();
    do {
        digits[--k] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    out.append(digits.data() + k, digits.size() - k);
}

// The character at `i` as a message shows it: itself, or "U+FEFF" for one that shows nothing
// or acts on the terminal. Returns the code units it takes.
std::size_t appendShown(TextView text, std::size_t i, std::string& out) {
    const std::size_t units = unitsAt(text, i);
    const char32_t c = units == 2 ? 0x10000 + ((char32_t{text[i]} - 0xD800) << 10) +
                                        (char32_t{text[i + 1]} - 0xDC00)
                                  : char32_t{text[i]};
    if (!runtime::isUnprintable(c)) {
        runtime::appendUtf8(text.substr(i, units), out);
        return units;
    }
    constexpr char kHex[] = "0123456789ABCDEF";
    out += "U+";
    int shift = c > 0xFFFFF ? 20 : c > 0xFFFF ? 16 : 12;
    for (; shift >= 0; shift -= 4)
        out += kHex[(c >> shift) & 0xF];
    return units;
}

// A text quoted in a message: at most its first kQuotedChars characters, each shown safely,
// and for a longer one "…" and its length.
void appendQuoted(TextView text, std::string& out) {
    std::size_t chars = 0;
    std::size_t i = 0;
    while (i < text.size() && chars < kQuotedChars) {
        i += appendShown(text, i, out);
        ++chars;
    }
    if (i == text.size())
        return;
    for (std::size_t j = i; j < text.size(); j += unitsAt(text, j))
        ++chars;
    out += "…（共";
    appendNumber(chars, out);
    out += "个字）";
}

// One character of a basic plane in UTF-8, for a message.
class Utf8Char {
public:
    explicit Utf8Char(char16_t c) noexcept {
        if (c < 0x80) {
            bytes_[size_++] = static_cast<char>(c);
        } else if (c < 0x800) {
            bytes_[size_++] = static_cast<char>(0xC0 | (c >> 6));
            bytes_[size_++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes_[size_++] = static_cast<char>(0xE0 | (c >> 12));
            bytes_[size_++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes_[size_++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    operator std::string_view() const noexcept { return {bytes_.data(), size_}; }

private:
    std::array<char, 3> bytes_{};
    std::size_t size_ = 0;
};

constexpr std::array<std::uint64_t, words::kPlaceCount> kCentsOfPlace = [] {
    std::array<std::uint64_t, words::kPlaceCount> p{};
    std::uint64_t v = 1;
    for (auto& e : p) {
        e = v;
        v *= 10;
    }
    return p;
}();

// Why a non-zero digit cannot stand in a place after what has been read.
enum class Misplaced { None, Order, ExtraZero, MissingZero };

// Reads one text from the left. Every character outside the amount's alphabet is reported;
// the structure is followed up to its first error, since what comes after an error cannot be
// placed with confidence. Places in the text are code-unit indexes; a finding counts them in
// characters.
class Scanner {
public:
    // Starts afresh: no findings, and the style of a text that says nothing of its own.
    Scanner(TextView text, std::vector<Finding>& findings, Style& style,
            const std::optional<Style>& house)
        : findings_(findings), style_(style), house_(house) {
        std::size_t begin = 0;
        std::size_t end = text.size();
        // From the end first, so that a text of blanks alone is empty at its first position.
        while (end > begin && runtime::isBlank(text[end - 1]))
            --end;
        while (begin < end && runtime::isBlank(text[begin]))
            ++begin;
        text_ = text.substr(begin, end - begin);
        offset_ = begin;  // blanks are one code unit each
        findings_.clear();
        style_ = Style{.wide = true};
    }

    // Reads the text; false when it has an error.
    bool run() {
        if (text_.starts_with(words::kPrefix)) {
            style_.prefix = true;
            i_ = words::kPrefix.size();
        }
        while (i_ < text_.size()) {
            const Symbol s = classify(text_[i_]);
            std::size_t taken = 1;
            if (s.kind == Kind::Other) {
                taken = stranger();
            } else if (!failed_) {
                taken = step(s);
            }
            i_ += taken;
        }
        if (!failed_)
            finish();
        if (!failed_) {
            writeAmount();
            spelledOut();
            houseStyle();
        }
        countOmitted();
        return !failed_;
    }

    // The amount read, [-]digits.dd, once run() has returned true.
    std::string_view amount() const {
        return std::string_view(amount_.data() + amountStart_, amount_.size() - amountStart_);
    }

private:
    // --- findings ---

    // The position of the character at `index`, in characters from 1 in the text as given.
    // Findings come mostly in order, so counting goes on from the last one counted.
    std::size_t position(std::size_t index) {
        if (index < countedIndex_) {
            countedIndex_ = 0;
            countedChars_ = 0;
        }
        for (; countedIndex_ < index; ++countedIndex_) {
            const bool pairEnd = countedIndex_ > 0 && isLowSurrogate(text_[countedIndex_]) &&
                                 isHighSurrogate(text_[countedIndex_ - 1]);
            countedChars_ += !pairEnd;
        }
        return offset_ + countedChars_ + 1;
    }

    // True when the finding is to be written in full; counts it otherwise.
    bool detailed(Severity severity, std::size_t index) {
        if (severity == Severity::Error)
            failed_ = true;
        if (findings_.size() < kDetailedFindings)
            return true;
        if (omitted_++ == 0)
            omittedIndex_ = index;
        omittedErrors_ = omittedErrors_ || severity == Severity::Error;
        return false;
    }

    // A finding at the character at `index`, its message begun with 第{pos}个字, to be
    // completed by the caller.
    std::string& add(Severity severity, std::size_t index) {
        Finding& f = findings_.emplace_back();
        f.severity = severity;
        f.position = position(index);
        f.message.reserve(120);  // the longest message but for an advice of a whole writing
        f.message += "第";
        appendNumber(f.position, f.message);
        f.message += "个字";
        return f.message;
    }

    // 第{pos}个字“{c}”：{parts}
    void report(Severity severity, std::size_t index,
                std::initializer_list<std::string_view> parts) {
        if (!detailed(severity, index))
            return;
        std::string& message = add(severity, index);
        message += "“";
        appendShown(text_, index, message);
        message += "”：";
        for (const std::string_view part : parts)
            message += part;
    }
    // An error at the current character.
    std::size_t error(std::initializer_list<std::string_view> parts) {
        report(Severity::Error, i_, parts);
        return 1;
    }
    Utf8Char here() const { return Utf8Char(text_[i_]); }

    void countOmitted() {
        if (omitted_ == 0)
            return;
        std::string& message =
            add(omittedErrors_ ? Severity::Error : Severity::Warning, omittedIndex_);
        message += "起另有";
        appendNumber(omitted_, message);
        message += omittedErrors_ ? "处错误" : "处警告";
    }

    // A character that has no place in an uppercase amount; returns the code units it takes.
    std::size_t stranger() {
        const char16_t c = text_[i_];
        if (text_.substr(i_, words::kPrefix.size()) == words::kPrefix) {
            error({"“人民币”只能写在最前面"});
            return words::kPrefix.size();
        }
        if (runtime::isBlank(c)) {
            error({"金额中间不得留空"});
        } else if (const std::string_view better = replacementOf(c); !better.empty()) {
            error({"不是大写金额用字，应写“", better, "”"});
        } else {
            error({"不是大写金额用字"});
        }
        return unitsAt(text_, i_);
    }

    // --- the structure ---

    // Reads the symbol at the current character (and the place or 角/分 that belongs to a
    // digit); returns the code units it takes.
    std::size_t step(const Symbol& s) {
        if (closingIndex_ != kNone)
            return error({"“", closing(), "”之后不再写字"});
        if (zeroIndex_ != kNone && !(s.kind == Kind::Digit && s.value > 0))
            return error({"“零”后应紧跟非零数字"});
        if (zeroAmount_ && s.kind != Kind::Closing)
            return error({"“零", unit(), "”之后只写“整”或“正”"});
        switch (s.kind) {
            case Kind::Minus:
                if (started_ || minusIndex_ != kNone)
                    return error({"“负”只能写在金额最前面"});
                minusIndex_ = i_;
                return 1;
            case Kind::Digit:
                return s.value == 0 ? zero() : digit(s.value, false);
            case Kind::Place:
                if (!started_ && s.value == 1) {
                    report(Severity::Warning, i_, {"开头的“拾”前应写“壹”"});
                    return digit(1, true);
                }
                return error({"“", here(), "”前应有数字"});
            case Kind::Wan:
            case Kind::Yi:
            case Kind::Yuan:
                return sectionUnit(s);
            case Kind::Jiao:
            case Kind::Fen:
                return error({"“", here(), "”前应有数字"});
            case Kind::Closing:
                return close(s.value);
            case Kind::Other:
                break;
        }
        return 1;
    }

    // Why a non-zero digit cannot stand at `place`; None when it can.
    Misplaced misplaced(int place) const {
        if (place >= digitAt_ || place >= unitAt_)
            return Misplaced::Order;
        if (digitAt_ == kAbove)
            return Misplaced::None;
        const bool skipped = digitAt_ - place > 1;
        if (!skipped && zeroIndex_ != kNone)
            return Misplaced::ExtraZero;
        // The 零 may be left out only where the skipped places end at a written 圆, 万 or 亿.
        if (skipped && zeroIndex_ == kNone && unitAt_ != place + 1)
            return Misplaced::MissingZero;
        return Misplaced::None;
    }

    // Reports why a digit cannot stand where it is, at `at`: the character that names its
    // place when the text is right up to that, the digit otherwise. A missing 零 is named at
    // the digit it belongs before.
    std::size_t misplace(Misplaced why, std::size_t at) {
        switch (why) {
            case Misplaced::ExtraZero:
                report(Severity::Error, at, {"与上一位相连，前面不写“零”"});
                return 1;
            case Misplaced::MissingZero:
                return error({"前面隔有零位，应先写“零”"});
            default:
                report(Severity::Error, at, {"数位重复或颠倒，应从大到小书写"});
                return 1;
        }
    }

    // A non-zero digit, with the place written after it; `impliedOne` for a leading 拾, which
    // is read as 壹拾.
    std::size_t digit(int d, bool impliedOne) {
        const bool followed = !impliedOne && i_ + 1 < text_.size();
        Symbol next = followed ? classify(text_[i_ + 1]) : Symbol{};
        // A slip after the digit (十 for 拾) places the digit as what was meant, so that the
        // slip alone is at fault; it is left for the loop to name.
        std::size_t withNext = 2;
        if (const char16_t meant = next.kind == Kind::Other ? meantFor(text_[i_ + 1]) : 0) {
            next = classify(meant);
            withNext = 1;
        }
        if (next.kind == Kind::Jiao || next.kind == Kind::Fen) {
            const int place = next.kind == Kind::Jiao ? kJiao : kFen;
            // Where the digit could stand in another place, the fault is its 角 or 分.
            const std::size_t at = integerFits() || fractionFits() ? i_ + 1 : i_;
            if (place >= digitAt_ || place >= unitAt_)
                return misplace(Misplaced::Order, at);
            if (digitAt_ != kAbove && digitAt_ >= kYuan && unitAt_ != kYuan) {
                report(Severity::Error, at, {"整数部分后缺“圆”或“元”"});
                return 1;
            }
            if (const Misplaced why = misplaced(place); why != Misplaced::None)
                return misplace(why, i_ + 1);
            return take(d, place, withNext);
        }
        if (unitAt_ == kYuan || digitAt_ <= kJiao) {
            // The digit is right if 角 or 分 follows it.
            report(Severity::Error, followed ? i_ + 1 : i_, {"圆以下的数字应带“角”或“分”"});
            return 1;
        }

        // The digit's place inside its section: the 拾, 佰 or 仟 after it, or the ones.
        const bool placeWritten = next.kind == Kind::Place;
        const int inSection = impliedOne ? 1 : placeWritten ? next.value : 0;
        // The first digit of a section takes its section from the unit ahead; the others stay
        // in the section of the digit before them, and a unit ahead that disagrees is at fault.
        const int base = sectionEmpty_ ? sectionBase() : currentSection();
        int place = kYuan + base + inSection;
        const Misplaced why = misplaced(place);
        if (why == Misplaced::None)
            return take(d, place, placeWritten ? withNext : 1);
        // The unit ahead cannot follow what has been read. When the first digit fits a lower
        // section, the text is right up to that unit, and the fault is the unit's.
        int lower = base - kSection;
        while (lower >= lowestSection() && misplaced(kYuan + lower + inSection) != Misplaced::None)
            lower -= kSection;
        if (lower >= lowestSection()) {
            lowered_ = why;
            return take(d, kYuan + lower + inSection, placeWritten ? withNext : 1);
        }
        // A digit that could stand in another place is right; what follows it is not.
        const bool right = why != Misplaced::MissingZero && followed && integerFits();
        return misplace(why, right ? i_ + 1 : i_);
    }

    // Whether a non-zero digit here could still be a 角 or 分 digit.
    bool fractionFits() const {
        return (unitAt_ == kYuan || digitAt_ == kJiao) &&
               (misplaced(kJiao) == Misplaced::None || misplaced(kFen) == Misplaced::None);
    }

    // The ones of the section of the last digit, above 圆.
    int currentSection() const { return (digitAt_ - kYuan) / kSection * kSection; }

    // The lowest section the next digit may take: its own once a digit of it has been read;
    // below the last unit otherwise, and right below the 万 of 万亿, which 亿 always follows.
    int lowestSection() const {
        if (!sectionEmpty_)
            return currentSection();
        return unitAt_ == kWanYi ? kYi - kYuan : 0;
    }

    // Whether a non-zero digit here could still be one of the integer part, in some place.
    bool integerFits() const {
        if (digitAt_ < kYuan || unitAt_ <= kYuan)
            return false;
        const int top = sectionEmpty_ ? unitAt_ - kYuan - kSection : currentSection();
        for (int base = std::max(top, 0); base >= lowestSection(); base -= kSection) {
            for (int inSection = 0; inSection < kSection; ++inSection) {
                if (misplaced(kYuan + base + inSection) == Misplaced::None)
                    return true;
            }
        }
        return false;
    }

    std::size_t take(int d, int place, std::size_t taken) {
        cents_ += static_cast<std::uint64_t>(d) * kCentsOfPlace[static_cast<std::size_t>(place)];
        digitAt_ = place;
        zeroIndex_ = kNone;
        started_ = true;
        sectionEmpty_ = false;
        return taken;
    }

    // The place of the ones of the section the current digit belongs to, above 圆: 4 for 万,
    // 8 for 亿, 12 for the 万 of 万亿, 0 otherwise. The section's unit is the first 万, 亿 or
    // 圆 ahead; one found serves every digit before it.
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

    // The place of the 万 at `index`: that of 万亿 when it is the amount's first unit and a 亿
    // follows it in the integer part, before any 圆, 角, 分 or closing.
    int wanPlace(std::size_t index) {
        if (unitAt_ != kAbove)
            return kWan;
        if (index >= integerEnd_) {  // each stretch of text is searched once
            lastYi_ = kNone;
            std::size_t j = index + 1;
            for (; j < text_.size(); ++j) {
                const Kind k = classify(text_[j]).kind;
                if (k == Kind::Yi)
                    lastYi_ = j;
                else if (k == Kind::Yuan || k == Kind::Jiao || k == Kind::Fen || k == Kind::Closing)
                    break;
            }
            integerEnd_ = j;
        }
        return lastYi_ != kNone && index < lastYi_ ? kWanYi : kWan;
    }

    // The kind of the character `ahead` places after the current one; Other past the end.
    Kind kindAhead(std::size_t ahead) const {
        return i_ + ahead < text_.size() ? classify(text_[i_ + ahead]).kind : Kind::Other;
    }

    std::size_t zero() {
        const Kind next = kindAhead(1);
        if (!started_) {
            if (next != Kind::Yuan)
                return error({"金额不以“零”开头，零元写作“零圆整”"});
            // 零圆 names zero in 零圆整, or opens an amount under one yuan whose 角 and 分
            // follow, as other systems write it.
            style_.unit = classify(text_[i_ + 1]).value == 1 ? Unit::Common : Unit::Formal;
            started_ = true;
            unitAt_ = kYuan;
            unitIndex_ = yuanIndex_ = i_ + 1;
            if (kindAhead(2) == Kind::Digit &&
                (kindAhead(3) == Kind::Jiao || kindAhead(3) == Kind::Fen)) {
                openerIndex_ = i_;
                return 2;
            }
            if (minusIndex_ != kNone) {
                report(Severity::Error, minusIndex_, {"金额为零，不写“负”"});
                return 1;
            }
            zeroAmount_ = true;
            return 2;
        }
        // A 零 stands for places left out: after a 圆, 万 or 亿, or after a digit with a place
        // two or more above the next one it could be followed by in its section.
        const bool adjacent = digitAt_ == kJiao || (digitAt_ - kYuan) % kSection == 1;
        const bool last = digitAt_ == kFen || (digitAt_ - kYuan) % kSection == 0;
        const bool fits = sectionEmpty_ || !(adjacent || last);
        if (next == Kind::Jiao || next == Kind::Fen)
            return zeroPlace(next == Kind::Jiao ? kJiao : kFen, fits);
        if (!fits && adjacent)
            return error({"前后两位相连，中间不写“零”"});
        if (!fits)
            return error({"个位或“分”之后不写“零”"});
        zeroIndex_ = i_;
        return 1;
    }

    // 零角 or 零分: a zero written out in its place, as other systems write cents. Where a 零
    // could stand here, the fault is its 角 or 分.
    std::size_t zeroPlace(int place, bool fits) {
        const std::size_t at = fits ? i_ + 1 : i_;
        if (place >= digitAt_ || place >= unitAt_)
            return misplace(Misplaced::Order, at);
        if (unitAt_ != kYuan && digitAt_ != kJiao) {
            report(Severity::Error, at, {"整数部分后缺“圆”或“元”"});
            return 1;
        }
        if (spelledIndex_ == kNone)
            spelledIndex_ = i_;
        digitAt_ = place;
        return 2;
    }

    std::size_t sectionUnit(const Symbol& s) {
        if (!started_)
            return error({"“", here(), "”前应有数字"});
        const int place = s.kind == Kind::Yuan ? kYuan : s.kind == Kind::Yi ? kYi : wanPlace(i_);
        if (place < unitAt_ && place > digitAt_ && lowered_ == Misplaced::ExtraZero)
            return error({"与前面的“零”不符，二者只写其一"});
        if (place >= unitAt_ || place > digitAt_)
            return error({"数位重复或颠倒，应从大到小书写"});
        if (place == kWan && sectionEmpty_)
            return error({"亿后的万位全为零，不写“", here(), "”"});
        if (s.kind == Kind::Yuan) {
            style_.unit = s.value == 1 ? Unit::Common : Unit::Formal;
            yuanIndex_ = i_;
        }
        unitAt_ = place;
        unitIndex_ = i_;
        sectionEmpty_ = true;
        lowered_ = Misplaced::None;
        return 1;
    }

    std::size_t close(int value) {
        if (!started_)
            return error({"“", here(), "”前应有数字"});
        if (digitAt_ == kFen)
            return error({"“分”后不写“", here(), "”"});
        if (digitAt_ != kJiao && unitAt_ != kYuan)
            return error({"整数部分后缺“圆”或“元”"});
        style_.closing = value == 1 ? Closing::Exact : Closing::Whole;
        closingIndex_ = i_;
        return 1;
    }

    void finish() {
        const std::size_t last = text_.empty() ? 0 : text_.size() - 1;
        const bool open = closingIndex_ == kNone;
        if (zeroIndex_ != kNone) {
            report(Severity::Error, zeroIndex_, {"“零”后应紧跟非零数字"});
        } else if (!started_) {
            // Where the amount should begin: after 人民币 and 负.
            const std::size_t begin = minusIndex_ != kNone ? minusIndex_ + 1 : prefixEnd();
            if (detailed(Severity::Error, begin))
                add(Severity::Error, begin) += "起没有金额：应写出大写金额";
        } else if (minusIndex_ != kNone && cents_ == 0) {
            report(Severity::Error, minusIndex_, {"金额为零，不写“负”"});
        } else if (open && digitAt_ == kJiao) {
            style_.closeAfterJiao = false;
            // Spelled-out cents are answered with the whole writing below.
            if (spelledIndex_ == kNone && openerIndex_ == kNone &&
                (!house_ || house_->closeAfterJiao))
                report(Severity::Warning, last, {"按会计规定，“角”后应写“整”或“正”"});
        } else if (open && digitAt_ != kFen && unitAt_ == kYuan) {
            report(Severity::Error, last, {"“", unit(), "”后应写“整”或“正”"});
        } else if (open && digitAt_ != kFen) {
            report(Severity::Error, last, {"整数部分后缺“圆”或“元”"});
        }
    }

    std::size_t prefixEnd() const { return style_.prefix ? words::kPrefix.size() : 0; }
    Utf8Char unit() const { return Utf8Char(text_[unitIndex_]); }
    Utf8Char closing() const { return Utf8Char(text_[closingIndex_]); }

    void writeAmount() {
        std::size_t k = amount_.size();
        std::uint64_t v = cents_;
        do {
            amount_[--k] = static_cast<char>('0' + v % 10);
            v /= 10;
            if (k == amount_.size() - 2)
                amount_[--k] = '.';
        } while (v > 0 || k > amount_.size() - 4);
        if (minusIndex_ != kNone)
            amount_[--k] = '-';
        amountStart_ = k;
    }

    // 零元, 零角 or 零分 as other systems write them: read, with the standard writing, at the
    // first of them that it leaves out (a zero amount keeps its 零元).
    void spelledOut() {
        const std::size_t index =
            openerIndex_ != kNone && cents_ != 0 ? openerIndex_ : spelledIndex_;
        if (index == kNone)
            return;
        Text money(amount().begin(), amount().end());
        Text standard;
        Style style = style_;
        style.closeAfterJiao = true;
        if (!tryConvertAmount(money, standard, style))
            return;  // every amount read has a writing
        report(Severity::Warning, index,
               {"“", runtime::toUtf8(text_.substr(index, 2)), "”不必写出，应写“",
                runtime::toUtf8(standard), "”"});
    }

    // Departures from the house style.
    void houseStyle() {
        if (!house_)
            return;
        if (house_->prefix && !style_.prefix)
            report(Severity::Warning, 0, {"按指定格式，金额前应写“人民币”"});
        if (yuanIndex_ != kNone && house_->unit != style_.unit) {
            report(Severity::Warning, yuanIndex_,
                   {"按指定格式应写“",
                    Utf8Char((house_->unit == Unit::Common ? words::kCommonYuan
                                                           : words::kFormalYuan)[0]),
                    "”"});
        }
        if (closingIndex_ != kNone && house_->closing != style_.closing) {
            report(
                Severity::Warning, closingIndex_,
                {"按指定格式应写“",
                 Utf8Char((house_->closing == Closing::Exact ? words::kExact : words::kWhole)[0]),
                 "”"});
        }
    }

    TextView text_;
    std::size_t offset_ = 0;  // code units of the blanks trimmed in front
    std::vector<Finding>& findings_;
    Style& style_;
    const std::optional<Style>& house_;
    std::size_t i_ = 0;  // the current character's index in code units
    bool failed_ = false;
    std::size_t omitted_ = 0;  // findings counted, not written
    std::size_t omittedIndex_ = 0;
    bool omittedErrors_ = false;
    std::size_t countedIndex_ = 0;  // position() has counted the characters up to here
    std::size_t countedChars_ = 0;

    bool started_ = false;       // a digit of the amount has been read
    bool zeroAmount_ = false;    // 零圆 has been read
    bool sectionEmpty_ = true;   // no digit since the last 万, 亿 or 圆
    int digitAt_ = kAbove;       // place of the last non-zero digit
    int unitAt_ = kAbove;        // place of the last 万, 亿 or 圆
    std::size_t unitIndex_ = 0;  // and its index
    std::size_t yuanIndex_ = kNone;
    std::size_t minusIndex_ = kNone;
    std::size_t zeroIndex_ = kNone;     // a 零 waiting for its digit
    std::size_t closingIndex_ = kNone;  // 整 or 正
    std::size_t openerIndex_ = kNone;   // 零圆 opening an amount under one yuan
    std::size_t spelledIndex_ = kNone;  // the first 零角 or 零分
    // Why the digits since the last unit stand lower than the unit ahead names.
    Misplaced lowered_ = Misplaced::None;
    std::size_t sectionEnd_ = 0;  // index of the unit ahead, found for an earlier digit
    int sectionBase_ = 0;
    std::size_t integerEnd_ = 0;  // the integer part searched for a 亿 ends here
    std::size_t lastYi_ = kNone;  // and its last 亿
    std::uint64_t cents_ = 0;
    std::array<char, 24> amount_;
    std::size_t amountStart_ = 0;
};

}  // namespace

void read(TextView upper, Reading& out, const std::optional<Style>& house) {
    Scanner scanner(upper, out.findings, out.style, house);
    if (!scanner.run()) {
        out.amount.reset();
        return;
    }
    if (!out.amount)
        out.amount.emplace();
    out.amount->assign(scanner.amount());
}

void check(TextView amount, TextView upper, Check& out, const std::optional<Style>& house) {
    // The reading's findings become the check's; its amount is compared where it was written.
    Style style;
    Scanner scanner(upper, out.findings, style, house);
    const bool read = scanner.run();
    Text digits;
    bool rounded = false;
    const auto add = [&out](Severity severity) -> std::string& {
        return out.findings.emplace_back(Finding{severity, 0, {}}).message;
    };
    if (runtime::tryFormatFixed2(amount, digits, &rounded)) {
        std::string& message = add(Severity::Error);
        message += "小写金额“";
        appendQuoted(amount, message);
        message += "”不是数字";
    } else if (read && !std::equal(digits.begin(), digits.end(), scanner.amount().begin(),
                                   scanner.amount().end())) {
        std::string& message = add(Severity::Error);
        message.append("大写为 ").append(scanner.amount()).append("，小写为 ");
        runtime::appendUtf8(digits, message);
    } else if (rounded) {
        std::string& message = add(Severity::Warning);
        message += "小写金额“";
        appendQuoted(amount, message);
        message += "”有两位以上小数，已四舍五入到分：";
        runtime::appendUtf8(digits, message);
    }
    out.verdict = Verdict::Ok;
    for (const Finding& f : out.findings) {
        if (f.severity == Severity::Error) {
            out.verdict = Verdict::Fail;
            break;
        }
        out.verdict = Verdict::Warn;
    }
}

}  // namespace tessaly::convert

#include "convert/scan.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

#include "convert/alphabet.h"
#include "convert/reader.h"
#include "runtime/number.h"
#include "runtime/text.h"

namespace tessaly::convert {

namespace {

using runtime::Text;

// What a character can be in an uppercase amount found in running text.
enum class Role : std::uint8_t {
    None,  // no part of one; as the role before a run, its start
    Ren,   // 人, 民, 币 in this order
    Min,
    Bi,
    Minus,
    Digit,
    Place,
    Big,  // 万, 亿
    Yuan,
    Jiao,
    Fen,
    Closing,
};

// The numerals of everyday writing (一, 十 ...) are slips the reader names: they stand for a
// digit or a place, but only between the financial characters of an amount, so that 第一条 or
// 一万元 written plainly is no uppercase amount while 壹万二千元 is one with its finding.
Role slip(char32_t c) {
    switch (c) {
        case U'〇':
        case U'一':
        case U'二':
        case U'三':
        case U'四':
        case U'五':
        case U'六':
        case U'七':
        case U'八':
        case U'九':
        case U'两':
        case U'兩':
            return Role::Digit;
        case U'十':
        case U'百':
        case U'千':
            return Role::Place;
        default:
            return Role::None;
    }
}

Role role(char32_t c) {
    using alphabet::Kind;
    if (c < U'〇' || c > 0xFFFF)
        return Role::None;  // all of them are CJK characters
    const alphabet::Symbol s = alphabet::classify(static_cast<char16_t>(c));
    switch (s.kind) {
        case Kind::Digit:
            return Role::Digit;
        case Kind::Place:
            return Role::Place;
        case Kind::Wan:
        case Kind::Yi:
            return Role::Big;
        case Kind::Yuan:
            return Role::Yuan;
        case Kind::Jiao:
            return Role::Jiao;
        case Kind::Fen:
            return Role::Fen;
        case Kind::Closing:
            return Role::Closing;
        case Kind::Minus:
            return Role::Minus;
        case Kind::Prefix:
            return s.value == 0 ? Role::Ren : s.value == 1 ? Role::Min : Role::Bi;
        case Kind::Other:
            break;
    }
    return slip(c);
}

// Whether `next` can follow `prev` in an amount, wrong amounts included: loose enough that a
// clerk's error stays inside the amount for the reader to name, strict enough that a unit or a
// closing that belongs to the words around (部分, 元旦, 整体, 正本) is left to them.
bool fits(Role prev, Role next) {
    const auto any = [next](std::initializer_list<Role> roles) {
        for (const Role r : roles) {
            if (r == next)
                return true;
        }
        return false;
    };
    switch (prev) {
        case Role::None:
            return any({Role::Ren, Role::Minus, Role::Digit, Role::Place});
        case Role::Ren:
            return next == Role::Min;
        case Role::Min:
            return next == Role::Bi;
        case Role::Bi:
            return any({Role::Minus, Role::Digit, Role::Place});
        case Role::Minus:
            return any({Role::Digit, Role::Place});
        case Role::Digit:
            return any({Role::Digit, Role::Place, Role::Big, Role::Yuan, Role::Jiao, Role::Fen});
        case Role::Place:
        case Role::Big:
            return any({Role::Digit, Role::Place, Role::Big, Role::Yuan});
        case Role::Yuan:
        case Role::Jiao:
            return any({Role::Digit, Role::Closing});
        case Role::Fen:
            return next == Role::Closing;
        case Role::Closing:
            return false;
    }
    return false;
}

// The one space that text taken from a PDF often has between two characters.
bool isInnerSpace(char32_t c) {
    return c == U' ' || c == U'\u3000' || c == U'\u00A0';
}

// A digit, ASCII or full-width, as its ASCII character; 0 for any other.
char asciiDigit(char32_t c) {
    if (c >= U'0' && c <= U'9')
        return static_cast<char>(c);
    if (c >= U'０' && c <= U'９')
        return static_cast<char>('0' + (c - U'０'));
    return 0;
}

bool isAsciiLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

// Part of a code, a version or a number that digits after it continue: A12, v1.2, No.5.
bool isWordChar(char32_t c) {
    return isAsciiLetter(c) || asciiDigit(c) != 0 || c == U'_' || c == U'.' || c == U'．';
}

// After digits, what makes them a count, a date or a share rather than money.
bool isCountWord(char32_t c) {
    static constexpr std::u32string_view kWords = U"%％‰年月日号條条款项個个份次天倍岁层页章节时";
    return kWords.find(c) != kWords.npos;
}

// What may stand between a label (大写, 小写, 金额) and the amount it introduces.
bool isLabelGap(char32_t c) {
    static constexpr std::u32string_view kGap = U"：:（）()为為";
    return runtime::isBlank(static_cast<char16_t>(c > 0xFFFF ? 0 : c)) || kGap.find(c) != kGap.npos;
}

bool isSentenceEnd(char32_t c) {
    static constexpr std::u32string_view kEnds = U"。；;！!？?\f\u2029";
    return kEnds.find(c) != kEnds.npos;
}

// A place in the text being scanned.
struct Cursor {
    std::size_t pos = 0;    // bytes
    std::size_t index = 0;  // characters
    char32_t prev = 0;      // the character before it
};

// An amount found, before pairing.
struct Token {
    bool upper = false;
    Cursor begin;
    Cursor end;
    std::size_t sentence = 0;
    Text text;               // what the reader is given
    std::size_t line = 0;    // from 1
    std::size_t column = 0;  // in characters, from 1
    std::size_t partner = kNone;
    // In a table row after the label of its kind (大写 before uppercase, 小写 before digits),
    // as a form writes an amount on two rows.
    bool labelledRow = false;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
};

// Digits that would make the amount longer than any the reader takes are no amount; the bound
// keeps what is kept of each one small.
constexpr std::size_t kMaxNumber = 40;

// `number` ([-]digits[.digits], "," groups allowed) times 10^scale, as a plain number.
Text plainNumber(std::string_view number, std::size_t scale) {
    std::string digits;
    bool negative = false;
    std::size_t point = std::string::npos;
    for (const char c : number) {
        if (c == '-')
            negative = true;
        else if (c == '.')
            point = digits.size();
        else if (c != ',')
            digits += c;
    }
    if (point == std::string::npos)
        point = digits.size();
    point += scale;
    if (digits.size() < point)
        digits.append(point - digits.size(), '0');
    std::size_t first = 0;
    while (first + 1 < point && digits[first] == '0')
        ++first;
    Text out;
    if (negative)
        out += u'-';
    out.append(digits.begin() + static_cast<std::ptrdiff_t>(first),
               digits.begin() + static_cast<std::ptrdiff_t>(point));
    if (point < digits.size()) {
        out += u'.';
        out.append(digits.begin() + static_cast<std::ptrdiff_t>(point), digits.end());
    }
    return out;
}

// One pass over the text, left to right, finding the amounts and the sentences they stand in.
class Scanner {
public:
    // `done` is given the amounts of each sentence in turn, so that only one sentence's are
    // ever held.
    Scanner(std::string_view text, std::function<void(std::vector<Token>&)> done)
        : text_(text), done_(std::move(done)) {}

    void run() {
        row_ = lineHasTab(cur_);
        sentence_ += row_ ? 1 : 0;
        while (!atEnd(cur_)) {
            const Char ch = peek(cur_);
            if (asciiDigit(ch.c) != 0)
                digits();
            else if (fits(Role::None, role(ch.c)))
                upper();
            else
                other(ch);
        }
        flush();
        if (!held_.empty())
            done_(held_);
    }

private:
    struct Char {
        char32_t c;
        std::size_t size;
    };
    // Where digits would start that something before marks as money or as negative.
    struct Lead {
        Cursor start;
        bool marked = false;  // ¥, ￥, RMB, 人民币
        bool negative = false;
        bool spaced = false;  // the one space allowed has been passed
    };

    bool atEnd(const Cursor& at) const { return at.pos >= text_.size(); }
    Char peek(const Cursor& at) const {
        const auto byte = [this, &at](std::size_t k) -> char32_t {
            return static_cast<unsigned char>(text_[at.pos + k]);
        };
        const char32_t b0 = byte(0);
        if (b0 < 0x80)
            return {b0, 1};
        // The Chinese characters: three bytes, well formed whatever the second is when the first
        // is neither E0 nor ED (their second byte bounds the overlong forms and the surrogates).
        if (b0 >= 0xE1 && b0 <= 0xEF && b0 != 0xED && at.pos + 2 < text_.size() &&
            (byte(1) & 0xC0) == 0x80 && (byte(2) & 0xC0) == 0x80)
            return {(b0 & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F), 3};
        char32_t c = 0;
        const std::size_t size = runtime::decodeUtf8(text_.substr(at.pos), c);
        return {c, size == 0 ? 1 : size};
    }
    static void step(Cursor& at, const Char& ch) {
        at.pos += ch.size;
        ++at.index;
        at.prev = ch.c;
    }

    // A line that holds a tab is a table row as a spreadsheet or a word processor copies one:
    // its cells pair with each other only.
    bool lineHasTab(const Cursor& from) const {
        std::string_view line = text_.substr(from.pos);
        line = line.substr(0, line.find('\n'));
        line = line.substr(0, line.find('\r'));
        return line.find('\t') != std::string_view::npos;
    }

    // A run of the uppercase characters; an amount when it names money.
    void upper() {
        lineHasText_ = true;
        const Cursor start = cur_;
        const bool labelled = std::exchange(labelUpper_, false);
        labelDigits_ = false;
        lead_.reset();
        Text text;
        Role prev = Role::None;
        Cursor good = start;  // after the last financial character
        std::size_t goodSize = 0;
        bool numeral = false;
        bool unit = false;
        bool prefixed = false;
        Cursor at = cur_;  // in registers, not in the scanner
        while (!atEnd(at)) {
            const Char ch = peek(at);
            Role r = role(ch.c);
            if (r == Role::None && isInnerSpace(ch.c)) {
                Cursor after = at;
                step(after, ch);
                if (atEnd(after) || !fits(prev, role(peek(after).c)))
                    break;
                at = after;
                continue;
            }
            if (!fits(prev, r))
                break;
            step(at, ch);
            text += static_cast<char16_t>(ch.c);
            prev = r;
            if (slip(ch.c) == Role::None) {
                good = at;
                goodSize = text.size();
                numeral = numeral || r == Role::Digit || r == Role::Place;
            }
            unit = unit || r == Role::Yuan || r == Role::Jiao || r == Role::Fen;
            prefixed = prefixed || r == Role::Bi;
            if (r == Role::Closing)
                break;
        }
        cur_ = at;
        // What follows the last financial character (numerals of everyday writing, a space)
        // belongs to the words after.
        text.resize(goodSize);
        // 伍分钟 is a time.
        if (prev == Role::Fen && !atEnd(at) && peek(at).c == U'钟')
            return;
        if (numeral && (unit || prefixed || labelled)) {
            add(true, start, good, std::move(text));
        } else if (prefixed && goodSize == 3) {
            lead_ = Lead{start, true};  // 人民币 before digits
        }
    }

    // Digits with their sign, groups and decimals; an amount when something marks them as
    // money.
    void digits() {
        lineHasText_ = true;
        const std::optional<Lead> lead = std::exchange(lead_, std::nullopt);
        const bool labelled = std::exchange(labelDigits_, false);
        labelUpper_ = false;
        const Cursor start = cur_;
        if (!lead && isWordChar(start.prev)) {
            while (!atEnd(cur_) && isWordChar(peek(cur_).c))
                step(cur_, peek(cur_));
            return;
        }
        std::string number = lead && lead->negative ? "-" : "";
        bool point = false;
        while (!atEnd(cur_)) {
            const Char ch = peek(cur_);
            if (const char d = asciiDigit(ch.c)) {
                step(cur_, ch);
                if (number.size() <= kMaxNumber)
                    number += d;
                continue;
            }
            const bool comma = ch.c == U',' && !point;
            if (comma || (!point && (ch.c == U'.' || ch.c == U'．'))) {
                Cursor after = cur_;
                step(after, ch);
                if (!atEnd(after) && asciiDigit(peek(after).c) != 0) {
                    cur_ = after;
                    number += comma ? ',' : '.';
                    point = !comma;
                    continue;
                }
            }
            break;
        }
        if (!atEnd(cur_)) {
            // A date (2024-05-01, 2024.05.01), a time, a version, a share or a count.
            const Char ch = peek(cur_);
            Cursor after = cur_;
            step(after, ch);
            const bool joined =
                std::u32string_view(U"-/:.．,").find(ch.c) != std::u32string_view::npos &&
                !atEnd(after) && asciiDigit(peek(after).c) != 0;
            if (joined || isCountWord(ch.c) || isAsciiLetter(ch.c))
                return;
        }
        // 元, 万元 or 亿元 after, a space between as pdftotext writes it.
        std::size_t scale = 0;
        bool unit = false;
        Cursor at = cur_;
        if (!atEnd(at) && isInnerSpace(peek(at).c))
            step(at, peek(at));
        if (!atEnd(at)) {
            const Char u = peek(at);
            step(at, u);
            if (u.c == U'元') {
                unit = true;
            } else if ((u.c == U'万' || u.c == U'萬' || u.c == U'亿' || u.c == U'億') &&
                       !atEnd(at) && peek(at).c == U'元') {
                step(at, peek(at));
                unit = true;
                scale = u.c == U'万' || u.c == U'萬' ? 4 : 8;
            }
        }
        if (unit)
            cur_ = at;
        if (!(unit || (lead && lead->marked) || labelled) || number.size() > kMaxNumber)
            return;
        Text formatted;
        if (runtime::tryFormatFixed2(Text(number.begin(), number.end()), formatted))
            return;  // groups that are not of three
        add(false, lead ? lead->start : start, cur_, plainNumber(number, scale));
    }

    // Any other character: sentences and lines, labels, and what marks the digits after it.
    void other(const Char& ch) {
        const char32_t c = ch.c;
        const Cursor start = cur_;
        step(cur_, ch);
        if (!runtime::isBlank(static_cast<char16_t>(c > 0xFFFF ? 0 : c)))
            lineHasText_ = true;
        if (c == U'\n' || (c == U'\r' && (atEnd(cur_) || peek(cur_).c != U'\n'))) {
            // A blank line ends a paragraph; a table row stands alone.
            ++line_;
            lineStart_ = cur_.index;
            sentence_ += row_ || !lineHasText_ ? 1 : 0;
            lineHasText_ = false;
            rowLabelUpper_ = rowLabelDigits_ = false;
            row_ = lineHasTab(cur_);
            sentence_ += row_ ? 1 : 0;
        } else if (isSentenceEnd(c)) {
            ++sentence_;
        }
        label(c, start.prev);
        lead(c, start);
    }

    void label(char32_t c, char32_t before) {
        const bool write = c == U'写' || c == U'寫';
        if (write && before == U'大') {
            labelUpper_ = rowLabelUpper_ = true;
        } else if ((write && before == U'小') || ((c == U'额' || c == U'額') && before == U'金')) {
            labelDigits_ = true;
            rowLabelDigits_ = rowLabelDigits_ || write;
        } else if (!isLabelGap(c) && c != U'大' && c != U'小' && c != U'金') {
            labelUpper_ = labelDigits_ = false;
        }
    }

    void lead(char32_t c, const Cursor& start) {
        const char32_t lower = c | 0x20;
        rmb_ = lower == U'r' && !isAsciiLetter(start.prev) ? 1
               : lower == U'm' && rmb_ == 1                ? 2
               : lower == U'b' && rmb_ == 2                ? 3
                                                           : 0;
        if (rmb_ == 1)
            rmbStart_ = start;
        if (c == U'¥' || c == U'￥' || rmb_ == 3) {
            if (lead_ && lead_->negative && !lead_->marked)
                lead_->marked = true;  // -¥8.00
            else
                lead_ = Lead{rmb_ == 3 ? rmbStart_ : start, true};
        } else if ((c == U'-' || c == U'－' || c == U'−') && !isWordChar(start.prev) &&
                   start.prev != U'元') {  // 1万元-2万元 is a range
            if (lead_ && lead_->marked && !lead_->negative)
                lead_->negative = true;  // ¥-8.00
            else
                lead_ = Lead{start, false, true};
        } else if (lead_ && isInnerSpace(c) && !lead_->spaced) {
            lead_->spaced = true;
        } else if (rmb_ == 0 || rmb_ == 3) {
            lead_.reset();
        }
    }

    // A form writes an amount on two table rows, one labelled 大写 and the next 小写 (or the
    // other way round), each with that amount alone: the two make one pair. A row's lone
    // labelled amount is held until the next sentence shows whether it is the other half.
    void flush() {
        const bool half = tokens_.size() == 1 && tokens_[0].labelledRow;
        if (!held_.empty()) {
            if (half && tokens_[0].upper != held_[0].upper &&
                tokens_[0].line == held_[0].line + 1) {
                held_.push_back(std::move(tokens_[0]));
                tokens_.clear();
                done_(held_);
                held_.clear();
                return;
            }
            done_(held_);
            held_.clear();
        }
        if (half)
            held_.swap(tokens_);
        else if (!tokens_.empty())
            done_(tokens_);
        tokens_.clear();
    }

    void add(bool upper, const Cursor& begin, const Cursor& end, Text text) {
        if (!tokens_.empty() && tokens_.back().sentence != sentence_)
            flush();
        Token& t = tokens_.emplace_back();
        t.upper = upper;
        t.begin = begin;
        t.end = end;
        t.sentence = sentence_;
        // Nothing that begins an amount spans a line break.
        t.line = line_;
        t.column = begin.index - lineStart_ + 1;
        t.text = std::move(text);
        t.labelledRow = row_ && (upper ? rowLabelUpper_ : rowLabelDigits_);
    }

    std::string_view text_;
    Cursor cur_;
    std::function<void(std::vector<Token>&)> done_;
    std::vector<Token> tokens_;  // of the sentence being read
    std::vector<Token> held_;    // a form row's lone amount, waiting for the row after
    std::size_t sentence_ = 0;
    std::size_t line_ = 1;
    std::size_t lineStart_ = 0;  // the index of the line's first character
    bool lineHasText_ = false;
    bool row_ = false;
    bool labelUpper_ = false;      // after 大写
    bool labelDigits_ = false;     // after 小写 or 金额
    bool rowLabelUpper_ = false;   // 大写 earlier in this line
    bool rowLabelDigits_ = false;  // 小写 earlier in this line
    std::optional<Lead> lead_;
    int rmb_ = 0;  // how much of "RMB" was just read
    Cursor rmbStart_;
};

// Pairs each uppercase amount of one sentence with the nearest digits, each used once: of all
// the pairs still open, the one with the fewest characters between its two goes first, the
// earlier one on a tie. The nearest open pair always stands side by side among the amounts
// not yet paired, so only neighbours are weighed.
void pair(std::vector<Token>& tokens) {
    const std::size_t n = tokens.size();
    std::vector<std::size_t> prev(n);
    std::vector<std::size_t> next(n);
    using Candidate = std::tuple<std::size_t, std::size_t, std::size_t>;  // gap, left, right
    std::vector<Candidate> open;  // a heap, the nearest on top
    const auto consider = [&](std::size_t left, std::size_t right) {
        if (left == Token::kNone || right == Token::kNone ||
            tokens[left].upper == tokens[right].upper)
            return;
        open.emplace_back(tokens[right].begin.index - tokens[left].end.index, left, right);
        std::push_heap(open.begin(), open.end(), std::greater<>());
    };
    for (std::size_t i = 0; i < n; ++i) {
        prev[i] = i == 0 ? Token::kNone : i - 1;
        next[i] = i + 1 == n ? Token::kNone : i + 1;
        if (i > 0)
            consider(i - 1, i);
    }
    while (!open.empty()) {
        std::pop_heap(open.begin(), open.end(), std::greater<>());
        const auto [gap, left, right] = open.back();
        open.pop_back();
        if (tokens[left].partner != Token::kNone || tokens[right].partner != Token::kNone)
            continue;
        tokens[left].partner = right;
        tokens[right].partner = left;
        const std::size_t before = prev[left];
        const std::size_t after = next[right];
        if (before != Token::kNone)
            next[before] = after;
        if (after != Token::kNone)
            prev[after] = before;
        consider(before, after);
    }
}

void describe(const Token& t, Mention& m) {
    m.offset = t.begin.pos;
    m.length = t.end.pos - t.begin.pos;
    m.line = t.line;
    m.column = t.column;
    m.text.clear();
    runtime::appendUtf8(t.text, m.text);
}

Mention& slot(std::optional<Mention>& mention) {
    if (!mention)
        mention.emplace();
    return *mention;
}

}  // namespace

void scan(std::string_view text, std::vector<Found>& out, const std::optional<Style>& house) {
    std::size_t count = 0;
    Reading reading;
    Check checked;
    Text formatted;
    const auto sentence = [&](std::vector<Token>& tokens) {
        pair(tokens);
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            const Token& t = tokens[i];
            if (t.partner != Token::kNone && t.partner < i)
                continue;  // given with its partner
            if (count == out.size())
                out.emplace_back();
            Found& found = out[count++];
            const Token* upper = t.upper ? &t : nullptr;
            const Token* digits = t.upper ? nullptr : &t;
            if (t.partner != Token::kNone)
                (t.upper ? digits : upper) = &tokens[t.partner];
            if (digits) {
                Mention& m = slot(found.digits);
                describe(*digits, m);
                // Always a number: it was taken only if the format reads it.
                m.amount.reset();
                if (!runtime::tryFormatFixed2(digits->text, formatted)) {
                    m.amount.emplace();
                    runtime::appendUtf8(formatted, *m.amount);
                }
            } else {
                found.digits.reset();
            }
            if (!upper) {
                found.upper.reset();
                found.verdict.reset();
                found.findings.clear();
                continue;
            }
            Mention& m = slot(found.upper);
            describe(*upper, m);
            read(upper->text, reading, house);
            m.amount = reading.amount;
            if (digits) {
                check(digits->text, upper->text, checked, house);
                found.verdict = checked.verdict;
                found.findings = checked.findings;
                continue;
            }
            found.verdict = verdictOf(reading.findings);
            found.findings = reading.findings;
        }
    };
    Scanner(text, sentence).run();
    out.resize(count);
}

}  // namespace tessaly::convert

#pragma once

// The grammar of an uppercase amount, read from the left one character at a time. It never
// looks ahead: a run of digits whose section (万亿, 亿, 万 or the ones) only the unit after it
// can tell is followed in each section it may belong to at once, so that an error is found at
// the first character after which the text can no longer begin any correct writing, and named
// there (a 零 or 圆 left out is named at what it belongs before, when the rest of the text
// bears that out rather than a wrong character where the text broke).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include <tessaly/tessaly.h>

#include "convert/alphabet.h"
#include "convert/findings.h"
#include "runtime/text.h"

namespace tessaly::convert {

// Where the parts of a text that was read stand, for what is said about it afterwards.
struct Marks {
    std::optional<std::size_t> minus, yuan, closing;
    std::optional<std::size_t> opener;   // 零圆 opening an amount under one yuan
    std::optional<std::size_t> spelled;  // the first 零角 or 零分 written out
    std::optional<std::size_t> variant;  // the first traditional form
};

class Grammar {
public:
    Grammar(runtime::TextView text, Findings& findings) : text_(text), findings_(findings) {}

    // Reads text[begin, end): the amount itself, without the blanks around it. False when the
    // text has an error; every character that is no part of any amount is reported, the
    // structure up to its first error.
    bool read(std::size_t begin, std::size_t end);

    std::uint64_t cents() const noexcept { return paths_[0].cents; }
    bool negative() const noexcept { return marks_.minus.has_value(); }
    // The style the text is written in; a house style that leaves 角 open drops the warning for
    // a missing 整 after 角.
    const Style& style() const noexcept { return style_; }
    const Marks& marks() const noexcept { return marks_; }
    void setHouseLeavesJiaoOpen(bool open) noexcept { houseOpenJiao_ = open; }

private:
    // One way of placing the digits read so far.
    struct Path {
        int digitAt;  // place of the last non-zero digit
        int unitAt;   // place of the last 万, 亿 or 圆
        int base;     // section of the digits since the last unit, from 圆; kNoBase before
        bool wanYi;   // the last unit is the 万 of 万亿: the 亿 section comes next
        std::uint64_t cents;
    };
    enum class Why : unsigned char { None, Order, ExtraZero, MissingZero, MissingYuan };
    struct Death {
        Why why = Why::None;
        std::size_t digit = 0;  // the digit that could not stand
    };
    static constexpr int kNoBase = -1;
    static constexpr std::size_t kMaxPaths = 8;

    void error(std::size_t index, Says what, std::initializer_list<runtime::TextView> args = {});
    runtime::TextView at(std::size_t index) const { return text_.substr(index, 1); }
    bool prefix(std::size_t& i, std::size_t end);
    void stranger(std::size_t& i);
    std::size_t step(std::size_t i, const alphabet::Symbol& s);
    bool inFraction() const;
    void afterDigit(std::size_t i, const alphabet::Symbol& s);
    void zero(std::size_t i);
    void afterZero(std::size_t i, const alphabet::Symbol& s);
    Why misplaced(const Path& path, int place) const;
    static Death worse(const Death& a, const Death& b);
    void fail(const Death& death, std::size_t mark);
    void blameMissing(std::size_t missing, runtime::TextView what, Says says, std::size_t mark);
    bool readsWith(std::size_t at, std::size_t erase, runtime::TextView insert) const;
    bool place(int d, int inSection, std::size_t digit);
    void fraction(int d, int place, std::size_t digit, std::size_t mark);
    void unit(std::size_t i, const alphabet::Symbol& s);
    void close(std::size_t i, const alphabet::Symbol& s);
    bool keepComplete();
    void finish();

    runtime::TextView text_;
    Findings& findings_;
    Style style_;
    Marks marks_;
    bool houseOpenJiao_ = false;
    std::size_t begin_ = 0, end_ = 0;  // the amount in the text, without the blanks around it
    bool trial_ = false;               // reading a mended copy, to see whether it reads

    std::array<Path, kMaxPaths> paths_;  // the first pathCount_ of them
    std::size_t pathCount_ = 1;
    std::array<Death, 4> deaths_{};       // why each section a digit of this section tried failed
    Death stepDeath_;                     // why the last digit placed fits no reading
    std::size_t amountBegin_ = 0;         // where the amount begins, after 人民币 and 负
    std::size_t last_ = 0;                // the last character of the text
    bool started_ = false;                // a digit, or 零圆, has been read
    bool sectionEmpty_ = true;            // no digit since the last unit
    int inSection_ = 0;                   // the place of the last digit within its section
    std::optional<std::size_t> zero_;     // a 零 waiting for its digit
    bool zeroSpelledOnly_ = false;        // ... that may only be 零角 or 零分
    std::optional<std::size_t> pending_;  // a digit waiting for its place
    int pendingValue_ = 0;
    std::optional<std::size_t> leadingZero_;  // 零 first: 零圆 must follow
};

}  // namespace tessaly::convert

#pragma once

// What the reader says about a text, kept apart from how it reads it: each finding's place,
// counted in characters of the text as given, its words from one table, and the cap that keeps
// what is said about any text short.

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <vector>

#include <tessaly/tessaly.h>

#include "runtime/text.h"

namespace tessaly::convert {

// Everything the reader can say. "{}" in a message stands for the next argument.
enum class Says : unsigned char {
    // errors
    NotAmountCharacter,
    NotAmountCharacterMeant,
    Liang,
    Gap,
    PrefixNotFirst,
    PrefixBroken,
    AfterClosing,
    ZeroNeedsDigit,
    ZeroFirst,
    MinusNotFirst,
    NeedsDigit,
    ExtraZero,
    MissingZero,
    Order,
    MissingYuan,
    CentsNeedPlace,
    AdjacentZero,
    ZeroAfterOnes,
    ZeroConflict,
    EmptyWan,
    AfterFen,
    NoAmount,
    ZeroMinus,
    YuanNeedsClosing,
    Superfluous,
    ShouldBe,
    // warnings
    ImpliedOne,
    JiaoClosing,
    SpelledOut,
    Traditional,
    HousePrefix,
    HouseCharacter,
};

class Findings {
public:
    // Starts afresh on `text`, the text as given (blanks around included).
    Findings(runtime::TextView text, std::vector<Finding>& out);

    // 第{position}个字“{the character at index}”：{what}, with `args` in place of "{}".
    void add(Severity severity, std::size_t index, Says what,
             std::initializer_list<runtime::TextView> args = {});
    // 第{position}个字{what}: for a finding that names no character.
    void addPlace(Severity severity, std::size_t index, Says what);

    bool failed() const noexcept { return failed_; }
    // Whether findings are only counted now, past those given in full: what is said of them
    // need not be worked out.
    bool counting() const noexcept;
    // Adds the count of what was left out, if anything, and drops what is left of the last
    // text's findings: once, when the text is read.
    void close();

private:
    bool detailed(Severity severity, std::size_t index);
    std::string& begin(Severity severity, std::size_t index);
    std::size_t position(std::size_t index);

    runtime::TextView text_;
    std::vector<Finding>& out_;
    std::size_t used_ = 0;  // findings of this text in out_; the rest are the last text's
    bool failed_ = false;
    std::size_t omitted_ = 0;  // findings counted, not written
    std::size_t omittedIndex_ = 0;
    bool omittedErrors_ = false;
    std::size_t countedIndex_ = 0;  // position() has counted the characters up to here
    std::size_t countedChars_ = 0;
};

}  // namespace tessaly::convert

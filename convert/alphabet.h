#pragma once

// The characters an uppercase amount is written in, as the reader sees them: what each one is,
// the traditional forms read as the simplified ones, and what a clerk may have meant by a
// character that has no place in an amount.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "convert/vocabulary.h"

namespace tessaly::convert::alphabet {

enum class Kind : std::uint8_t {
    Digit,    // 零 to 玖: value 0 to 9
    Place,    // 拾佰仟: value 1 to 3
    Wan,      // 万
    Yi,       // 亿
    Yuan,     // 圆 (value 0) or 元 (value 1)
    Jiao,     // 角
    Fen,      // 分
    Closing,  // 整 (value 0) or 正 (value 1)
    Minus,    // 负
    Prefix,   // 人, 民, 币: value 0 to 2, their place in 人民币
    Other,
};

struct Symbol {
    Kind kind = Kind::Other;
    std::uint8_t value = 0;
    char16_t simplified = 0;  // for a traditional form, the character of today's writing
};

// The characters of an amount; the traditional forms read as the simplified, with a warning.
inline constexpr std::pair<char16_t, Symbol> kSymbols[] = {
    {u'零', {Kind::Digit, 0}},
    {u'壹', {Kind::Digit, 1}},
    {u'贰', {Kind::Digit, 2}},
    {u'貳', {Kind::Digit, 2, u'贰'}},
    {u'叁', {Kind::Digit, 3}},
    {u'參', {Kind::Digit, 3, u'叁'}},
    {u'叄', {Kind::Digit, 3, u'叁'}},
    {u'肆', {Kind::Digit, 4}},
    {u'伍', {Kind::Digit, 5}},
    {u'陆', {Kind::Digit, 6}},
    {u'陸', {Kind::Digit, 6, u'陆'}},
    {u'柒', {Kind::Digit, 7}},
    {u'捌', {Kind::Digit, 8}},
    {u'玖', {Kind::Digit, 9}},
    {u'拾', {Kind::Place, 1}},
    {u'佰', {Kind::Place, 2}},
    {u'仟', {Kind::Place, 3}},
    {u'万', {Kind::Wan}},
    {u'萬', {Kind::Wan, 0, u'万'}},
    {u'亿', {Kind::Yi}},
    {u'億', {Kind::Yi, 0, u'亿'}},
    {u'圆', {Kind::Yuan, 0}},
    {u'圓', {Kind::Yuan, 0, u'圆'}},
    {u'元', {Kind::Yuan, 1}},
    {u'角', {Kind::Jiao}},
    {u'分', {Kind::Fen}},
    {u'整', {Kind::Closing, 0}},
    {u'正', {Kind::Closing, 1}},
    {u'负', {Kind::Minus}},
    {u'負', {Kind::Minus, 0, u'负'}},
    {u'人', {Kind::Prefix, 0}},
    {u'民', {Kind::Prefix, 1}},
    {u'币', {Kind::Prefix, 2}},
    {u'幣', {Kind::Prefix, 2, u'币'}},
};

// Batches read millions of lines a character at a time, so a character's symbol is found in
// one probe: the table is the smallest size at which c % size gives each character a slot of
// its own.
inline constexpr std::size_t kSlots = [] {
    for (std::size_t size = std::size(kSymbols);; ++size) {
        std::array<bool, 1024> taken{};
        bool separated = true;
        for (const auto& [c, symbol] : kSymbols)
            separated = separated && !std::exchange(taken[c % size], true);
        if (separated)
            return size;
    }
}();

struct Slot {
    char16_t c = 0;
    Symbol symbol;
};
inline constexpr std::array<Slot, kSlots> kSlotTable = [] {
    std::array<Slot, kSlots> table{};
    for (const auto& [c, symbol] : kSymbols)
        table[c % kSlots] = {c, symbol};
    return table;
}();

constexpr Symbol classify(char16_t c) noexcept {
    const Slot& slot = kSlotTable[c % kSlots];
    return slot.c == c ? slot.symbol : Symbol{};
}

// Every word the writer writes reads as what it means.
static_assert([] {
    for (std::uint8_t d = 0; d < 10; ++d) {
        const Symbol s = classify(words::kDigits[d][0]);
        if (s.kind != Kind::Digit || s.value != d || s.simplified != 0)
            return false;
    }
    for (std::uint8_t k = 1; k <= 3; ++k) {
        const Symbol s = classify(words::kPlaces[static_cast<std::size_t>(words::kYuan + k)][0]);
        if (s.kind != Kind::Place || s.value != k)
            return false;
    }
    for (std::uint8_t k = 0; k < 3; ++k) {
        const Symbol s = classify(words::kPrefix[k]);
        if (s.kind != Kind::Prefix || s.value != k)
            return false;
    }
    return classify(words::kPlaces[words::kFen][0]).kind == Kind::Fen &&
           classify(words::kPlaces[words::kJiao][0]).kind == Kind::Jiao &&
           classify(words::kPlaces[words::kWan][0]).kind == Kind::Wan &&
           classify(words::kPlaces[words::kYi][0]).kind == Kind::Yi &&
           classify(words::kFormalYuan[0]).value == 0 &&
           classify(words::kCommonYuan[0]).value == 1 && classify(words::kWhole[0]).value == 0 &&
           classify(words::kExact[0]).value == 1 && classify(words::kMinus[0]).kind == Kind::Minus;
}());

// What a clerk may have meant by a character that has no place in an uppercase amount: each
// character written, then what belongs there.
inline constexpr std::pair<char16_t, std::u16string_view> kSlips[] = {
    {u'〇', u"零"}, {u'一', u"壹"}, {u'二', u"贰"},   {u'三', u"叁"},   {u'四', u"肆"},
    {u'五', u"伍"}, {u'六', u"陆"}, {u'七', u"柒"},   {u'八', u"捌"},   {u'九', u"玖"},
    {u'0', u"零"},  {u'1', u"壹"},  {u'2', u"贰"},    {u'3', u"叁"},    {u'4', u"肆"},
    {u'5', u"伍"},  {u'6', u"陆"},  {u'7', u"柒"},    {u'8', u"捌"},    {u'9', u"玖"},
    {u'０', u"零"}, {u'１', u"壹"}, {u'２', u"贰"},   {u'３', u"叁"},   {u'４', u"肆"},
    {u'５', u"伍"}, {u'６', u"陆"}, {u'７', u"柒"},   {u'８', u"捌"},   {u'９', u"玖"},
    {u'十', u"拾"}, {u'百', u"佰"}, {u'千', u"仟"},   {u'两', u"贰"},   {u'兩', u"贰"},
    {u'毛', u"角"}, {u'另', u"零"}, {u'廿', u"贰拾"}, {u'念', u"贰拾"}, {u'园', u"圆"},
};

// What `c` may have stood for; empty when it is no known slip.
constexpr std::u16string_view meant(char16_t c) noexcept {
    if (c < 0x80 && !(c >= u'0' && c <= u'9'))
        return {};  // junk is mostly ASCII: no need to look through them all
    for (const auto& [written, meant] : kSlips) {
        if (written == c)
            return meant;
    }
    return {};
}

// 两 is a numeral of speech, not of amounts, in either form: it is refused, with the reason.
constexpr bool isLiang(char16_t c) noexcept {
    return c == u'两' || c == u'兩';
}

}  // namespace tessaly::convert::alphabet

#pragma once

// The words of an uppercase amount, shared by the writer and the reader so that what one
// writes the other reads.

#include <array>

#include "runtime/text.h"

namespace tessaly::convert::words {

using runtime::TextView;

inline constexpr std::array<TextView, 10> kDigits = {u"零", u"壹", u"贰", u"叁", u"肆",
                                                     u"伍", u"陆", u"柒", u"捌", u"玖"};

// Places are counted from the hundredths leftwards: 分 0, 角 1, 圆 2, 拾 3 ... 仟万亿 17.
inline constexpr int kFen = 0;
inline constexpr int kJiao = 1;
inline constexpr int kYuan = 2;
inline constexpr int kWan = 6;
inline constexpr int kYi = 10;
inline constexpr int kWanYi = 14;
inline constexpr int kPlaceCount = 18;        // as far as the wide range reaches: below 10^16
inline constexpr int kNarrowPlaceCount = 11;  // up to 亿: nine integer digits

// The unit of each place, with 圆 for the yuan.
inline constexpr std::array<TextView, kPlaceCount> kPlaces = {
    u"分", u"角", u"圆", u"拾", u"佰", u"仟", u"万", u"拾", u"佰",
    u"仟", u"亿", u"拾", u"佰", u"仟", u"万", u"拾", u"佰", u"仟"};

// The two units of the yuan, the two closings and what may stand in front.
inline constexpr TextView kFormalYuan = u"圆";
inline constexpr TextView kCommonYuan = u"元";
inline constexpr TextView kWhole = u"整";
inline constexpr TextView kExact = u"正";
inline constexpr TextView kPrefix = u"人民币";
inline constexpr TextView kMinus = u"负";

}  // namespace tessaly::convert::words

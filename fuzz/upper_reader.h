#pragma once

// Test-side reader of uppercase amounts: turns "壹仟零壹圆伍角整" back into cents, and refuses
// any text that is not the one canonical way of writing its amount, so that a conversion
// writing a different amount, or the right amount in a wrong form, is caught.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plain_amount.h"

namespace tessaly::fuzz {

namespace reader_detail {

// Places count from the hundredths (0) leftwards: 分 0, 角 1, 圆 2, 拾 3 ... 亿 10.
constexpr int kYuan = 2;
constexpr int kWan = 6;
constexpr int kYi = 10;

inline int digitOf(char16_t c) {
    constexpr std::u16string_view words = u"零壹贰叁肆伍陆柒捌玖";
    const auto k = words.find(c);
    return k == std::u16string_view::npos ? -1 : static_cast<int>(k);
}

// An entry of the amount as read: a non-zero digit at its place, or a written "零".
struct Entry {
    int digit;  // 0 for a written "零"
    int place;
};

// Whether a zero in `place` writes that place's unit rather than a "零": the places 圆 and
// 万, except a 万 whose four places hold only zeros.
inline bool unitBearingZero(int place, const std::vector<int>& placeDigits) {
    if (place == kYuan)
        return true;
    if (place != kWan)
        return false;
    for (int p = kWan; p < kYi; ++p) {
        if (placeDigits[static_cast<std::size_t>(p)] != 0)
            return true;
    }
    return false;
}

}  // namespace reader_detail

inline std::optional<Cents> readUpperAmount(std::u16string_view s) {
    using namespace reader_detail;
    if (s == u"零圆整")
        return Cents{};

    Cents out;
    if (!s.empty() && s.front() == u'负') {
        out.negative = true;
        s.remove_prefix(1);
    }
    if (s.empty())
        return std::nullopt;
    if (s.back() == u'整') {
        s.remove_suffix(1);
        if (s.empty() || (s.back() != u'圆' && s.back() != u'角'))
            return std::nullopt;
    } else if (s.back() != u'分') {
        return std::nullopt;
    }

    std::vector<Entry> entries;
    std::vector<std::size_t> openSection;  // entries of the section not yet closed by its unit
    int pending = -1;                      // a digit word waiting for its unit
    bool lastWasZero = false;
    int lastSection = kYi + 1;  // the section units must come in falling order
    bool sawYuan = false;
    for (const char16_t c : s) {
        const int d = digitOf(c);
        if (d > 0) {
            if (pending >= 0)
                return std::nullopt;
            pending = d;
            lastWasZero = false;
            continue;
        }
        if (d == 0) {
            if (pending >= 0 || lastWasZero)
                return std::nullopt;
            entries.push_back({0, -1});
            lastWasZero = true;
            continue;
        }
        if (lastWasZero)
            return std::nullopt;  // a "零" is always followed by a digit

        int inSection = -1;  // 拾 佰 仟 within a section
        int section = -1;    // 圆 万 亿
        int fraction = -1;   // 角 分
        switch (c) {
            case u'拾':
                inSection = 1;
                break;
            case u'佰':
                inSection = 2;
                break;
            case u'仟':
                inSection = 3;
                break;
            case u'圆':
                section = kYuan;
                break;
            case u'万':
                section = kWan;
                break;
            case u'亿':
                section = kYi;
                break;
            case u'角':
                fraction = 1;
                break;
            case u'分':
                fraction = 0;
                break;
            default:
                return std::nullopt;
        }
        if (inSection >= 0) {
            if (pending < 0)
                return std::nullopt;
            openSection.push_back(entries.size());
            entries.push_back({pending, inSection});
            pending = -1;
        } else if (section >= 0) {
            if (section >= lastSection)
                return std::nullopt;
            if (pending >= 0) {
                openSection.push_back(entries.size());
                entries.push_back({pending, 0});
                pending = -1;
            }
            // 万 and 亿 name a section that holds a digit; 圆 may close an empty one.
            if (section != kYuan && openSection.empty())
                return std::nullopt;
            for (const std::size_t k : openSection)
                entries[k].place += section;
            openSection.clear();
            lastSection = section;
            sawYuan = sawYuan || section == kYuan;
        } else {
            if (pending < 0 || !openSection.empty())
                return std::nullopt;
            entries.push_back({pending, fraction});
            pending = -1;
            lastSection = std::min(lastSection, kYuan);
        }
    }
    if (pending >= 0 || !openSection.empty() || entries.empty())
        return std::nullopt;

    // Digits in strictly falling places, each "零" standing between two digits for a run of
    // zeros that the canonical form marks with one.
    std::vector<int> placeDigits(kYi + 1, 0);
    int previous = kYi + 1;
    for (const Entry& e : entries) {
        if (e.digit == 0)
            continue;
        if (e.place >= previous)
            return std::nullopt;
        previous = e.place;
        placeDigits[static_cast<std::size_t>(e.place)] = e.digit;
    }
    for (std::size_t k = 0; k + 1 < entries.size(); ++k) {
        const Entry& hi = entries[k];
        const Entry& lo = entries[k + 1];
        if (hi.digit == 0 || lo.digit == 0)
            continue;
        const bool gap = hi.place - lo.place >= 2;
        if (gap && !unitBearingZero(lo.place + 1, placeDigits))
            return std::nullopt;  // a run of zeros that needed its "零"
    }
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (entries[k].digit != 0)
            continue;
        if (k == 0 || k + 1 == entries.size())
            return std::nullopt;
        const Entry& hi = entries[k - 1];
        const Entry& lo = entries[k + 1];
        if (hi.place - lo.place < 2 || unitBearingZero(lo.place + 1, placeDigits))
            return std::nullopt;  // a "零" that stands for no zero, or one the form omits
    }
    // 圆 is written exactly when there is a whole part.
    bool whole = false;
    for (int p = kYuan; p <= kYi; ++p)
        whole = whole || placeDigits[static_cast<std::size_t>(p)] != 0;
    if (whole != sawYuan)
        return std::nullopt;

    std::uint64_t cents = 0;
    for (int p = kYi; p >= 0; --p)
        cents = cents * 10 + static_cast<std::uint64_t>(placeDigits[static_cast<std::size_t>(p)]);
    out.digits = std::to_string(cents);
    return out;
}

}  // namespace tessaly::fuzz

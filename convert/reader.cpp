#include "convert/reader.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "convert/amount.h"
#include "convert/findings.h"
#include "convert/grammar.h"
#include "convert/vocabulary.h"
#include "runtime/number.h"

namespace tessaly::convert {

using runtime::Text;
using runtime::TextView;

namespace {

// An amount in cents as [-]digits.dd.
class Money {
public:
    Money(std::uint64_t cents, bool negative) {
        std::size_t k = buf_.size();
        do {
            buf_[--k] = static_cast<char>('0' + cents % 10);
            cents /= 10;
            if (k == buf_.size() - 2)
                buf_[--k] = '.';
        } while (cents > 0 || k > buf_.size() - 4);
        if (negative)
            buf_[--k] = '-';
        start_ = k;
    }
    std::string_view text() const { return {buf_.data() + start_, buf_.size() - start_}; }

private:
    std::array<char, 24> buf_{};
    std::size_t start_ = 0;
};

// The standard writing of `money` in `style`, any number of integer digits the reader takes.
Text standardWriting(std::string_view money, Style style) {
    Text amount(money.begin(), money.end());
    Text upper;
    style.wide = true;
    // Every amount read has a writing; an empty text says nothing rather than something wrong.
    if (!tryConvertAmount(amount, upper, style))
        upper.clear();
    return upper;
}

// One text read: the grammar, then what is said of a correct text (a writing to prefer, the
// house style's departures).
class Reader {
public:
    Reader(TextView text, std::vector<Finding>& findings, const std::optional<Style>& house)
        : text_(text), findings_(text, findings), grammar_(text, findings_), house_(house) {}

    bool run() {
        // From the end first, so that a text of blanks alone is empty at its first position.
        std::size_t end = text_.size();
        while (end > 0 && runtime::isBlank(text_[end - 1]))
            --end;
        std::size_t begin = 0;
        while (begin < end && runtime::isBlank(text_[begin]))
            ++begin;
        begin_ = begin;
        grammar_.setHouseLeavesJiaoOpen(house_ && !house_->closeAfterJiao);
        const bool read = grammar_.read(begin, end);
        if (read) {
            money_.emplace(grammar_.cents(), grammar_.negative());
            advise();
            houseStyle();
        }
        findings_.close();
        return read;
    }

    std::string_view amount() const { return money_->text(); }
    const Style& style() const { return grammar_.style(); }

private:
    // A writing to prefer: for 零元, 零角 or 零分 written out as other systems write them (at
    // the first of them; a zero amount keeps its 零元), and for traditional forms. It is
    // written in the house style when there is one, else in the text's own.
    void advise() {
        const Marks& marks = grammar_.marks();
        const auto spelled = marks.opener && grammar_.cents() != 0 ? marks.opener : marks.spelled;
        if (!spelled && !marks.variant)
            return;
        Style style = house_.value_or(grammar_.style());
        if (!house_)
            style.closeAfterJiao = true;
        const Text standard = standardWriting(amount(), style);
        if (standard.empty())
            return;
        if (spelled)
            findings_.add(Severity::Warning, *spelled, Says::SpelledOut,
                          {text_.substr(*spelled, 2), standard});
        if (marks.variant)
            findings_.add(Severity::Warning, *marks.variant, Says::Traditional, {standard});
    }

    // Departures from the house style.
    void houseStyle() {
        if (!house_)
            return;
        const Marks& marks = grammar_.marks();
        const Style& style = grammar_.style();
        if (house_->prefix && !style.prefix)
            findings_.add(Severity::Warning, begin_, Says::HousePrefix);
        if (marks.yuan && house_->unit != style.unit) {
            findings_.add(Severity::Warning, *marks.yuan, Says::HouseCharacter,
                          {house_->unit == Unit::Common ? words::kCommonYuan : words::kFormalYuan});
        }
        if (marks.closing && house_->closing != style.closing) {
            findings_.add(Severity::Warning, *marks.closing, Says::HouseCharacter,
                          {house_->closing == Closing::Exact ? words::kExact : words::kWhole});
        }
    }

    TextView text_;
    Findings findings_;
    Grammar grammar_;
    const std::optional<Style>& house_;
    std::size_t begin_ = 0;
    std::optional<Money> money_;
};

}  // namespace

void read(TextView upper, Reading& out, const std::optional<Style>& house) {
    Reader reader(upper, out.findings, house);
    const bool read = reader.run();
    out.style = reader.style();
    if (!read) {
        out.amount.reset();
        return;
    }
    if (!out.amount)
        out.amount.emplace();
    out.amount->assign(reader.amount());
}

void check(TextView amount, TextView upper, Check& out, const std::optional<Style>& house) {
    // The reading's findings become the check's; its amount is compared where it was written.
    Reader reader(upper, out.findings, house);
    const bool read = reader.run();
    Text digits;
    bool rounded = false;
    const auto add = [&out](Severity severity) -> std::string& {
        return out.findings.emplace_back(Finding{severity, 0, {}}).message;
    };
    if (runtime::tryFormatFixed2(amount, digits, &rounded)) {
        std::string& message = add(Severity::Error);
        message += "小写金额“";
        runtime::appendQuoted(amount, message);
        message += "”不是数字";
    } else if (read && !std::equal(digits.begin(), digits.end(), reader.amount().begin(),
                                   reader.amount().end())) {
        std::string& message = add(Severity::Error);
        message.append("大写为 ").append(reader.amount()).append("，小写为 ");
        runtime::appendUtf8(digits, message);
    } else if (rounded) {
        std::string& message = add(Severity::Warning);
        message += "小写金额“";
        runtime::appendQuoted(amount, message);
        message += "”有两位以上小数，已四舍五入到分：";
        runtime::appendUtf8(digits, message);
    }
    out.verdict = verdictOf(out.findings);
}

Verdict verdictOf(const std::vector<Finding>& findings) noexcept {
    Verdict verdict = Verdict::Ok;
    for (const Finding& f : findings) {
        if (f.severity == Severity::Error)
            return Verdict::Fail;
        verdict = Verdict::Warn;
    }
    return verdict;
}

}  // namespace tessaly::convert

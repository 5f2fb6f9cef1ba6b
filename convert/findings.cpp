#include "convert/findings.h"

#include <array>
#include <cstdint>
#include <string>

namespace tessaly::convert {

namespace {

// A text gets this many findings in full; the rest are counted in one more, so that what is
// said about a text stays short whatever the text.
constexpr std::size_t kDetailedFindings = 8;

// The words for each thing the reader can say, in the order of Says.
constexpr std::string_view kWords[] = {
    "不是大写金额用字",
    "不是大写金额用字，应写“{}”",
    "不是大写金额用字，应写“贰”：“两”不是大写数字",
    "金额中间不得留空",
    "“人民币”只能写在最前面",
    "金额前应写“人民币”三字，此处写错",
    "“{}”之后不再写字",
    "“零”后应紧跟非零数字",
    "金额不以“零”开头，零元写作“零圆整”",
    "“负”只能写在金额最前面",
    "“{}”前应有数字",
    "与上一位相连，前面不写“零”",
    "前面隔有零位，应先写“零”",
    "数位重复或颠倒，应从大到小书写",
    "整数部分后缺“圆”或“元”",
    "圆以下的数字应带“角”或“分”",
    "前后两位相连，中间不写“零”",
    "个位或“分”之后不写“零”",
    "与前面的“零”不符，二者只写其一",
    "亿后的万位全为零，不写“{}”",
    "“分”后不写“{}”",
    "起没有金额：应写出大写金额",
    "金额为零，不写“负”",
    "“{}”后应写“整”或“正”",
    "多写的字，应删去",
    "应写“{}”",
    "开头的“拾”前应写“壹”",
    "按会计规定，“角”后应写“整”或“正”",
    "“{}”不必写出，应写“{}”",
    "繁体写法，应写“{}”",
    "按指定格式，金额前应写“人民币”",
    "按指定格式应写“{}”",
};
static_assert(std::size(kWords) == static_cast<std::size_t>(Says::HouseCharacter) + 1);

void appendNumber(std::uint64_t n, std::string& out) {
    std::array<char, 20> digits;
    std::size_t k = digits.size();
    do {
        digits[--k] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    out.append(digits.data() + k, digits.size() - k);
}

// Each message cut at its "{}" once, when the program is built, not at each finding.
struct Pieces {
    std::array<std::string_view, 3> text{};  // the words around at most two arguments
    std::size_t args = 0;
};
constexpr auto kPieces = [] {
    std::array<Pieces, std::size(kWords)> all{};
    for (std::size_t k = 0; k < std::size(kWords); ++k) {
        std::string_view rest = kWords[k];
        Pieces& p = all[k];
        for (std::size_t at; (at = rest.find("{}")) != std::string_view::npos;
             rest.remove_prefix(at + 2))
            p.text[p.args++] = rest.substr(0, at);
        p.text[p.args] = rest;
    }
    return all;
}();

void appendWords(Says what, std::initializer_list<runtime::TextView> args, std::string& out) {
    const Pieces& pieces = kPieces[static_cast<std::size_t>(what)];
    const runtime::TextView* arg = args.begin();
    for (std::size_t k = 0; k < pieces.args; ++k) {
        out.append(pieces.text[k]);
        if (arg != args.end())
            runtime::appendUtf8(*arg++, out);
    }
    out.append(pieces.text[pieces.args]);
}

}  // namespace

// The findings of the text read before are written over, their storage kept: a batch of texts
// with findings allocates for none but the longest.
Findings::Findings(runtime::TextView text, std::vector<Finding>& out) : text_(text), out_(out) {}

std::size_t Findings::position(std::size_t index) {
    // Findings come mostly in order, so counting goes on from the last one counted.
    if (index < countedIndex_) {
        countedIndex_ = 0;
        countedChars_ = 0;
    }
    char32_t c;
    while (countedIndex_ < index && countedIndex_ < text_.size()) {
        countedIndex_ += runtime::decodeUtf16(text_, countedIndex_, c);
        ++countedChars_;
    }
    return countedChars_ + (index - countedIndex_) + 1;  // past the end: the places after it
}

bool Findings::detailed(Severity severity, std::size_t index) {
    if (severity == Severity::Error)
        failed_ = true;
    if (used_ < kDetailedFindings)
        return true;
    if (omitted_++ == 0)
        omittedIndex_ = index;
    omittedErrors_ = omittedErrors_ || severity == Severity::Error;
    return false;
}

std::string& Findings::begin(Severity severity, std::size_t index) {
    Finding& f = used_ < out_.size() ? out_[used_] : out_.emplace_back();
    ++used_;
    f.severity = severity;
    f.position = position(index);
    f.message.clear();
    f.message.reserve(120);  // the longest message but for an advice of a whole writing
    f.message += "第";
    appendNumber(f.position, f.message);
    f.message += "个字";
    return f.message;
}

void Findings::add(Severity severity, std::size_t index, Says what,
                   std::initializer_list<runtime::TextView> args) {
    if (!detailed(severity, index))
        return;
    std::string& message = begin(severity, index);
    message += "“";
    char32_t c = u'\uFFFD';
    if (index < text_.size())
        (void)runtime::decodeUtf16(text_, index, c);
    runtime::appendShown(c, message);
    message += "”：";
    appendWords(what, args, message);
}

void Findings::addPlace(Severity severity, std::size_t index, Says what) {
    if (detailed(severity, index))
        appendWords(what, {}, begin(severity, index));
}

bool Findings::counting() const noexcept {
    return used_ >= kDetailedFindings;
}

void Findings::close() {
    if (omitted_ == 0) {
        out_.resize(used_);
        return;
    }
    std::string& message =
        begin(omittedErrors_ ? Severity::Error : Severity::Warning, omittedIndex_);
    message += "起另有";
    appendNumber(omitted_, message);
    message += omittedErrors_ ? "处错误" : "处警告";
    omitted_ = 0;
    out_.resize(used_);
}

}  // namespace tessaly::convert

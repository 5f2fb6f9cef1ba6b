#include "cli/scan.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <filesystem>
#endif
#include <string>

#include "runtime/text.h"

namespace tessaly::cli {

namespace {

// A whole document as UTF-8: a UTF-8 byte-order mark dropped, UTF-16 after its own (Windows'
// "Unicode text") made UTF-8. False for UTF-16 cut in a character.
bool toUtf8(std::string& bytes) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        bytes.erase(0, 3);
        return true;
    }
    const bool little = bytes.rfind("\xFF\xFE", 0) == 0;
    if (!little && bytes.rfind("\xFE\xFF", 0) != 0)
        return true;
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        units += static_cast<char16_t>(little ? b << 8 | a : a << 8 | b);
    }
    const bool whole = bytes.size() % 2 == 0;
    bytes.clear();
    runtime::appendUtf8(units, bytes);
    return whole;
}

// Reads all of standard input or of the file named `name` into `bytes`; false with errno set
// on failure.
bool slurp(std::string_view name, bool input, std::string& bytes) {
    std::FILE* file = stdin;
    if (!input) {
#ifdef _WIN32
        // The name is UTF-8, as the arguments are; Windows opens it by its UTF-16.
        const std::filesystem::path path(std::u8string(name.begin(), name.end()));
        file = _wfopen(path.c_str(), L"rb");
#else
        file = std::fopen(std::string(name).c_str(), "rb");
#endif
        if (file == nullptr)
            return false;
    }
    char buf[1 << 16];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, file)) > 0)
        bytes.append(buf, got);
    const bool read = !std::ferror(file);
    const int error = errno;
    if (!input)
        std::fclose(file);
    errno = error;
    return read;
}

// 大写 壹万元整 = 10000.00: the amount as written, quoted as messages quote a text.
void appendPart(const char* label, std::string_view text, const Mention& m, std::string& out) {
    out.append(label).append(" ");
    runtime::appendQuoted(text.substr(m.offset, m.length), out);
    if (m.amount)
        out.append(" = ").append(*m.amount);
}

}  // namespace

int scanFiles(Output& out, const std::vector<std::string_view>& files,
              const std::optional<Style>& house, bool all) {
    static constexpr const char* kVerdicts[] = {"ok", "warn", "fail"};
    std::size_t counts[3] = {};
    bool troubled = false;
    std::string text;
    std::vector<Found> found;
    const std::vector<std::string_view> input = {"-"};
    for (const std::string_view file : files.empty() ? input : files) {
        const bool standardInput = file == "-";
        const std::string_view name = files.empty() ? "<stdin>" : file;
        text.clear();
        errno = 0;
        if (!slurp(file, standardInput, text)) {
            out.errors()
                .append("tessaly-convert: ")
                .append(name)
                .append(": ")
                .append(std::strerror(errno != 0 ? errno : EIO))
                .append("\n");
            troubled = true;
            continue;
        }
        if (!toUtf8(text)) {
            out.errors()
                .append("tessaly-convert: ")
                .append(name)
                .append(": UTF-16 input ends in the middle of a character\n");
            troubled = true;
        }
        scanTo(found, text, house);
        for (const Found& f : found) {
            if (f.verdict)
                ++counts[static_cast<int>(*f.verdict)];
            if (!all && (!f.verdict || *f.verdict == Verdict::Ok))
                continue;
            // Placed at the uppercase amount, where the findings count from.
            const Mention& at = f.upper ? *f.upper : *f.digits;
            std::string& line = out.buffer();
            line.append(name).append(":").append(std::to_string(at.line)).append(":");
            line.append(std::to_string(at.column)).append(": ");
            line.append(f.verdict ? kVerdicts[static_cast<int>(*f.verdict)] : "note").append(": ");
            if (f.upper)
                appendPart("大写", text, *f.upper, line);
            if (f.upper && f.digits)
                line.append(", ");
            if (f.digits)
                appendPart("小写", text, *f.digits, line);
            if (!f.upper)
                line.append(": 没有大写金额与之对照");
            for (std::size_t i = 0; i < f.findings.size(); ++i)
                line.append(i == 0 ? ": " : "；").append(f.findings[i].message);
            out.endLine();
        }
    }
    out.errors()
        .append("共 ")
        .append(std::to_string(counts[0] + counts[1] + counts[2]))
        .append(" 处金额，正确 ")
        .append(std::to_string(counts[0]))
        .append("，警告 ")
        .append(std::to_string(counts[1]))
        .append("，错误 ")
        .append(std::to_string(counts[2]))
        .append("\n");
    out.flush();
    return troubled ? 2 : counts[2] > 0 ? 1 : 0;
}

}  // namespace tessaly::cli

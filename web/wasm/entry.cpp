// The WebAssembly module's entry points: the public API over UTF-8 texts in linear memory.
//
// The loader asks for an input buffer, encodes the texts into it, and makes one call; the call
// leaves its result in the output buffer and says where through `result`. A batch crosses once.

#include <tessaly/tessaly.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/amount.h"
#include "runtime/text.h"

#define TESSALY_EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace {

// Failure codes; also the one-byte lines of a batch's failures, which no uppercase text is.
static_assert(static_cast<int>(tessaly::Failure::None) == 0 &&
              static_cast<int>(tessaly::Failure::Empty) == 1 &&
              static_cast<int>(tessaly::Failure::NotANumber) == 2 &&
              static_cast<int>(tessaly::Failure::TooManyDigits) == 3);

std::string input;
std::string output;

// Where the last call's output lies.
struct Result {
    std::uint32_t data;
    std::uint32_t size;
} result;

// The house style a reading is held to: a negative value for none.
std::optional<tessaly::Style> houseOf(std::int32_t bits) {
    if (bits < 0)
        return std::nullopt;
    return tessaly::styleOfBits(static_cast<std::uint32_t>(bits));
}

void publish() {
    result = {static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(output.data())),
              static_cast<std::uint32_t>(output.size())};
}

void putWord(std::uint32_t word) {
    char bytes[sizeof word];
    std::memcpy(bytes, &word, sizeof word);
    output.append(bytes, sizeof word);
}

// Findings as a record: the words [first, count, then severity, position and message length
// of each], then the texts' bytes, `lead` first. The words come first, so that they are
// aligned for the loader's one view of memory.
void putRecord(std::uint32_t first, std::string_view lead,
               const std::vector<tessaly::Finding>& findings) {
    output.clear();
    putWord(first);
    putWord(static_cast<std::uint32_t>(lead.size()));
    putWord(static_cast<std::uint32_t>(findings.size()));
    for (const tessaly::Finding& f : findings) {
        putWord(f.severity == tessaly::Severity::Warning ? 1 : 0);
        putWord(static_cast<std::uint32_t>(f.position));
        putWord(static_cast<std::uint32_t>(f.message.size()));
    }
    output.append(lead);
    for (const tessaly::Finding& f : findings)
        output.append(f.message);
    publish();
}

// The uppercase texts go out in UTF-16, the loader's own strings, which it takes without
// decoding: for a batch of short texts that costs less than the UTF-8 decoder on its side.
// The engine writes them so, with no UTF-8 between.
std::u16string wide;

void publishWide() {
    result = {static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(wide.data())),
              static_cast<std::uint32_t>(wide.size() * sizeof(char16_t))};
}

}  // namespace

// The input buffer, with room for at least `size` bytes.
TESSALY_EXPORT(tessaly_input) char* tessalyInput(std::uint32_t size) {
    if (input.size() < size)
        input.resize(size);
    return input.data();
}

TESSALY_EXPORT(tessaly_result) const Result* tessalyResult() {
    return &result;
}

// The bit of each choice of a style, in the order unit, closing, closing after 角, prefix,
// wide, then the bit that follows them all: the loader packs styles with these, and the tests
// go through every style with them.
TESSALY_EXPORT(tessaly_style_bits) std::uint32_t tessalyStyleBits(std::uint32_t choice) {
    using tessaly::StyleBits;
    constexpr std::uint32_t kBits[] = {StyleBits::commonUnit,     StyleBits::exactClosing,
                                       StyleBits::closeAfterJiao, StyleBits::prefix,
                                       StyleBits::wide,           StyleBits::count};
    return choice < std::size(kBits) ? kBits[choice] : 0;
}

// Writes the amount in the input's first `size` bytes; returns the failure code, the text
// being the output (UTF-16).
TESSALY_EXPORT(tessaly_write) std::uint32_t tessalyWrite(std::uint32_t size, std::uint32_t style) {
    wide.clear();
    const tessaly::Failure failure = tessaly::convert::appendUpper(
        std::string_view(input.data(), size), wide, tessaly::styleOfBits(style));
    publishWide();
    return static_cast<std::uint32_t>(failure);
}

// Writes each line of the input's first `size` bytes, one output line each (UTF-16): the
// text, or the failure code as one unit. Returns the number of lines.
TESSALY_EXPORT(tessaly_write_many)
std::uint32_t tessalyWriteMany(std::uint32_t size, std::uint32_t style) {
    const tessaly::Style s = tessaly::styleOfBits(style);
    wide.clear();
    std::uint32_t lines = 1;
    std::string_view rest(input.data(), size);
    while (true) {
        // Lines are short: a loop finds their end sooner than a call to memchr.
        std::size_t end = 0;
        while (end < rest.size() && rest[end] != '\n')
            ++end;
        if (end == rest.size())
            end = std::string_view::npos;
        const tessaly::Failure failure =
            tessaly::convert::appendUpper(rest.substr(0, end), wide, s);
        if (failure != tessaly::Failure::None)
            wide += static_cast<char16_t>(failure);
        if (end == std::string_view::npos)
            break;
        wide += u'\n';
        ++lines;
        rest.remove_prefix(end + 1);
    }
    publishWide();
    return lines;
}

// Reads the uppercase text in the input's first `size` bytes. The record's first word is the
// style's bits, with the bit above them (StyleBits::count) set when there is an amount (the
// record's lead text).
TESSALY_EXPORT(tessaly_read)
void tessalyRead(std::uint32_t size, std::int32_t house) {
    const tessaly::Reading reading =
        tessaly::read(std::string_view(input.data(), size), houseOf(house));
    putRecord(
        tessaly::bitsOfStyle(reading.style) | (reading.amount ? tessaly::StyleBits::count : 0),
        reading.amount.value_or(""), reading.findings);
}

// Checks the uppercase text in the input's bytes from `amountSize` to `size` against the
// amount before it. The record's first word is the verdict.
TESSALY_EXPORT(tessaly_check)
void tessalyCheck(std::uint32_t amountSize, std::uint32_t size, std::int32_t house) {
    amountSize = amountSize < size ? amountSize : size;
    const std::string_view amount(input.data(), amountSize);
    const std::string_view upper(input.data() + amountSize, size - amountSize);
    const tessaly::Check check = tessaly::check(amount, upper, houseOf(house));
    putRecord(static_cast<std::uint32_t>(check.verdict), {}, check.findings);
}

namespace {

// UTF-16 units of a UTF-8 text: one per character, two for one past U+FFFF.
std::uint32_t units16(std::string_view utf8) {
    std::uint32_t n = 0;
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        n += (b & 0xC0) != 0x80 ? 1 : 0;
        n += b >= 0xF0 ? 1 : 0;
    }
    return n;
}

// Where a mention's start or end goes in the record, by its byte offset in the text.
struct Place {
    std::uint32_t byte;
    std::uint32_t word;
};

std::vector<tessaly::Found> found;
std::vector<Place> places;
std::string texts;

void putMention(const tessaly::Mention& m) {
    places.push_back(
        {static_cast<std::uint32_t>(m.offset), static_cast<std::uint32_t>(output.size() / 4)});
    putWord(0);
    places.push_back({static_cast<std::uint32_t>(m.offset + m.length),
                      static_cast<std::uint32_t>(output.size() / 4)});
    putWord(0);
    putWord(static_cast<std::uint32_t>(m.line));
    putWord(static_cast<std::uint32_t>(m.column));
    putWord(units16(m.text));
    putWord(m.amount ? units16(*m.amount) : 0xFFFFFFFF);
    texts.append(m.text);
    if (m.amount)
        texts.append(*m.amount);
}

}  // namespace

// Scans the text in the input's first `size` bytes. The record: the words [words, count, then
// for each result its flags (1 an uppercase amount, 2 digits, the verdict + 1 from bit 2), each
// mention's start, end, line, column and the lengths of its text and amount (~0 for none), the
// findings' count and each one's severity, position and message length], then the texts in
// UTF-8, in the same order. Starts, ends and lengths count UTF-16 units, the loader's own, so
// that it slices its string of all the texts, decoded at once, and the caller's text as it is.
TESSALY_EXPORT(tessaly_scan)
void tessalyScan(std::uint32_t size, std::int32_t house) {
    const std::string_view text(input.data(), size);
    tessaly::scanTo(found, text, houseOf(house));
    output.clear();
    places.clear();
    texts.clear();
    putWord(0);
    putWord(static_cast<std::uint32_t>(found.size()));
    for (const tessaly::Found& f : found) {
        putWord((f.upper ? 1U : 0U) | (f.digits ? 2U : 0U) |
                (f.verdict ? (static_cast<std::uint32_t>(*f.verdict) + 1) << 2 : 0U));
        if (f.upper)
            putMention(*f.upper);
        if (f.digits)
            putMention(*f.digits);
        putWord(static_cast<std::uint32_t>(f.findings.size()));
        for (const tessaly::Finding& g : f.findings) {
            putWord(g.severity == tessaly::Severity::Warning ? 1 : 0);
            putWord(static_cast<std::uint32_t>(g.position));
            putWord(units16(g.message));
            texts.append(g.message);
        }
    }
    const auto words = static_cast<std::uint32_t>(output.size() / 4);
    std::memcpy(output.data(), &words, sizeof words);
    // The byte offsets made UTF-16 ones in one walk over the text, in the order of the offsets
    // (a pair's two mentions may lie on either side of another pair's).
    std::sort(places.begin(), places.end(),
              [](const Place& a, const Place& b) { return a.byte < b.byte; });
    std::uint32_t byte = 0;
    std::uint32_t unit = 0;
    for (const Place& p : places) {
        unit += units16(text.substr(byte, p.byte - byte));
        byte = p.byte;
        std::memcpy(output.data() + std::size_t{p.word} * 4, &unit, sizeof unit);
    }
    output.append(texts);
    publish();
}

// Debian's wasm C++ runtime cannot unwind, so a raise would have nowhere to go. The engine
// raises its error only where an index or count is out of its range, which no text reaching
// these entry points can bring about (the tests feed them random and hostile texts by the
// million); should one ever be reached, it stops here as a trap, and the loader starts a
// fresh instance.
extern "C" void* __cxa_allocate_exception(std::size_t) {
    __builtin_trap();
}
extern "C" void __cxa_throw(void*, void*, void (*)(void*)) {
    __builtin_trap();
}

// An allocation past the memory's maximum stops as a trap too, never as a null pointer written
// through: the loader then leaves the instance for a fresh one.
void* operator new(std::size_t size) {
    if (void* p = std::malloc(size))
        return p;
    __builtin_trap();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}

// The library keeps its working buffers per thread. The module has one thread, which never
// ends while the instance lives, so there is nothing to destroy at its exit (and wasi-libc,
// built without threads, has no registry for it).
extern "C" int __cxa_thread_atexit(void (*)(void*), void*, void*) {
    return 0;
}

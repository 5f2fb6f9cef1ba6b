// The calculator on random keys, the amount box holding any text: it never crashes, and a key
// that fails changes nothing but workText.

#include <tuple>

#include "calc/calculator.h"
#include "fuzz_input.h"
#include "memorytextbox.h"
#include "runtime/error.h"

using namespace tessaly;

// The input up to a U+0002 is pasted into the amount box; every code unit after it is a key.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const runtime::Text input = fuzz::decodeText(data, size);
    const std::size_t keys = input.find(u'\2') + 1;  // 0 when there is none
    MemoryTextBox display, amount;
    amount.value = input.substr(0, keys == 0 ? 0 : keys - 1);
    calc::Calculator calc(display, amount);
    // Kept across keys, so that taking it reuses its storage.
    std::tuple<runtime::Text, runtime::Text, runtime::Text> before;
    auto state = [&] { return std::tie(display.value, amount.value, calc.pendingOperator()); };
    for (std::size_t i = keys; i < input.size(); ++i) {
        before = state();
        auto key = static_cast<std::int16_t>(input[i]);
        try {
            calc.keyPress(key);
            // A key let through lands at the caret, the end.
            display.value.append(key == 0 ? 0 : 1, input[i]);
        } catch (const runtime::Error&) {
            TESSALY_CHECK(state() == before && calc.workText() == display.value, input);
        }
    }
    return 0;
}

// Writes amounts and reads one back through the installed library; fails unless all hold.
#include <tessaly/tessaly.h>
#include <tessaly/version.h>

#include <iostream>
#include <string_view>

int main() {
    using tessaly::Failure;
    const struct {
        std::string_view amount;
        tessaly::Style style;
        std::string_view text;  // empty: the failure given
        Failure failure;
    } rows[] = {
        {"41823.51", {}, "肆万壹仟捌佰贰拾叁圆伍角壹分", Failure::None},
        {"1000000000", {}, "", Failure::TooManyDigits},
        {"1000000000", {.wide = true}, "壹拾亿圆整", Failure::None},
        {"1e400", {.wide = true}, "", Failure::TooManyDigits},
        {"abc", {}, "", Failure::NotANumber},
        {" \t", {}, "", Failure::Empty},
    };
    bool ok = TESSALY_VERSION_MAJOR >= 1 &&
              tessaly::readUppercase("肆万壹仟捌佰贰拾叁圆伍角壹分") == "41823.51";
    for (const auto& row : rows) {
        const tessaly::Written written = tessaly::write(row.amount, row.style);
        if (written.text != row.text || written.failure != row.failure ||
            static_cast<bool>(written) == row.text.empty()) {
            std::cout << "Tessaly " << TESSALY_VERSION << ": " << row.amount << " gives \""
                      << written.text << "\", failure " << static_cast<int>(written.failure)
                      << '\n';
            ok = false;
        }
    }
    return ok ? 0 : 1;
}

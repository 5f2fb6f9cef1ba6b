// Writes amounts and reads one back through the installed library; fails unless all hold.
#include <tessaly/tessaly.h>
#include <tessaly/version.h>

#include <iostream>

int main() {
    const auto upper = tessaly::toUppercase("41823.51");
    const auto amount = tessaly::readUppercase(upper.value_or(""));
    const tessaly::Written tooLong = tessaly::write("1000000000");
    const tessaly::Written wide = tessaly::write("1000000000", {.wide = true});
    const tessaly::Written letters = tessaly::write("abc");
    std::cout << "Tessaly " << TESSALY_VERSION << ": " << upper.value_or("-") << ' '
              << amount.value_or("-") << ' ' << wide.text << '\n';
    const bool ok = upper == "肆万壹仟捌佰贰拾叁圆伍角壹分" && amount == "41823.51" &&
                    tooLong.failure == tessaly::Failure::TooManyDigits && !tooLong &&
                    wide.text == "壹拾亿圆整" && letters.failure == tessaly::Failure::NotANumber &&
                    TESSALY_VERSION_MAJOR >= 1;
    return ok ? 0 : 1;
}

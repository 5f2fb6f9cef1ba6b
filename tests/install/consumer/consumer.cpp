// Writes an amount and reads it back through the installed library; fails unless both hold.
#include <tessaly/tessaly.h>

#include <iostream>

int main() {
    const auto upper = tessaly::toUppercase("41823.51");
    const auto amount = tessaly::readUppercase(upper.value_or(""));
    std::cout << upper.value_or("-") << ' ' << amount.value_or("-") << '\n';
    return upper == "肆万壹仟捌佰贰拾叁圆伍角壹分" && amount == "41823.51" ? 0 : 1;
}

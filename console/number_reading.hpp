// The one way the program reads a number from text.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessaro {

// Never fails: text that holds no readable number gives 0. "&H", "&O", "&B" and "&" prefixes
// select bases 16, 8, 2 and 8; otherwise a decimal or C-style floating-point prefix, "D" as "E".
double ReadNumber(std::string_view text);

// Nearest whole number, halves to even; out of range, infinities and NaN give -2147483648.
std::int32_t RoundToInt(double value);

}  // namespace tessaro

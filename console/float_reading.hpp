// The digits of a floating-point number, as the standard library's from_chars reads them: no
// white space, no sign, no "0x" (the caller has taken those), "." as the decimal point whatever
// the locale. One implementation per standard library, chosen by the build.
#pragma once

#include <string_view>

namespace tessaro {

struct FloatDigits {
  double value = 0.0;        // of the longest prefix that is a number; 0 when none is
  bool out_of_range = false;  // the number is too large for a double, or too small to be above 0
};

// Decimal (with an optional exponent, "inf" or "nan"), or hexadecimal with a "p" exponent.
FloatDigits ReadFloatDigits(std::string_view text, bool hexadecimal);

}  // namespace tessaro

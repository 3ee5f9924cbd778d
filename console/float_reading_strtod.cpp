#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "console/float_reading.hpp"

namespace tessaro {

// For standard libraries whose from_chars reads no floating point (the browser's). strtod also
// takes white space, a sign and "0x" itself, so the text is given to it only where from_chars
// would start a number; the program never changes the C locale, so "." is the decimal point.
FloatDigits ReadFloatDigits(std::string_view text, bool hexadecimal) {
  FloatDigits digits;
  if (text.empty() || text[0] == ' ' || text[0] == '\t' || text[0] == '\n' || text[0] == '\v' || text[0] == '\f' ||
      text[0] == '\r' || text[0] == '+' || text[0] == '-') {
    return digits;
  }
  const std::string copy = (hexadecimal ? "0x" : "") + std::string(text);
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(copy.c_str(), &end);
  // As from_chars: a result that underflows to 0 or overflows is out of range, a subnormal is not.
  digits.out_of_range = errno == ERANGE && (value == 0.0 || std::isinf(value));
  if (!digits.out_of_range && end != copy.c_str()) digits.value = value;
  return digits;
}

}  // namespace tessaro

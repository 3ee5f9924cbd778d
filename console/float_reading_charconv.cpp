#include <charconv>
#include <system_error>

#include "console/float_reading.hpp"

namespace tessaro {

FloatDigits ReadFloatDigits(std::string_view text, bool hexadecimal) {
  FloatDigits digits;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), digits.value,
                                            hexadecimal ? std::chars_format::hex : std::chars_format::general);
  digits.out_of_range = error == std::errc::result_out_of_range;
  if (error != std::errc{}) digits.value = 0.0;
  return digits;
}

}  // namespace tessaro

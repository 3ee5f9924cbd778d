#include "console/number_reading.hpp"

#include <cmath>
#include <limits>
#include <string>

#include "console/float_reading.hpp"

namespace tessaro {

namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Digit value of 0-9, A-Z, a-z, or 99 for anything else.
unsigned DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 10);
  return 99;
}

bool IsDigitOf(char c, unsigned base) { return DigitValue(c) < base; }

double RadixValue(std::string_view digits, unsigned base) {
  std::uint64_t value = 0;  // wraps at 64 bits on purpose
  for (char c : digits) {
    if (!IsDigitOf(c, base)) break;
    value = value * base + DigitValue(c);
  }
  return static_cast<double>(static_cast<std::int64_t>(value));
}

// Power of the radix (10, or 2 for hexadecimal) of the leading digit of a number found out of
// range: above 0 it was too large, else too small.
long long Scale(std::string_view text, bool hex) {
  const unsigned base = hex ? 16 : 10;
  const long long per_digit = hex ? 4 : 1;
  long long scale = 0;
  bool significant = false;
  std::size_t i = 0;
  for (; i < text.size() && IsDigitOf(text[i], base); ++i) {
    significant = significant || text[i] != '0';
    if (significant) scale += per_digit;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigitOf(text[i], base); ++i) {
      if (!significant && text[i] == '0') scale -= per_digit;
      significant = significant || text[i] != '0';
    }
  }
  if (i < text.size() && (text[i] | 0x20) == (hex ? 'p' : 'e')) {
    ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    long long exponent = 0;
    for (; i < text.size() && IsDigitOf(text[i], 10); ++i) {
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[i] - '0');
    }
    scale += negative ? -exponent : exponent;
  }
  return scale;
}

// The longest prefix of text that is a number in the given format; 0 if there is none.
double Convert(std::string_view text, bool hexadecimal) {
  const FloatDigits digits = ReadFloatDigits(text, hexadecimal);
  if (digits.out_of_range) return Scale(text, hexadecimal) > 0 ? HUGE_VAL : 0.0;
  return digits.value;
}

bool HexDigitsFollow(std::string_view text) {
  if (!text.empty() && IsDigitOf(text[0], 16)) return true;
  return text.size() > 1 && text[0] == '.' && IsDigitOf(text[1], 16);
}

// The C library's floating-point grammar, always with "." as the decimal point.
double ReadFloatPrefix(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::string_view body = text.substr(i);
  if (body.empty() || body[0] == '+' || body[0] == '-') return 0.0;
  double value = 0.0;
  if (body.size() > 1 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X') &&
      HexDigitsFollow(body.substr(2))) {
    value = Convert(body.substr(2), true);
  } else {
    value = Convert(body, false);
  }
  return negative ? -value : value;
}

}  // namespace

double ReadNumber(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  const std::string_view rest = text.substr(start);
  if (rest.empty()) return 0.0;

  if (rest.size() > 1 && rest[0] == '&') {
    switch (rest[1]) {
      case 'H': case 'h': return RadixValue(rest.substr(2), 16);
      case 'O': case 'o': return RadixValue(rest.substr(2), 8);
      case 'B': case 'b': return RadixValue(rest.substr(2), 2);
      default: return RadixValue(rest.substr(1), 8);
    }
  }

  std::string copy(rest);
  for (char& c : copy) {
    if (c == 'D') c = 'E';
    if (c == 'd') c = 'e';
  }
  return ReadFloatPrefix(copy);
}

std::int32_t RoundToInt(double value) {
  constexpr std::int32_t kInvalid = std::numeric_limits<std::int32_t>::min();
  if (!std::isfinite(value)) return kInvalid;
  // Exact: a double's distance to its floor is representable.
  double whole = std::floor(value);
  const double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  if (whole < -2147483648.0 || whole > 2147483647.0) return kInvalid;
  return static_cast<std::int32_t>(whole);
}

}  // namespace tessaro

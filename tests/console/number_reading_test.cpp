#include "console/number_reading.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace tessaro {
namespace {

constexpr std::int32_t kInvalid = std::numeric_limits<std::int32_t>::min();
const double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(ReadNumberTest, Values) {
  const struct {
    std::string text;
    double value;
  } cases[] = {
      // Radix prefixes; any other letter reads octal from right after the "&".
      {"&H1F", 31}, {"&h1f", 31}, {"&B101", 5}, {"&b101", 5}, {"&O17", 15}, {"&o17", 15}, {"&17", 15},
      {"   &H10", 16},
      // Radix digits stop at the first foreign character; no sign, no point.
      {"&H1Fz9", 31}, {"&B1021", 2}, {"&18", 1}, {"&O-7", 0}, {"&H", 0}, {"&8", 0}, {"&Z7", 0}, {"&H1.5", 1},
      // A radix value wraps at 64 bits and is signed; the seventeenth digit pushes the 1 out.
      {"&HFFFFFFFFFFFFFFFF", -1}, {"&H8000000000000000", -9223372036854775808.0},
      {"&H7FFFFFFFFFFFFFFF", 9223372036854775807.0}, {"&H10000000000000005", 5}, {"&B" + std::string(64, '1'), -1},
      // A lone ampersand is read as decimal.
      {"&", 0}, {"  &", 0},
      // The longest decimal prefix; an exponent without digits is not part of it.
      {"12abc", 12}, {"   7", 7}, {"-3", -3}, {"+4.5", 4.5}, {".5", 0.5}, {"5.", 5}, {"7 8", 7}, {"1e", 1},
      {"1e+", 1}, {"2.5e-1x", 0.25},
      {"", 0}, {"    ", 0}, {"abc", 0}, {".", 0}, {"-", 0}, {"+-5", 0}, {"-+5", 0}, {"- 5", 0}, {"e5", 0},
      // D is an exponent letter too, and every D turns into E, hexadecimal digits as well.
      {"1d3", 1000}, {"1D3", 1000}, {"25d-1", 2.5}, {"2.5d", 2.5}, {"0xD", 14},
      // White space beyond spaces only in the decimal grammar: a tab hides the radix prefix.
      {"\t5", 5}, {" \n\v\f\r 6", 6}, {"\t&H10", 0},
      // Hexadecimal floating point.
      {"0x1p3", 8}, {"0X1.8P1", 3}, {"0x.8", 0.5}, {"-0x10", -16}, {"+0x1f", 31}, {"0x1p", 1}, {"0x", 0}, {"0xg", 0},
      {"0x.", 0},
      // Infinity and not-a-number; "inf" is the longest prefix of "infinite".
      {"inf", HUGE_VAL}, {"INFINITY", HUGE_VAL}, {"-Infinity", -HUGE_VAL}, {"+infinite", HUGE_VAL}, {"in", 0},
      {"nan", kNan}, {"NaN(123)", kNan}, {"-nanx", kNan},
      // Out of range: infinity above, zero below; the smallest subnormal is still in range.
      {"1e400", HUGE_VAL}, {"-1d400", -HUGE_VAL}, {std::string(400, '9'), HUGE_VAL}, {"1e-400", 0},
      {"0." + std::string(400, '0') + "1", 0}, {"0." + std::string(400, '0') + "1e500", 1e99},
      {"1e99999999999999999999999", HUGE_VAL}, {"0x1p2000", HUGE_VAL}, {"0x1p-1080", 0}, {"5e-324", 5e-324},
      {"1.7976931348623157e308", 1.7976931348623157e308},
  };
  for (const auto& c : cases) {
    const double read = ReadNumber(c.text);
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(read)) << c.text;
    } else {
      EXPECT_EQ(read, c.value) << c.text;
    }
  }
}

// The program's numbers never depend on the user's locale.
TEST(ReadNumberTest, DecimalPointIsAlwaysDot) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const bool comma_locale =
      std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr || std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
  const double with_dot = ReadNumber("1.5");
  const double with_comma = ReadNumber("1,5");
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(with_dot, 1.5);
  EXPECT_EQ(with_comma, 1.0);
  if (!comma_locale) GTEST_SKIP() << "no locale with a decimal comma installed";
}

TEST(RoundToIntTest, Values) {
  const struct {
    double value;
    std::int32_t rounded;
  } cases[] = {
      // Halves go to the even neighbour.
      {6.5, 6}, {7.5, 8}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {0.5, 0}, {2147483646.5, 2147483646},
      // Other values to the nearest; the double just below one half goes down.
      {7.0, 7}, {6.4999999, 6}, {6.5000001, 7}, {0.49999999999999994, 0}, {-6.6, -7}, {-0.0, 0},
      // Out of range, infinity and NaN give the minimum; 2147483647.5 rounds to 2^31.
      {1e10, kInvalid}, {-1e10, kInvalid}, {HUGE_VAL, kInvalid}, {-HUGE_VAL, kInvalid}, {kNan, kInvalid},
      {2147483648.0, kInvalid}, {2147483647.5, kInvalid}, {2147483647.0, 2147483647}, {2147483647.4, 2147483647},
      {-2147483648.5, -2147483647 - 1}, {-2147483647.4, -2147483647},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundToInt(c.value), c.rounded) << c.value;
  // As the version argument is read.
  for (const auto& [text, rounded] : {std::pair{"7", 7}, {"&H7", 7}, {"6.5", 6}, {"x", 0}, {"1d10", kInvalid}}) {
    EXPECT_EQ(RoundToInt(ReadNumber(text)), rounded) << text;
  }
}

}  // namespace
}  // namespace tessaro

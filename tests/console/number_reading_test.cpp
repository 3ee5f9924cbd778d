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

TEST(ReadNumberTest, RadixPrefixes) {
  EXPECT_EQ(ReadNumber("&H1F"), 31.0);
  EXPECT_EQ(ReadNumber("&h1f"), 31.0);
  EXPECT_EQ(ReadNumber("&B101"), 5.0);
  EXPECT_EQ(ReadNumber("&b101"), 5.0);
  EXPECT_EQ(ReadNumber("&O17"), 15.0);
  EXPECT_EQ(ReadNumber("&o17"), 15.0);
  EXPECT_EQ(ReadNumber("&17"), 15.0);  // any other letter: octal from right after the "&"
  EXPECT_EQ(ReadNumber("   &H10"), 16.0);
}

TEST(ReadNumberTest, RadixDigitsStopAtFirstForeignCharacter) {
  EXPECT_EQ(ReadNumber("&H1Fz9"), 31.0);
  EXPECT_EQ(ReadNumber("&B1021"), 2.0);
  EXPECT_EQ(ReadNumber("&18"), 1.0);
  EXPECT_EQ(ReadNumber("&O-7"), 0.0);  // no sign
  EXPECT_EQ(ReadNumber("&H"), 0.0);
  EXPECT_EQ(ReadNumber("&8"), 0.0);
  EXPECT_EQ(ReadNumber("&Z7"), 0.0);  // octal from the "Z", which is no digit
  EXPECT_EQ(ReadNumber("&H1.5"), 1.0);  // not read any further
}

TEST(ReadNumberTest, RadixValueWrapsAt64BitsAndIsSigned) {
  EXPECT_EQ(ReadNumber("&HFFFFFFFFFFFFFFFF"), -1.0);
  EXPECT_EQ(ReadNumber("&H8000000000000000"), -9223372036854775808.0);
  EXPECT_EQ(ReadNumber("&H7FFFFFFFFFFFFFFF"), 9223372036854775807.0);
  EXPECT_EQ(ReadNumber("&H10000000000000005"), 5.0);  // the seventeenth digit pushes the 1 out
  EXPECT_EQ(ReadNumber("&B" + std::string(64, '1')), -1.0);
}

TEST(ReadNumberTest, LoneAmpersandIsReadAsDecimal) {
  EXPECT_EQ(ReadNumber("&"), 0.0);
  EXPECT_EQ(ReadNumber("  &"), 0.0);
}

TEST(ReadNumberTest, DecimalPrefixes) {
  EXPECT_EQ(ReadNumber("12abc"), 12.0);
  EXPECT_EQ(ReadNumber("   7"), 7.0);
  EXPECT_EQ(ReadNumber("-3"), -3.0);
  EXPECT_EQ(ReadNumber("+4.5"), 4.5);
  EXPECT_EQ(ReadNumber(".5"), 0.5);
  EXPECT_EQ(ReadNumber("5."), 5.0);
  EXPECT_EQ(ReadNumber("7 8"), 7.0);
  EXPECT_EQ(ReadNumber("1e"), 1.0);  // an exponent without digits is not part of the number
  EXPECT_EQ(ReadNumber("1e+"), 1.0);
  EXPECT_EQ(ReadNumber("2.5e-1x"), 0.25);
}

TEST(ReadNumberTest, NothingReadableGivesZero) {
  EXPECT_EQ(ReadNumber(""), 0.0);
  EXPECT_EQ(ReadNumber("    "), 0.0);
  EXPECT_EQ(ReadNumber("abc"), 0.0);
  EXPECT_EQ(ReadNumber("."), 0.0);
  EXPECT_EQ(ReadNumber("-"), 0.0);
  EXPECT_EQ(ReadNumber("+-5"), 0.0);
  EXPECT_EQ(ReadNumber("-+5"), 0.0);
  EXPECT_EQ(ReadNumber("- 5"), 0.0);
  EXPECT_EQ(ReadNumber("e5"), 0.0);
}

TEST(ReadNumberTest, DIsTakenAsExponentLetter) {
  EXPECT_EQ(ReadNumber("1d3"), 1000.0);
  EXPECT_EQ(ReadNumber("1D3"), 1000.0);
  EXPECT_EQ(ReadNumber("25d-1"), 2.5);
  EXPECT_EQ(ReadNumber("2.5d"), 2.5);
  EXPECT_EQ(ReadNumber("0xD"), 14.0);  // every D turns into E, hexadecimal digits too
}

TEST(ReadNumberTest, WhiteSpaceBeyondSpacesOnlyInDecimalGrammar) {
  EXPECT_EQ(ReadNumber("\t5"), 5.0);
  EXPECT_EQ(ReadNumber(" \n\v\f\r 6"), 6.0);
  EXPECT_EQ(ReadNumber("\t&H10"), 0.0);  // a tab hides the radix prefix
}

TEST(ReadNumberTest, HexadecimalFloatingPoint) {
  EXPECT_EQ(ReadNumber("0x1p3"), 8.0);
  EXPECT_EQ(ReadNumber("0X1.8P1"), 3.0);
  EXPECT_EQ(ReadNumber("0x.8"), 0.5);
  EXPECT_EQ(ReadNumber("-0x10"), -16.0);
  EXPECT_EQ(ReadNumber("+0x1f"), 31.0);
  EXPECT_EQ(ReadNumber("0x1p"), 1.0);
  EXPECT_EQ(ReadNumber("0x"), 0.0);  // reads the 0 only
  EXPECT_EQ(ReadNumber("0xg"), 0.0);
  EXPECT_EQ(ReadNumber("0x."), 0.0);
}

TEST(ReadNumberTest, InfinityAndNotANumber) {
  EXPECT_EQ(ReadNumber("inf"), HUGE_VAL);
  EXPECT_EQ(ReadNumber("INFINITY"), HUGE_VAL);
  EXPECT_EQ(ReadNumber("-Infinity"), -HUGE_VAL);
  EXPECT_EQ(ReadNumber("+infinite"), HUGE_VAL);  // "inf" is the longest prefix
  EXPECT_TRUE(std::isnan(ReadNumber("nan")));
  EXPECT_TRUE(std::isnan(ReadNumber("NaN(123)")));
  EXPECT_TRUE(std::isnan(ReadNumber("-nanx")));
  EXPECT_EQ(ReadNumber("in"), 0.0);
}

TEST(ReadNumberTest, OutOfRangeOverflowsToInfinityAndUnderflowsToZero) {
  EXPECT_EQ(ReadNumber("1e400"), HUGE_VAL);
  EXPECT_EQ(ReadNumber("-1d400"), -HUGE_VAL);
  EXPECT_EQ(ReadNumber(std::string(400, '9')), HUGE_VAL);
  EXPECT_EQ(ReadNumber("1e-400"), 0.0);
  EXPECT_EQ(ReadNumber("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_EQ(ReadNumber("0." + std::string(400, '0') + "1e500"), 1e99);
  EXPECT_EQ(ReadNumber("1e99999999999999999999999"), HUGE_VAL);
  EXPECT_EQ(ReadNumber("0x1p2000"), HUGE_VAL);
  EXPECT_EQ(ReadNumber("0x1p-1080"), 0.0);
  EXPECT_EQ(ReadNumber("5e-324"), 5e-324);  // the smallest subnormal is still in range
  EXPECT_EQ(ReadNumber("1.7976931348623157e308"), 1.7976931348623157e308);
}

// The program's numbers never depend on the user's locale.
TEST(ReadNumberTest, DecimalPointIsAlwaysDot) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const bool comma_locale = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr ||
                            std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
  const double with_dot = ReadNumber("1.5");
  const double with_comma = ReadNumber("1,5");
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(with_dot, 1.5);
  EXPECT_EQ(with_comma, 1.0);
  if (!comma_locale) GTEST_SKIP() << "no locale with a decimal comma installed";
}

TEST(RoundToIntTest, HalvesGoToEvenNeighbour) {
  EXPECT_EQ(RoundToInt(6.5), 6);
  EXPECT_EQ(RoundToInt(7.5), 8);
  EXPECT_EQ(RoundToInt(2.5), 2);
  EXPECT_EQ(RoundToInt(3.5), 4);
  EXPECT_EQ(RoundToInt(-0.5), 0);
  EXPECT_EQ(RoundToInt(-1.5), -2);
  EXPECT_EQ(RoundToInt(-2.5), -2);
  EXPECT_EQ(RoundToInt(0.5), 0);
  EXPECT_EQ(RoundToInt(2147483646.5), 2147483646);
}

TEST(RoundToIntTest, OtherValuesGoToNearest) {
  EXPECT_EQ(RoundToInt(7.0), 7);
  EXPECT_EQ(RoundToInt(6.4999999), 6);
  EXPECT_EQ(RoundToInt(6.5000001), 7);
  EXPECT_EQ(RoundToInt(0.49999999999999994), 0);  // the double just below one half
  EXPECT_EQ(RoundToInt(-6.6), -7);
  EXPECT_EQ(RoundToInt(-0.0), 0);
}

TEST(RoundToIntTest, OutOfRangeInfinityAndNanGiveMinimum) {
  EXPECT_EQ(RoundToInt(1e10), kInvalid);
  EXPECT_EQ(RoundToInt(-1e10), kInvalid);
  EXPECT_EQ(RoundToInt(HUGE_VAL), kInvalid);
  EXPECT_EQ(RoundToInt(-HUGE_VAL), kInvalid);
  EXPECT_EQ(RoundToInt(std::numeric_limits<double>::quiet_NaN()), kInvalid);
  EXPECT_EQ(RoundToInt(2147483648.0), kInvalid);
  EXPECT_EQ(RoundToInt(2147483647.5), kInvalid);  // rounds to 2^31
  EXPECT_EQ(RoundToInt(2147483647.0), 2147483647);
  EXPECT_EQ(RoundToInt(2147483647.4), 2147483647);
  EXPECT_EQ(RoundToInt(-2147483648.5), -2147483647 - 1);  // the even neighbour is in range
  EXPECT_EQ(RoundToInt(-2147483647.4), -2147483647);
}

TEST(RoundToIntTest, ReadsAsTheVersionArgumentDoes) {
  EXPECT_EQ(RoundToInt(ReadNumber("7")), 7);
  EXPECT_EQ(RoundToInt(ReadNumber("&H7")), 7);
  EXPECT_EQ(RoundToInt(ReadNumber("6.5")), 6);
  EXPECT_EQ(RoundToInt(ReadNumber("x")), 0);
  EXPECT_EQ(RoundToInt(ReadNumber("1d10")), kInvalid);
}

}  // namespace
}  // namespace tessaro

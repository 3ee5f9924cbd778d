// Reading numbers from text, against the table in console.cases. Built twice: with the standard
// library's from_chars, and with the strtod the browser's standard library has instead.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "console/number_reading.hpp"
#include "tests/support/case_table.hpp"

namespace tessaro {
namespace {

double Number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

TEST(ReadNumberTest, EveryRowGivesItsValue) {
  for (const testing::CaseRow& row : testing::ReadCases("console/console.cases")) {
    if (row.given[0] == "round") {
      EXPECT_EQ(std::to_string(RoundToInt(Number(row.given[1]))), row.expected[0]) << row.where;
    }
    if (row.given[0] != "number") continue;
    const double read = ReadNumber(row.given[1]);
    EXPECT_TRUE(read == Number(row.expected[0]) || (std::isnan(read) && std::isnan(Number(row.expected[0]))))
        << row.where << ": " << read;
  }
  // Too long for a line of the table; out of range one way or the other by the digits' own scale,
  // exponent included.
  EXPECT_EQ(ReadNumber(std::string(400, '9')), HUGE_VAL);
  EXPECT_EQ(ReadNumber("0." + std::string(400, '0') + "1"), 0);
  EXPECT_EQ(ReadNumber("0." + std::string(400, '0') + "1e500"), 1e99);
  EXPECT_EQ(ReadNumber("0.1" + std::string(400, '0') + "e310"), HUGE_VAL);
  EXPECT_EQ(ReadNumber("0." + std::string(500, '0') + "1e100"), 0);
  EXPECT_EQ(ReadNumber(".1" + std::string(400, '0') + "e-330"), 0);
}

}  // namespace
}  // namespace tessaro

#include "tiles/swap_script.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/tiles/swap_script_fixture.hpp"

namespace tessaro {
namespace {

using testing::ExpectTable;
using testing::kHighest;
using testing::Span;
using testing::SwapScriptTest;

TEST_F(SwapScriptTest, EachLineFormAndScript) {
  struct Case {
    std::string_view line;
    std::int32_t top;
    std::vector<Span> spans;
  };
  const Case cases[] = {
      {"100, 200", 100, {{100, 100, 200}}},
      {"10-20, 5", 20, {{10, 20, 5}}},
      {"20-10, 5", 20, {{10, 20, 5}}},
      {"20 - 10 , 5", 20, {{10, 20, 5}}},
      {"\t20\t-  10\t\t,\t 5 \t", 20, {{10, 20, 5}}},
      {"\t&H10\t,\t&H5", 16, {{16, 16, 5}}},  // a tab the number reader would not skip
      {"5, 10-20", 5, {{5, 5, 10}}},
      {"1, 2, 3", 1, {{1, 1, 2}}},
      {"7, 8 ; old floor", 7, {{7, 7, 8}}},
      {"7, 8;9, 10", 7, {{7, 7, 8}}},
      {"; 7, 8", 0, {}},
      {"7 8", 0, {}},
      {"-5, 3", 5, {{0, 5, 3}}},
      {"5-, 3", 5, {{0, 5, 3}}},
      {"-20--10, 1", 20, {{0, 20, 1}}},
      {"3.5-1.5, 9", 4, {{2, 4, 9}}},
      {"6500, 1", kHighest, {}},
      {"6500-7000, 1", kHighest, {}},
      {"5990-7000, 2", kHighest, {{5990, kHighest, 2}}},
      {"6000, 1", kHighest, {{kHighest, kHighest, 1}}},
      {"100, 70000", 100, {{100, 100, 4464}}},
      {"100, 65535", 100, {{100, 100, -1}}},
      {"100, -1", 100, {{100, 100, -1}}},
      {"100, -32769", 100, {{100, 100, 32767}}},
      {"100,", 100, {{100, 100, 0}}},
      {"100, ", 100, {{100, 100, 0}}},
      {", 9", 0, {{0, 0, 9}}},
      {",", 0, {{0, 0, 0}}},
      {"abc, 5", 0, {{0, 0, 5}}},
      {"&H10, &HFF", 16, {{16, 16, 255}}},
      {"2.5, 3.5", 2, {{2, 2, 4}}},
      // Whole scripts: the later line wins, the table grows to the highest tile named.
      {"0-10, 1\n5, 2\n", 10, {{0, 10, 1}, {5, 5, 2}}},
      {"5, 2\n0-10, 1\n", 10, {{0, 10, 1}}},
      {"3, 9\n200, 1\n6500, 4\n", kHighest, {{3, 3, 9}, {200, 200, 1}}},
      {" \t \t\n;7, 8\n   ; 9, 10\n\t;\n\n4, 5\n \n", 4, {{4, 4, 5}}},
      {"1, 2\n10-12, 3\n; note\n\n7, 8", 12, {{1, 1, 2}, {10, 12, 3}, {7, 7, 8}}},
      {"1, 2\r\n10-12, 3\r\n; note\r\n\r\n7, 8\r\n", 12, {{1, 1, 2}, {10, 12, 3}, {7, 7, 8}}},
      // A lone CR is no line end, and a CR not before LF stays in the text.
      {"1, 2\r3, 4\n5, 6\r\r\n7, 8\r", 7, {{1, 1, 2}, {5, 5, 6}, {7, 7, 8}}},
      // Byte 26 ends the text, in a comment too; at the start it leaves a script of no lines.
      {"1, 2\n3, 4\x1a" "5\n6, 7\n", 3, {{1, 1, 2}, {3, 3, 4}}},
      {"1, 2 ; a \x1a\n6, 7\n", 1, {{1, 1, 2}}},
      {"\x1a" "1, 2\n", 0, {}},
      // A byte order mark belongs to the first line.
      {"\xEF\xBB\xBF" "100, 5\n200, 6\n", 200, {{0, 0, 5}, {200, 200, 6}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line));
    TileSwapTable table;
    ASSERT_EQ(LoadSwapScript(Write(c.line), table), ScriptLoaded);
    ExpectTable(table, c.top, c.spans);
  }
}

TEST_F(SwapScriptTest, TableIsNotResetByAnotherScript) {
  ASSERT_EQ(Load("3, 9\n"), ScriptLoaded);
  ASSERT_EQ(Load("1, 2\n"), ScriptLoaded);
  ExpectTable(table_, 3, {{3, 3, 9}, {1, 1, 2}});
}

TEST_F(SwapScriptTest, LinesOfAnyLengthAndNumber) {
  std::string text = "42," + std::string(300000, ' ') + std::string(300000, '\t') + "7\n";
  text += "; " + std::string(2000000, 'x') + ", 1-9, 9\n";
  text += std::string(100000, '0') + "5, 3" + std::string(100000, ' ') + "\n";
  text += "8, 1" + std::string(100000, '0') + "\n";  // out of range: the invalid value's low bits
  for (int round = 0; round < 10; ++round) {
    for (int t = 1000; t < 3000; ++t) text += std::to_string(t) + ", " + std::to_string(t + round) + "\n";
  }
  ASSERT_EQ(Load(text), ScriptLoaded);
  EXPECT_EQ(table_.top(), 2999);
  EXPECT_EQ(table_.Lookup(42), 7);
  EXPECT_EQ(table_.Lookup(5), 3);
  EXPECT_EQ(table_.Lookup(8), 0);
  for (const std::int32_t t : {0, 1, 4, 6, 7, 9, 41, 43, 999, 3000}) EXPECT_EQ(table_.Lookup(t), t);
  for (std::int32_t t = 1000; t < 3000; ++t) ASSERT_EQ(table_.Lookup(t), t + 9);
}

TEST_F(SwapScriptTest, ScriptIsFoundInAnyCaseAndShownAsGiven) {
  Write("1, 2\n", "Tiles.TXT");
  const std::string path = dir_ / "tiles.txt";
  EXPECT_EQ(LoadSwapScript(path, table_), ScriptLoaded);
  EXPECT_EQ(console_.Text(), LoadingLine(path));
  ExpectTable(table_, 1, {{1, 1, 2}});
}

}  // namespace
}  // namespace tessaro

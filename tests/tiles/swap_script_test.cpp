#include "tiles/swap_script.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ScopedConsoleCapture;
using testing::TempDir;
using testing::WriteBytes;

constexpr std::int32_t kHighest = TileSwapTable::kHighestTile;

struct Span {
  std::int32_t low;
  std::int32_t high;
  std::int32_t value;
};

// Every entry from 0 to the highest tile: inside a span (the last one wins) its value, elsewhere
// the tile itself; `top` exactly.
void ExpectTable(const TileSwapTable& table, std::int32_t top, const std::vector<Span>& spans) {
  EXPECT_EQ(table.top(), top);
  EXPECT_EQ(table.entries().size(), static_cast<std::size_t>(top) + 1);
  int wrong = 0;
  for (std::int32_t t = 0; t <= kHighest; ++t) {
    std::int32_t expected = t;
    for (const Span& span : spans) {
      if (t >= span.low && t <= span.high) expected = span.value;
    }
    if (table.Lookup(t) != expected && wrong++ < 5) {
      ADD_FAILURE() << "tile " << t << " becomes " << table.Lookup(t) << ", expected " << expected;
    }
  }
  EXPECT_EQ(wrong, 0);
}

class SwapScriptTest : public ::testing::Test {
 protected:
  std::string Write(std::string_view text, const std::string& name = "script.txt") {
    const std::string path = dir_ / name;
    WriteBytes(path, Bytes(text.begin(), text.end()));
    return path;
  }
  ScriptResult Load(std::string_view text) { return LoadSwapScript(Write(text), table_); }
  static std::string LoadingLine(const std::string& path) {
    return ":: Loading " + path + " as a script\r\n";
  }

  TempDir dir_;
  ScopedConsoleCapture console_;
  TileSwapTable table_;
};

TEST_F(SwapScriptTest, EachLineForm) {
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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line));
    TileSwapTable table;
    ASSERT_EQ(LoadSwapScript(Write(c.line), table), ScriptLoaded);
    ExpectTable(table, c.top, c.spans);
  }
}

TEST_F(SwapScriptTest, LaterLineWins) {
  ASSERT_EQ(Load("0-10, 1\n5, 2\n"), ScriptLoaded);
  ExpectTable(table_, 10, {{0, 10, 1}, {5, 5, 2}});

  TileSwapTable reversed;
  ASSERT_EQ(LoadSwapScript(Write("5, 2\n0-10, 1\n"), reversed), ScriptLoaded);
  ExpectTable(reversed, 10, {{0, 10, 1}});
}

TEST_F(SwapScriptTest, GrowingKeepsEntriesAndGivesNewOnesTheirIndex) {
  ASSERT_EQ(Load("3, 9\n200, 1\n6500, 4\n"), ScriptLoaded);
  ExpectTable(table_, kHighest, {{3, 3, 9}, {200, 200, 1}});
}

TEST_F(SwapScriptTest, TableIsNotResetByAnotherScript) {
  ASSERT_EQ(Load("3, 9\n"), ScriptLoaded);
  ASSERT_EQ(Load("1, 2\n"), ScriptLoaded);
  ExpectTable(table_, 3, {{3, 3, 9}, {1, 1, 2}});
}

TEST_F(SwapScriptTest, LineEnds) {
  const std::string_view lf = "1, 2\n10-12, 3\n; note\n\n7, 8";
  const std::string_view crlf = "1, 2\r\n10-12, 3\r\n; note\r\n\r\n7, 8\r\n";
  const std::vector<Span> expected = {{1, 1, 2}, {10, 12, 3}, {7, 7, 8}};
  for (const std::string_view text : {lf, crlf}) {
    TileSwapTable table;
    ASSERT_EQ(LoadSwapScript(Write(text), table), ScriptLoaded);
    ExpectTable(table, 12, expected);
  }
  // A lone CR is no line end, and a CR not before LF stays in the text.
  TileSwapTable lone;
  ASSERT_EQ(LoadSwapScript(Write("1, 2\r3, 4\n5, 6\r\r\n7, 8\r"), lone), ScriptLoaded);
  ExpectTable(lone, 7, {{1, 1, 2}, {5, 5, 6}, {7, 7, 8}});
}

TEST_F(SwapScriptTest, Byte26EndsTheText) {
  ASSERT_EQ(Load("1, 2\n3, 4\x1a" "5\n6, 7\n"), ScriptLoaded);
  ExpectTable(table_, 3, {{1, 1, 2}, {3, 3, 4}});

  TileSwapTable in_comment;
  ASSERT_EQ(LoadSwapScript(Write("1, 2 ; a \x1a\n6, 7\n"), in_comment), ScriptLoaded);
  ExpectTable(in_comment, 1, {{1, 1, 2}});

  // The file is not empty, so this is a script with no lines rather than a failure.
  TileSwapTable at_start;
  ASSERT_EQ(LoadSwapScript(Write("\x1a" "1, 2\n"), at_start), ScriptLoaded);
  ExpectTable(at_start, 0, {});
}

TEST_F(SwapScriptTest, ByteOrderMarkBelongsToTheFirstLine) {
  ASSERT_EQ(Load("\xEF\xBB\xBF" "100, 5\n200, 6\n"), ScriptLoaded);
  ExpectTable(table_, 200, {{0, 0, 5}, {200, 200, 6}});
}

TEST_F(SwapScriptTest, BlankAndCommentOnlyLinesAreSkipped) {
  ASSERT_EQ(Load(" \t \t\n;7, 8\n   ; 9, 10\n\t;\n\n4, 5\n \n"), ScriptLoaded);
  ExpectTable(table_, 4, {{4, 4, 5}});
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

// Any bytes at all load, and the table stays within its bounds.
TEST_F(SwapScriptTest, ArbitraryBytes) {
  std::mt19937 random(26);
  const std::string alphabet = "0123456789-,;&Hh.eE \t\r\n\x1a";
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 400, '\0');
    for (char& c : text) {
      c = round % 2 == 0 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
    }
    SCOPED_TRACE(round);
    TileSwapTable table;
    EXPECT_EQ(LoadSwapScript(Write(text), table), text.empty() ? ScriptEmpty : ScriptLoaded);
    EXPECT_GE(table.top(), 0);
    EXPECT_LE(table.top(), kHighest);
  }
}

TEST_F(SwapScriptTest, ScriptThatCannotBeReadLeavesTheTable) {
  ASSERT_EQ(Load("5, 6\n"), ScriptLoaded);
  EXPECT_EQ(console_.Text(), LoadingLine(dir_ / "script.txt"));

  const std::string missing = dir_ / "missing.txt";
  const std::string empty = Write("", "empty.txt");
  const std::string hidden = Write("1, 2\n", ".hidden.txt");
  const std::string directory = dir_ / "folder.txt";
  ASSERT_EQ(mkdir(directory.c_str(), 0755), 0);
  for (const std::string& path : {missing, empty, hidden, directory}) {
    SCOPED_TRACE(path);
    const std::size_t before = console_.Text().size();
    EXPECT_NE(LoadSwapScript(path, table_), ScriptLoaded);
    EXPECT_EQ(console_.Text().substr(before), LoadingLine(path));
    ExpectTable(table_, 5, {{5, 5, 6}});
  }
}

TEST_F(SwapScriptTest, UnreadableScriptLeavesTheTable) {
  if (geteuid() == 0) GTEST_SKIP() << "every file is readable for root";
  const std::string path = Write("1, 2\n");
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  EXPECT_EQ(LoadSwapScript(path, table_), ScriptUnreadable);
  EXPECT_EQ(console_.Text(), LoadingLine(path));
  ExpectTable(table_, 0, {});
}

TEST_F(SwapScriptTest, ReadOnlyScriptIsRead) {
  const std::string path = Write("1, 2\n");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_EQ(LoadSwapScript(path, table_), ScriptLoaded);
  EXPECT_EQ(console_.Text(), LoadingLine(path));
  ExpectTable(table_, 1, {{1, 1, 2}});
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

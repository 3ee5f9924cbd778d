// The console layer with a recording terminal standing in for the console: what it writes, where
// the cursor goes, and how keys are read. Piped input, Ctrl-C and the cursor query on a real
// terminal are in redirect_test.cpp and posix_pty_test.cpp.
#include "console/console.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "console/key_input.hpp"
#include "tests/support/console_capture.hpp"

namespace tessaro {
namespace {

using testing::ScopedConsoleCapture;

TEST(PrintTextTest, LineEndIsCrLf) {
  ScopedConsoleCapture capture(80, 25);
  PrintText("abc", true);
  PrintText("", true);
  PrintText("de", false);
  EXPECT_EQ(capture.Text(), "abc\r\n\r\nde");
  EXPECT_EQ(capture.Row(), 3);
  EXPECT_EQ(capture.Column(), 3);
}

// A full row leaves the cursor in the next row; a line end after it then leaves an empty row.
TEST(PrintTextTest, FullWidthLine) {
  ScopedConsoleCapture capture(10, 5);
  PrintText("0123456789", true);
  PrintText("0123456789", false);
  EXPECT_EQ(capture.Row(), 4);
  EXPECT_EQ(capture.Column(), 1);
  PrintText("x", false);
  EXPECT_EQ(capture.Text(), "0123456789\r\n\r\n0123456789\r\nx");
  EXPECT_EQ(capture.ScreenRow(1), "0123456789");
  EXPECT_EQ(capture.ScreenRow(2), std::string(10, ' '));
  EXPECT_EQ(capture.ScreenRow(4), "x         ");
}

TEST(PrintTextTest, LongTextBreaksAtEveryRowEnd) {
  ScopedConsoleCapture capture(10, 5);
  PrintText("abc", false);
  PrintText("defghijklmnopqrstuvw", true);  // the first row ends after the j
  EXPECT_EQ(capture.Text(), "abcdefghij\r\nklmnopqrst\r\nuvw\r\n");
  EXPECT_EQ(capture.Row(), 4);
}

TEST(PrintTextTest, WrapFollowsCursorMoves) {
  ScopedConsoleCapture capture(80, 25);
  MoveCursor(3, 75);
  PrintText("0123456789", false);
  EXPECT_EQ(capture.Text(), "012345\r\n6789");
  EXPECT_EQ(capture.Row(), 4);
  EXPECT_EQ(capture.Column(), 5);
}

TEST(TabToTest, MovesWithoutWriting) {
  const struct {
    int printed;  // letters before
    int column;
    std::string marked;
    int row_after, column_after;
  } cases[] = {
      {15, 18, "<@1,18>", 1, 18},
      {17, 18, "", 1, 18},               // already there
      {24, 18, "\r\n<@2,18>", 2, 18},    // behind the cursor: a new line
      {0, 98, "<@1,18>", 1, 18},         // beyond the width: modulo the width
      {17, 160, "\r\n", 2, 1},           // 0 is behind column 18
      {4, -3, "\r\n", 2, 1},             // below one: column one
  };
  for (const auto& c : cases) {
    ScopedConsoleCapture capture(80, 25);
    PrintText(std::string(static_cast<std::size_t>(c.printed), 'a'), false);
    TabTo(c.column);
    EXPECT_EQ(capture.Marked(), std::string(static_cast<std::size_t>(c.printed), 'a') + c.marked) << c.column;
    EXPECT_EQ(capture.Row(), c.row_after) << c.column;
    EXPECT_EQ(capture.Column(), c.column_after) << c.column;
  }
}

TEST(SetTextColorTest, AttributeIsForegroundOnBlackModulo16) {
  ScopedConsoleCapture capture(80, 25);
  SetTextColor(15);
  PrintText("a", false);
  for (int attribute : {23, 16, -1, 8}) SetTextColor(attribute);
  EXPECT_EQ(capture.Marked(), "<c15>a<c7><c0><c15><c8>");
  EXPECT_EQ(capture.Text(), "a");
}

TEST(TextHelpersTest, SpacesRepeatCharAndIntToText) {
  EXPECT_EQ(Spaces(0) + Spaces(-5) + RepeatChar(0, '\xc4') + RepeatChar(-1, 'x'), "");
  EXPECT_EQ(Spaces(3), "   ");
  EXPECT_EQ(RepeatChar(4, '\xc4'), "\xc4\xc4\xc4\xc4");
  EXPECT_EQ(IntToText(7) + " " + IntToText(-3) + " " + IntToText(0), "7 -3 0");
  EXPECT_EQ(IntToText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(IntToText(std::numeric_limits<std::int32_t>::max()), "2147483647");
}

TEST(MoveCursorTest, MovesWithinWindowOnly) {
  ScopedConsoleCapture capture(80, 25);
  MoveCursor(5, 10);
  MoveCursor(0, 3);
  MoveCursor(7, 0);
  MoveCursor(25, 80);
  for (const auto& [row, column] : {std::pair{26, 1}, {1, 81}, {-1, 5}, {5, -1}, {0, 0}}) MoveCursor(row, column);
  EXPECT_EQ(capture.Marked(), "<@5,10><@5,3><@7,3><@25,80>");
}

TEST(CursorPositionTest, ConsoleIsAskedAndRedirectedOutputTracked) {
  ScopedConsoleCapture console(80, 25);
  console.SetCursor(7, 12);
  EXPECT_EQ(CursorRow(), 7);
  EXPECT_EQ(CursorColumn(), 12);
  PrintText(std::string(69, 'a'), false);  // column 81 is past the edge: next row
  EXPECT_EQ(CursorRow(), 8);
  EXPECT_EQ(CursorColumn(), 1);

  ScopedConsoleCapture redirected;
  EXPECT_EQ(CursorRow(), 1);
  EXPECT_EQ(CursorColumn(), 1);
  PrintText("abc", true);
  PrintText("de", false);
  EXPECT_EQ(CursorRow(), 2);
  EXPECT_EQ(CursorColumn(), 3);
}

// What the overwrite question does: remember the start, ask, then wipe the question.
TEST(CursorPositionTest, PromptCanWipeItself) {
  ScopedConsoleCapture capture(40, 10);
  PrintText(":: Opening A.MAP...", true);
  const std::int32_t row = CursorRow();
  const std::int32_t column = CursorColumn();
  const std::string prompt = "\"A.MAP\" already exists, replace? [Yes/No]";  // wraps once
  PrintText(prompt, false);
  MoveCursor(row, column);
  PrintText(Spaces(static_cast<std::int32_t>(prompt.size()) + 1), false);
  MoveCursor(row, column);
  EXPECT_EQ(capture.ScreenRow(2), std::string(40, ' '));
  EXPECT_EQ(capture.ScreenRow(3), std::string(40, ' '));
  EXPECT_EQ(capture.Row(), 2);
  EXPECT_EQ(capture.Column(), 1);
}

TEST(ReadKeyTest, CharactersAsTypedSpecialKeysAsTwoBytesNothingTypedAsEmptyTextAtOnce) {
  ScopedConsoleCapture capture(80, 25);
  EXPECT_EQ(ReadKey(), "");
  EXPECT_FALSE(KeyInputEnded());
  for (const char* burst : {"Y", "\x1b[A", "y\r"}) capture.TypeKeys(burst);
  for (const std::string& key : {std::string("Y"), SpecialKey(key_code::kUp), std::string("y"), std::string("\r"),
                                 std::string()}) {
    EXPECT_EQ(ReadKey(), key);
  }
  EXPECT_EQ(SpecialKey(key_code::kUp)[0], '\xff');
  EXPECT_FALSE(capture.ReadingKeys());
}

TEST(ReadKeyTest, LoneEscapeIsTheEscapeKey) {
  ScopedConsoleCapture capture(80, 25);
  capture.TypeKeys("\x1b");
  EXPECT_EQ(ReadKey(), "\x1b");
  capture.TypeKeys("\x1b");
  capture.TypeKeys("[B");  // the rest of the sequence comes in a second burst
  EXPECT_EQ(ReadKey(), SpecialKey(key_code::kDown));
  capture.TypeKeys("\x1b");
  capture.TypeKeysAfterPause("[C");  // ... or a moment later
  EXPECT_EQ(ReadKey(), SpecialKey(key_code::kRight));
  EXPECT_EQ(ReadKey(), "");
}

TEST(ReadKeyTest, KeysTypedAheadBeyondBufferKeepTheNewest) {
  ScopedConsoleCapture capture(80, 25);
  std::string typed;
  for (int n = 0; n < 600; ++n) typed.push_back(static_cast<char>('a' + n % 26));
  capture.TypeKeys(typed);
  std::string read;
  for (std::string key = ReadKey(); !key.empty(); key = ReadKey()) read += key;
  EXPECT_EQ(read, typed.substr(600 - 511));
}

// The key that ends a wait stays unread; the wait is for a key newer than those already seen.
TEST(WaitKeyTest, WaitsForKeyNewerThanThoseAlreadySeenAndLeavesIt) {
  ScopedConsoleCapture capture(80, 25);
  capture.TypeKeys("q");
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 0);
  EXPECT_FALSE(capture.ReadingKeys());
  capture.TypeKeys("ab");
  EXPECT_EQ(ReadKey(), "q");  // "a" and "b" have been seen now
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 1);
  capture.TypeKeys("c");
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 1);
  for (const char* key : {"a", "b", "c"}) EXPECT_EQ(ReadKey(), key);
}

TEST(WaitKeyTest, ConsoleThatGoesAwayEndsTheWait) {
  ScopedConsoleCapture capture(80, 25);
  WaitKey();  // the recording console has nobody typing: a real one would have hung up
  EXPECT_EQ(capture.StalledWaits(), 1);
  EXPECT_TRUE(KeyInputEnded());
  EXPECT_EQ(ReadKey(), "");
}

TEST(PipedInputTest, NewTerminalStartsWithFreshKeyState) {
  {
    ScopedConsoleCapture capture(80, 25);
    capture.TypeKeys("left over");
    EXPECT_EQ(ReadKey(), "l");
    capture.PipeInput("");
    EXPECT_EQ(ReadKey(), "e");  // keys already taken from the console come first
  }
  ScopedConsoleCapture capture(80, 25);
  EXPECT_EQ(ReadKey(), "");
  EXPECT_FALSE(KeyInputEnded());
}

}  // namespace
}  // namespace tessaro

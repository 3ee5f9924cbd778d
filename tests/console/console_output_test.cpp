// What the console layer writes, seen through a recording terminal.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "console/console.hpp"
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

TEST(PrintTextTest, FullWidthLineWithLineEndLeavesEmptyRow) {
  ScopedConsoleCapture capture(10, 5);
  PrintText("0123456789", true);
  PrintText("x", false);
  EXPECT_EQ(capture.Text(), "0123456789\r\n\r\nx");
  EXPECT_EQ(capture.ScreenRow(1), "0123456789");
  EXPECT_EQ(capture.ScreenRow(2), std::string(10, ' '));
  EXPECT_EQ(capture.ScreenRow(3), "x         ");
}

TEST(PrintTextTest, FullWidthLineWithoutLineEndLeavesCursorOnNextRow) {
  ScopedConsoleCapture capture(10, 5);
  PrintText("0123456789", false);
  EXPECT_EQ(capture.Row(), 2);
  EXPECT_EQ(capture.Column(), 1);
  PrintText("x", false);
  EXPECT_EQ(capture.ScreenRow(2), "x         ");
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

TEST(PrintTextTest, RedirectedOutputIsWrittenUnchanged) {
  ScopedConsoleCapture capture;
  const std::string long_line(300, 'x');
  PrintText(long_line, true);
  PrintText("\xc4\xc4", false);
  PrintText("", true);
  EXPECT_EQ(capture.Text(), long_line + "\r\n\xc4\xc4\r\n");
  EXPECT_EQ(ConsoleColumns(), 0);
}

TEST(ConsoleColumnsTest, ConsoleWidth) {
  ScopedConsoleCapture capture(132, 43);
  EXPECT_EQ(ConsoleColumns(), 132);
}

TEST(TabToTest, MovesForwardOnTheSameRowWithoutWriting) {
  ScopedConsoleCapture capture(80, 25);
  PrintText(std::string(15, 'a'), false);  // cursor in column 16
  TabTo(18);
  EXPECT_EQ(capture.Marked(), std::string(15, 'a') + "<@1,18>");
  PrintText("b", false);
  EXPECT_EQ(capture.ScreenRow(1).substr(0, 19), std::string(15, 'a') + "  b ");
}

TEST(TabToTest, StaysWhenAlreadyInColumn) {
  ScopedConsoleCapture capture(80, 25);
  PrintText(std::string(17, 'a'), false);  // column 18
  TabTo(18);
  EXPECT_EQ(capture.Marked(), std::string(17, 'a'));
}

TEST(TabToTest, ColumnBehindCursorStartsNewLine) {
  ScopedConsoleCapture capture(80, 25);
  PrintText(std::string(24, 'a'), false);  // column 25
  TabTo(18);
  EXPECT_EQ(capture.Marked(), std::string(24, 'a') + "\r\n<@2,18>");
  EXPECT_EQ(capture.Row(), 2);
  EXPECT_EQ(capture.Column(), 18);
}

TEST(TabToTest, ColumnBeyondWidthIsTakenModuloWidth) {
  ScopedConsoleCapture capture(80, 25);
  TabTo(98);
  EXPECT_EQ(capture.Marked(), "<@1,18>");
  TabTo(160);  // 0: behind column 18, so a new line and column 1
  EXPECT_EQ(capture.Marked(), "<@1,18>\r\n");
  EXPECT_EQ(capture.Column(), 1);
}

TEST(TabToTest, ColumnBelowOneGoesToColumnOne) {
  ScopedConsoleCapture capture(80, 25);
  PrintText("abcd", false);
  TabTo(-3);
  EXPECT_EQ(capture.Text(), "abcd\r\n");
  EXPECT_EQ(capture.Column(), 1);
}

TEST(TabToTest, RedirectedOutputPadsWithSpaces) {
  ScopedConsoleCapture capture;
  PrintText("-In", false);
  TabTo(8);
  PrintText("source", false);
  TabTo(5);
  PrintText("x", true);
  TabTo(3);
  EXPECT_EQ(capture.Text(), "-In    source\r\n    x\r\n  ");
}

TEST(SetTextColorTest, AttributeIsForegroundOnBlackModulo16) {
  ScopedConsoleCapture capture(80, 25);
  SetTextColor(15);
  PrintText("a", false);
  SetTextColor(23);
  SetTextColor(16);
  SetTextColor(-1);
  SetTextColor(8);
  EXPECT_EQ(capture.Marked(), "<c15>a<c7><c0><c15><c8>");
  EXPECT_EQ(capture.Text(), "a");
}

TEST(SetTextColorTest, NoEffectOnRedirectedOutput) {
  ScopedConsoleCapture capture;
  SetTextColor(15);
  PrintText("a", false);
  EXPECT_EQ(capture.Marked(), "a");
}

TEST(TextHelpersTest, SpacesAndRepeatChar) {
  EXPECT_EQ(Spaces(0), "");
  EXPECT_EQ(Spaces(-5), "");
  EXPECT_EQ(Spaces(3), "   ");
  EXPECT_EQ(RepeatChar(0, '\xc4'), "");
  EXPECT_EQ(RepeatChar(-1, 'x'), "");
  EXPECT_EQ(RepeatChar(4, '\xc4'), "\xc4\xc4\xc4\xc4");
}

TEST(TextHelpersTest, IntToText) {
  EXPECT_EQ(IntToText(7), "7");
  EXPECT_EQ(IntToText(-3), "-3");
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(IntToText(std::numeric_limits<std::int32_t>::max()), "2147483647");
}

TEST(MoveCursorTest, MovesWithinWindowOnly) {
  ScopedConsoleCapture capture(80, 25);
  MoveCursor(5, 10);
  MoveCursor(0, 3);
  MoveCursor(7, 0);
  MoveCursor(25, 80);
  EXPECT_EQ(capture.Marked(), "<@5,10><@5,3><@7,3><@25,80>");
  MoveCursor(26, 1);
  MoveCursor(1, 81);
  MoveCursor(-1, 5);
  MoveCursor(5, -1);
  MoveCursor(0, 0);
  EXPECT_EQ(capture.Marked(), "<@5,10><@5,3><@7,3><@25,80>");
}

TEST(MoveCursorTest, NoEffectOnRedirectedOutput) {
  ScopedConsoleCapture capture;
  MoveCursor(1, 1);
  EXPECT_EQ(capture.Marked(), "");
}

TEST(CursorPositionTest, ConsoleIsAsked) {
  ScopedConsoleCapture capture(80, 25);
  capture.SetCursor(7, 12);
  EXPECT_EQ(CursorRow(), 7);
  EXPECT_EQ(CursorColumn(), 12);
  PrintText(std::string(69, 'a'), false);  // column 81 is past the edge: next row
  EXPECT_EQ(CursorRow(), 8);
  EXPECT_EQ(CursorColumn(), 1);
}

TEST(CursorPositionTest, RedirectedOutputIsTracked) {
  ScopedConsoleCapture capture;
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

}  // namespace
}  // namespace tessaro

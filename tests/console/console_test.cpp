// The console layer with a recording terminal standing in for the console, the key parser, and
// the plain functions of text in console.cases. The POSIX terminal itself is in
// terminal_posix_test.cpp, the Windows console in win32_console_test.cpp.
#include "console/console.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "console/key_input.hpp"
#include "console/terminal_codes.hpp"
#include "tests/support/case_table.hpp"
#include "tests/support/console_capture.hpp"

namespace tessaro {
namespace {

using testing::ScopedConsoleCapture;

const char* Unset(const std::string& cell) { return cell == "-" ? nullptr : cell.c_str(); }

// The parser fed one byte at a time: each key, "/", then what a flush gives once nothing follows.
// A special key shows as its code in angle brackets, an interrupt as "^C".
std::vector<std::string> Keys(std::string_view bytes) {
  KeyParser parser;
  std::vector<KeyEvent> events;
  for (char byte : bytes) parser.Feed(static_cast<unsigned char>(byte), events);
  const bool pending = parser.Pending();
  events.push_back({KeyEvent::Kind::Key, "/"});
  const std::size_t held = events.size();
  parser.Flush(events);
  EXPECT_EQ(pending, events.size() > held) << bytes;
  EXPECT_FALSE(parser.Pending());
  std::vector<std::string> keys;
  for (const KeyEvent& event : events) {
    const bool special = event.text.size() == 2;
    keys.push_back(event.kind == KeyEvent::Kind::Interrupt ? "^C"
                   : special ? "<" + std::to_string(static_cast<unsigned char>(event.text[1])) + ">"
                             : event.text);
  }
  return keys;
}

std::vector<std::string> Evaluate(const std::string& kind, const std::vector<std::string>& given) {
  if (kind == "keys") return Keys(given[0]);
  if (kind == "tab") {
    ScopedConsoleCapture capture(80, 25);
    const auto printed = static_cast<std::size_t>(std::stoi(given[0]));
    PrintText(std::string(printed, 'a'), false);
    TabTo(std::stoi(given[1]));
    return {capture.Marked().substr(printed), std::to_string(capture.Row()), std::to_string(capture.Column())};
  }
  if (kind == "color") return {ColorSequence(std::stoi(given[0]))};
  if (kind == "move") return {CursorMoveSequence(std::stoi(given[0]), std::stoi(given[1]))};
  if (kind == "locale") return {LocaleIsUtf8(Unset(given[0]), Unset(given[1]), Unset(given[2])) ? "yes" : "no"};
  if (kind == "display") {
    std::string shown;
    AppendForDisplay(shown, given[0], given[1] == "utf8");
    return {shown};
  }
  const CursorReply reply = ScanCursorReply(given[0]);
  if (!reply.found) return {"none", reply.other};
  return {std::to_string(reply.row), std::to_string(reply.column), reply.other};
}

TEST(ConsoleCasesTest, EveryRowGivesItsExpectedCells) {
  for (const testing::CaseRow& row : testing::ReadCases("console/console.cases")) {
    if (row.given[0] == "number" || row.given[0] == "round") continue;  // number_test.cpp
    const std::vector<std::string> given(row.given.begin() + 1, row.given.end());
    EXPECT_EQ(Evaluate(row.given[0], given), row.expected) << row.where;
  }
}

// A full row leaves the cursor in the next row, so a line end after it leaves an empty row; a long
// text breaks at every row end, also after the cursor was moved.
TEST(PrintTextTest, LineEndsAndWrapping) {
  ScopedConsoleCapture capture(10, 8);
  PrintText("0123456789", true);
  PrintText("", true);
  PrintText("abc", false);
  PrintText("defghijklmn", true);
  EXPECT_EQ(capture.Text(), "0123456789\r\n\r\n\r\nabcdefghij\r\nklmn\r\n");
  EXPECT_EQ(std::pair(capture.Row(), capture.Column()), std::pair(6, 1));
  MoveCursor(3, 8);
  PrintText("xyzw", false);
  EXPECT_EQ(capture.Text().substr(capture.Text().size() - 6), "xyz\r\nw");
  EXPECT_EQ(capture.Row(), 4);
  EXPECT_EQ(capture.Column(), 2);
  PrintText("\r\n0123456789x", false);  // a line end inside the text starts the row count afresh
  EXPECT_EQ(capture.Text().substr(capture.Text().size() - 15), "\r\n0123456789\r\nx");
}

TEST(ConsoleTest, ColoursMovesAndTextHelpers) {
  ScopedConsoleCapture capture(80, 25);
  SetTextColor(15);
  PrintText("a", false);
  for (int attribute : {23, 16, -1, 8}) SetTextColor(attribute);
  MoveCursor(5, 10);
  MoveCursor(0, 3);
  MoveCursor(7, 0);
  MoveCursor(25, 80);
  for (const auto& [row, column] : {std::pair{26, 1}, {1, 81}, {-1, 5}, {5, -1}, {0, 0}}) MoveCursor(row, column);
  EXPECT_EQ(capture.Marked(), "<c15>a<c7><c0><c15><c8><@5,10><@5,3><@7,3><@25,80>");
  // Ctrl-C mid-line ends the line and gives the console its colours back before the interrupt;
  // at the end of a run the colours go back once, and only if the program set any.
  PrintText("?", false);
  capture.TypeKeys("\x03");
  EXPECT_EQ(ReadKey(), "");
  RestoreConsole();
  EXPECT_EQ(capture.Marked().substr(capture.Marked().size() - 11), "?\r\n<c-><^C>");
  ScopedConsoleCapture plain(80, 25);
  plain.TypeKeys("\x03");
  EXPECT_EQ(ReadKey(), "");
  RestoreConsole();
  EXPECT_EQ(plain.Marked(), "<^C>");
  ScopedConsoleCapture file;  // redirected: where the cursor is, is counted
  PrintText("abc\r\nde", false);
  EXPECT_EQ(std::pair(CursorRow(), CursorColumn()), std::pair(2, 3));
  EXPECT_EQ(Spaces(0) + Spaces(-5) + RepeatChar(0, '\xc4') + RepeatChar(-1, 'x'), "");
  EXPECT_EQ(Spaces(3) + RepeatChar(2, '\xc4'), "   \xc4\xc4");
  EXPECT_EQ(IntToText(7) + IntToText(0) + IntToText(std::numeric_limits<std::int32_t>::min()) +
                IntToText(std::numeric_limits<std::int32_t>::max()),
            "70-21474836482147483647");
}

// Characters as typed, special keys as two bytes, nothing typed as "" at once; an escape is a key
// of its own unless the rest of a sequence follows, in the same burst or a moment later.
TEST(ReadKeyTest, KeysAsTypedInBursts) {
  ScopedConsoleCapture capture(80, 25);
  EXPECT_EQ(ReadKey(), "");
  EXPECT_FALSE(KeyInputEnded());
  for (const char* burst : {"Y", "\x1b[A", "y\r", "\x1b"}) capture.TypeKeys(burst);
  for (const std::string& key : {std::string("Y"), SpecialKey(key_code::kUp), std::string("y"), std::string("\r"),
                                 std::string("\x1b"), std::string()}) {
    EXPECT_EQ(ReadKey(), key);
  }
  capture.TypeKeys("\x1b");
  capture.TypeKeys("[B");
  EXPECT_EQ(ReadKey(), SpecialKey(key_code::kDown));
  capture.TypeKeys("\x1b");
  capture.TypeKeysAfterPause("[C");
  EXPECT_EQ(ReadKey(), SpecialKey(key_code::kRight));
  EXPECT_FALSE(capture.ReadingKeys());
  // Typed ahead beyond the buffer: the newest 511 keys stay.
  std::string typed;
  for (int n = 0; n < 600; ++n) typed.push_back(static_cast<char>('a' + n % 26));
  capture.TypeKeys(typed);
  std::string read;
  for (std::string key = ReadKey(); !key.empty(); key = ReadKey()) read += key;
  EXPECT_EQ(read, typed.substr(600 - 511));
}

// The key that ends a wait stays unread; the wait is for a key newer than those already seen, and
// a Ctrl-C the program lives through is none (the wait goes on, here until the keyboard is gone).
TEST(WaitKeyTest, WaitsForAKeyNewerThanThoseSeenAndLeavesIt) {
  ScopedConsoleCapture capture(80, 25);
  capture.TypeKeys("\x03");
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 1);
  capture.TypeKeys("q");
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 1);
  EXPECT_FALSE(capture.ReadingKeys());
  capture.TypeKeys("ab");
  EXPECT_EQ(ReadKey(), "q");  // "a" and "b" have been seen now
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 2);
  capture.TypeKeys("c");
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 2);
  for (const char* key : {"a", "b", "c"}) EXPECT_EQ(ReadKey(), key);
  WaitKey();  // nobody is typing on the recording console: a real one would have hung up
  EXPECT_EQ(capture.StalledWaits(), 3);
  EXPECT_TRUE(KeyInputEnded());
  EXPECT_EQ(ReadKey(), "");
}

// Too long for a line of the table: a sequence whose parameters overflow is one unknown key. The
// key buffer holds keys of one or two bytes (their order and the newest 511 are in ReadKeyTest).
TEST(KeyParserTest, OverlongSequenceIsOneUnknownKeyAndEveryKeyOneOrTwoBytes) {
  EXPECT_EQ(Keys("\x1b[" + std::string(300, '1') + "~y\x1b[A"), (std::vector<std::string>{"<0>", "y", "<72>", "/"}));
  EXPECT_EQ(SpecialKey(key_code::kUp), std::string("\xff\x48"));
  KeyBuffer buffer;
  buffer.Push("");
  buffer.Push("abc");
  EXPECT_TRUE(buffer.Empty() && buffer.Pop().empty());
}

}  // namespace
}  // namespace tessaro

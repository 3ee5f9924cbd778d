// The console layer with a recording terminal standing in for the console, the key parser, and
// the plain functions of text in console.cases. Piped input, Ctrl-C and the cursor query on a real
// terminal are in redirect_test.cpp and posix_pty_test.cpp.
#include "console/console.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <string>

#include "console/key_input.hpp"
#include "console/number_reading.hpp"
#include "console/terminal_codes.hpp"
#include "tests/support/case_table.hpp"
#include "tests/support/console_capture.hpp"

namespace tessaro {
namespace {

using testing::ScopedConsoleCapture;

const char* Unset(const std::string& cell) { return cell == "-" ? nullptr : cell.c_str(); }

std::vector<std::string> Evaluate(const std::string& kind, const std::vector<std::string>& given) {
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

// A full row leaves the cursor in the next row, so a line end after it leaves an empty row; a long
// text breaks at every row end, also after the cursor was moved.
TEST(PrintTextTest, LineEndsAndWrapping) {
  ScopedConsoleCapture capture(10, 8);
  PrintText("0123456789", true);
  PrintText("", true);
  PrintText("abc", false);
  PrintText("defghijklmn", true);
  EXPECT_EQ(capture.Text(), "0123456789\r\n\r\n\r\nabcdefghij\r\nklmn\r\n");
  EXPECT_EQ(capture.ScreenRow(1), "0123456789");
  EXPECT_EQ(capture.ScreenRow(2), std::string(10, ' '));
  EXPECT_EQ(capture.ScreenRow(5), "klmn      ");
  MoveCursor(3, 8);
  PrintText("xyzw", false);
  EXPECT_EQ(capture.Text().substr(capture.Text().size() - 6), "xyz\r\nw");
  EXPECT_EQ(capture.Row(), 4);
  EXPECT_EQ(capture.Column(), 2);
}

TEST(TabToTest, MovesWithoutWriting) {
  const struct {
    int printed;  // letters before
    int column;
    std::string marked;
    int row_after, column_after;
  } cases[] = {
      {15, 18, "<@1,18>", 1, 18},
      {17, 18, "", 1, 18},             // already there
      {24, 18, "\r\n<@2,18>", 2, 18},  // behind the cursor: a new line
      {0, 98, "<@1,18>", 1, 18},       // beyond the width: modulo the width
      {17, 160, "\r\n", 2, 1},         // 0 is behind column 18
      {4, -3, "\r\n", 2, 1},           // below one: column one
  };
  for (const auto& c : cases) {
    ScopedConsoleCapture capture(80, 25);
    PrintText(std::string(static_cast<std::size_t>(c.printed), 'a'), false);
    TabTo(c.column);
    EXPECT_EQ(capture.Marked(), std::string(static_cast<std::size_t>(c.printed), 'a') + c.marked) << c.column;
    EXPECT_EQ(std::pair(capture.Row(), capture.Column()), std::pair(c.row_after, c.column_after)) << c.column;
  }
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
  EXPECT_EQ(Spaces(0) + Spaces(-5) + RepeatChar(0, '\xc4') + RepeatChar(-1, 'x'), "");
  EXPECT_EQ(Spaces(3) + RepeatChar(2, '\xc4'), "   \xc4\xc4");
  EXPECT_EQ(IntToText(7) + " " + IntToText(-3) + " " + IntToText(0), "7 -3 0");
  EXPECT_EQ(IntToText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(IntToText(std::numeric_limits<std::int32_t>::max()), "2147483647");
}

TEST(ConsoleTest, CursorIsAskedOnAConsoleAndTrackedInRedirectedOutput) {
  ScopedConsoleCapture console(80, 25);
  console.SetCursor(7, 12);
  EXPECT_EQ(std::pair(CursorRow(), CursorColumn()), std::pair(7, 12));
  PrintText(std::string(69, 'a'), false);  // column 81 is past the edge: next row
  EXPECT_EQ(std::pair(CursorRow(), CursorColumn()), std::pair(8, 1));

  ScopedConsoleCapture redirected;
  EXPECT_EQ(std::pair(CursorRow(), CursorColumn()), std::pair(1, 1));
  PrintText("abc", true);
  PrintText("de", false);
  EXPECT_EQ(std::pair(CursorRow(), CursorColumn()), std::pair(2, 3));
}

// What the overwrite question does: remember the start, ask, then wipe the question.
TEST(ConsoleTest, PromptCanWipeItself) {
  ScopedConsoleCapture capture(40, 10);
  PrintText(":: Opening A.MAP...", true);
  const std::int32_t row = CursorRow();
  const std::int32_t column = CursorColumn();
  const std::string prompt = "\"A.MAP\" already exists, replace? [Yes/No]";  // wraps once
  PrintText(prompt, false);
  MoveCursor(row, column);
  PrintText(Spaces(static_cast<std::int32_t>(prompt.size()) + 1), false);
  MoveCursor(row, column);
  EXPECT_EQ(capture.ScreenRow(2) + capture.ScreenRow(3), std::string(80, ' '));
  EXPECT_EQ(std::pair(capture.Row(), capture.Column()), std::pair(2, 1));
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

// The key that ends a wait stays unread; the wait is for a key newer than those already seen.
TEST(WaitKeyTest, WaitsForAKeyNewerThanThoseSeenAndLeavesIt) {
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
  WaitKey();  // nobody is typing on the recording console: a real one would have hung up
  EXPECT_EQ(capture.StalledWaits(), 2);
  EXPECT_TRUE(KeyInputEnded());
  EXPECT_EQ(ReadKey(), "");
}

TEST(ReadKeyTest, ANewTerminalStartsWithFreshKeyState) {
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

using Keys = std::vector<std::string>;

// The parser fed one byte at a time; an interrupt shows as "^C". The keys, "|", then what a flush
// gives once nothing follows.
Keys Parsed(std::string_view bytes) {
  KeyParser parser;
  std::vector<KeyEvent> events;
  for (char byte : bytes) parser.Feed(static_cast<unsigned char>(byte), events);
  const bool pending = parser.Pending();
  events.push_back({KeyEvent::Kind::Key, "|"});
  const std::size_t held = events.size();
  parser.Flush(events);
  EXPECT_EQ(pending, events.size() > held) << bytes;
  EXPECT_FALSE(parser.Pending());
  Keys texts;
  for (const KeyEvent& event : events) texts.push_back(event.kind == KeyEvent::Kind::Interrupt ? "^C" : event.text);
  return texts;
}

std::string K(unsigned char code) { return SpecialKey(code); }

TEST(KeyParserTest, BytesBecomeKeys) {
  using namespace key_code;
  const std::string unknown = K(kUnknown);
  const std::pair<std::string, Keys> cases[] = {
      {"yN a\r\x7f\t\xc3\xa9\xff", {"y", "N", " ", "a", "\r", "\x7f", "\t", "\xc3", "\xa9", "\xff", "|"}},
      // Arrows in both cursor modes and with Ctrl; function keys of common terminals, the Linux console's among them.
      {"\x1b[A\x1b[B\x1b[C\x1b[D\x1bOA\x1bOD\x1b[1;5A", {K(kUp), K(kDown), K(kRight), K(kLeft), K(kUp), K(kLeft), K(kUp), "|"}},
      {"\x1bOQ\x1bOR\x1b[[1", {K(60), K(61), "1", "|"}},
      {"\x1bOP\x1bOS\x1b[11~\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~\x1b[[A\x1b[[E\x1b[1;2P",
       {K(59), K(62), K(59), K(63), K(64), K(68), K(kF11), K(kF12), K(59), K(63), K(59), "|"}},
      {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~\x1b[Z", {K(kInsert), K(kDelete), K(kPageUp), K(kPageDown), K(kBackTab), "|"}},
      {"\x1b[H\x1b[F\x1b[1~\x1b[4~\x1bOH\x1b[7~", {K(kHome), K(kEnd), K(kHome), K(kEnd), K(kHome), K(kHome), "|"}},
      {"\x1b[99~\x1b[x\x1b[1234~\x1bOz\x1b[[z", {unknown, unknown, unknown, unknown, unknown, "|"}},
      {"\x1b[" + std::string(300, '1') + "~y", {unknown, "y", "|"}},
      // A lone escape is a key once nothing follows; one before no sequence is a key of its own (Alt+y).
      {"\x1b", {"|", "\x1b"}},
      {"\x1by\x1b\x1b[A", {"\x1b", "y", "\x1b", K(kUp), "|"}},
      {"\x1b[1;", {"|", "\x1b", "[", "1", ";"}},
      {"\x1bO", {"|", "\x1b", "O"}},
      // Ctrl-C is an interrupt, not a key; a sequence it breaks is dropped.
      {"a\x03" "b\x1b\x03\x1b[1\x03y", {"a", "^C", "b", "\x1b", "^C", "^C", "y", "|"}},
  };
  for (const auto& [bytes, keys] : cases) EXPECT_EQ(Parsed(bytes), keys) << bytes;
  EXPECT_EQ(K(kUp), std::string("\xff\x48"));
}

// At most 511 keys in the order typed, the oldest dropped, also once the ring has wrapped round.
TEST(KeyBufferTest, KeepsTheNewest511KeysInOrder) {
  auto key = [](int n) { return n % 2 == 0 ? std::string(1, static_cast<char>('A' + n % 26)) : K(static_cast<unsigned char>(n)); };
  KeyBuffer buffer;
  buffer.Push("");
  buffer.Push("abc");
  EXPECT_TRUE(buffer.Empty()) << "no key is empty or longer than two bytes";
  EXPECT_EQ(buffer.Pop(), "");
  for (int n = 0; n < 512; ++n) buffer.Push(key(n));
  EXPECT_EQ(buffer.Size(), 511u);
  EXPECT_EQ(buffer.Pop(), key(1));
  for (int n = 512; n < 2000; ++n) buffer.Push(key(n));
  for (int n = 2000 - 511; n < 2000; ++n) ASSERT_EQ(buffer.Pop(), key(n)) << n;
  EXPECT_TRUE(buffer.Empty());
  EXPECT_EQ(buffer.Pop(), "");
}

}  // namespace
}  // namespace tessaro

#include "console/key_input.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaro {
namespace {

using Keys = std::vector<std::string>;
using namespace key_code;

std::string K(unsigned char code) { return SpecialKey(code); }

// The parser fed one byte at a time; an interrupt shows as "^C".
Keys Texts(const std::vector<KeyEvent>& events) {
  Keys texts;
  for (const KeyEvent& event : events) texts.push_back(event.kind == KeyEvent::Kind::Interrupt ? "^C" : event.text);
  return texts;
}

Keys Feed(KeyParser& parser, std::string_view bytes) {
  std::vector<KeyEvent> events;
  for (char byte : bytes) parser.Feed(static_cast<unsigned char>(byte), events);
  return Texts(events);
}

Keys Flush(KeyParser& parser) {
  std::vector<KeyEvent> events;
  parser.Flush(events);
  return Texts(events);
}

TEST(KeyParserTest, BytesBecomeKeys) {
  const std::string unknown = K(kUnknown);
  const struct {
    std::string bytes;
    Keys keys;
    Keys flushed;  // once nothing follows
  } cases[] = {
      {"yN a\r\x7f\t", {"y", "N", " ", "a", "\r", "\x7f", "\t"}, {}},
      {"\xc3\xa9\xff", {"\xc3", "\xa9", "\xff"}, {}},  // one byte each, so never taken for a special key
      // Arrows in both cursor modes, and with Ctrl.
      {"\x1b[A\x1b[B\x1b[C\x1b[D\x1bOA\x1bOD\x1b[1;5A",
       {K(kUp), K(kDown), K(kRight), K(kLeft), K(kUp), K(kLeft), K(kUp)},
       {}},
      // Function keys of common terminals, the Linux console's among them.
      {"\x1bOP\x1bOS\x1b[11~\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~\x1b[[A\x1b[[E\x1b[1;2P",
       {K(59), K(62), K(59), K(63), K(64), K(68), K(kF11), K(kF12), K(59), K(63), K(59)}, {}},
      {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~\x1b[Z", {K(kInsert), K(kDelete), K(kPageUp), K(kPageDown), K(kBackTab)}, {}},
      {"\x1b[H\x1b[F\x1b[1~\x1b[4~\x1bOH\x1b[7~", {K(kHome), K(kEnd), K(kHome), K(kEnd), K(kHome), K(kHome)}, {}},
      {"\x1b[99~\x1b[x\x1b[1234~\x1bOz\x1b[[z", {unknown, unknown, unknown, unknown, unknown}, {}},
      {"\x1b[" + std::string(300, '1') + "~y", {unknown, "y"}, {}},
      // A lone escape is a key once nothing follows; one before no sequence is a key of its own (Alt+y).
      {"\x1b", {}, {"\x1b"}},
      {"\x1by\x1b\x1b[A", {"\x1b", "y", "\x1b", K(kUp)}, {}},
      {"\x1b[", {}, {"\x1b", "["}},
      {"\x1bO", {}, {"\x1b", "O"}},
      {"\x1b[1;", {}, {"\x1b", "[", "1", ";"}},
      // Ctrl-C is an interrupt, not a key; a sequence it breaks is dropped.
      {"a\x03" "b\x1b\x03\x1b[1\x03y", {"a", "^C", "b", "\x1b", "^C", "^C", "y"}, {}},
  };
  for (const auto& c : cases) {
    KeyParser parser;
    EXPECT_EQ(Feed(parser, c.bytes), c.keys) << c.bytes;
    EXPECT_EQ(parser.Pending(), !c.flushed.empty()) << c.bytes;
    EXPECT_EQ(Flush(parser), c.flushed) << c.bytes;
    EXPECT_FALSE(parser.Pending());
  }
  EXPECT_EQ(K(kUp), std::string("\xff\x48"));
}

TEST(KeyParserTest, SplitSequenceWaitsForItsLastByte) {
  KeyParser parser;
  for (char byte : std::string_view("\x1b[15")) {
    EXPECT_EQ(Feed(parser, std::string(1, byte)), Keys{});
    EXPECT_TRUE(parser.Pending());
  }
  EXPECT_EQ(Feed(parser, "~"), (Keys{K(63)}));
  EXPECT_EQ(Feed(parser, "\x1b"), Keys{});
  EXPECT_EQ(Feed(parser, "O"), Keys{});
  EXPECT_EQ(Feed(parser, "B"), (Keys{K(kDown)}));
  EXPECT_FALSE(parser.Pending());
}

std::string KeyNumber(int n) {
  return n % 2 == 0 ? std::string(1, static_cast<char>('A' + n % 26)) : K(static_cast<unsigned char>(n % 256));
}

// In order typed, at most 511, the oldest dropped, also once the ring has wrapped round.
TEST(KeyBufferTest, KeepsTheNewest511KeysInOrder) {
  KeyBuffer buffer;
  EXPECT_EQ(buffer.Pop(), "");
  for (int n = 0; n < 512; ++n) buffer.Push(KeyNumber(n));
  EXPECT_EQ(buffer.Size(), 511u);
  EXPECT_EQ(buffer.Pop(), KeyNumber(1));
  for (int n = 512; n < 2000; ++n) buffer.Push(KeyNumber(n));
  for (int n = 2000 - 511; n < 2000; ++n) ASSERT_EQ(buffer.Pop(), KeyNumber(n)) << n;
  EXPECT_TRUE(buffer.Empty());
  EXPECT_EQ(buffer.Pop(), "");

  int next_in = 0;
  int next_out = 0;
  while (next_in < 300) buffer.Push(KeyNumber(next_in++));
  for (int round = 0; round < 1500; ++round) {
    buffer.Push(KeyNumber(next_in++));
    ASSERT_EQ(buffer.Pop(), KeyNumber(next_out++)) << round;
  }
  EXPECT_EQ(buffer.Size(), 300u);
}

}  // namespace
}  // namespace tessaro

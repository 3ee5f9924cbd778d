#include "console/key_input.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaro {
namespace {

using Keys = std::vector<std::string>;

// Feeds the parser one byte at a time; an interrupt shows as "^C".
class KeyParserTest : public ::testing::Test {
 protected:
  Keys Feed(std::string_view bytes) {
    std::vector<KeyEvent> events;
    for (char byte : bytes) parser_.Feed(static_cast<unsigned char>(byte), events);
    return Texts(events);
  }
  Keys Flush() {
    std::vector<KeyEvent> events;
    parser_.Flush(events);
    return Texts(events);
  }
  static Keys Texts(const std::vector<KeyEvent>& events) {
    Keys texts;
    for (const KeyEvent& event : events) {
      texts.push_back(event.kind == KeyEvent::Kind::Interrupt ? "^C" : event.text);
    }
    return texts;
  }

  KeyParser parser_;
};

TEST_F(KeyParserTest, PlainBytesAreOneByteKeys) {
  EXPECT_EQ(Feed("yN a"), (Keys{"y", "N", " ", "a"}));
  EXPECT_EQ(Feed("\r\x7f\t"), (Keys{"\r", "\x7f", "\t"}));
  EXPECT_EQ(Feed("\xc3\xa9"), (Keys{"\xc3", "\xa9"}));
  EXPECT_EQ(Feed("\xff"), (Keys{"\xff"}));  // one byte, so never taken for a special key
  EXPECT_FALSE(parser_.Pending());
}

TEST_F(KeyParserTest, ArrowsInBothCursorModes) {
  EXPECT_EQ(Feed("\x1b[A\x1b[B\x1b[C\x1b[D"),
            (Keys{SpecialKey(key_code::kUp), SpecialKey(key_code::kDown),
                  SpecialKey(key_code::kRight), SpecialKey(key_code::kLeft)}));
  EXPECT_EQ(Feed("\x1bOA\x1bOD"), (Keys{SpecialKey(key_code::kUp), SpecialKey(key_code::kLeft)}));
  EXPECT_EQ(Feed("\x1b[1;5A"), (Keys{SpecialKey(key_code::kUp)}));  // Ctrl+Up
  EXPECT_EQ(SpecialKey(key_code::kUp), std::string("\xff\x48"));
}

TEST_F(KeyParserTest, FunctionKeysOfCommonTerminals) {
  EXPECT_EQ(Feed("\x1bOP\x1bOS"), (Keys{SpecialKey(59), SpecialKey(62)}));
  EXPECT_EQ(Feed("\x1b[11~\x1b[15~\x1b[17~\x1b[21~"),
            (Keys{SpecialKey(59), SpecialKey(63), SpecialKey(64), SpecialKey(68)}));
  EXPECT_EQ(Feed("\x1b[23~\x1b[24~"), (Keys{SpecialKey(key_code::kF11), SpecialKey(key_code::kF12)}));
  EXPECT_EQ(Feed("\x1b[[A\x1b[[E"), (Keys{SpecialKey(59), SpecialKey(63)}));  // Linux console
  EXPECT_EQ(Feed("\x1b[1;2P"), (Keys{SpecialKey(59)}));
}

TEST_F(KeyParserTest, EditingKeys) {
  EXPECT_EQ(Feed("\x1b[2~\x1b[3~\x1b[5~\x1b[6~"),
            (Keys{SpecialKey(key_code::kInsert), SpecialKey(key_code::kDelete),
                  SpecialKey(key_code::kPageUp), SpecialKey(key_code::kPageDown)}));
  EXPECT_EQ(Feed("\x1b[H\x1b[F\x1b[1~\x1b[4~\x1bOH\x1b[7~"),
            (Keys{SpecialKey(key_code::kHome), SpecialKey(key_code::kEnd),
                  SpecialKey(key_code::kHome), SpecialKey(key_code::kEnd),
                  SpecialKey(key_code::kHome), SpecialKey(key_code::kHome)}));
  EXPECT_EQ(Feed("\x1b[Z"), (Keys{SpecialKey(key_code::kBackTab)}));
}

TEST_F(KeyParserTest, UnknownSequencesAreUnknownSpecialKeys) {
  const std::string unknown = SpecialKey(key_code::kUnknown);
  EXPECT_EQ(Feed("\x1b[99~\x1b[x\x1b[1234~\x1bOz"), (Keys{unknown, unknown, unknown, unknown}));
  EXPECT_EQ(Feed("\x1b[[z"), (Keys{unknown}));
}

TEST_F(KeyParserTest, OverlongSequenceIsOneUnknownKey) {
  EXPECT_EQ(Feed("\x1b[" + std::string(300, '1') + "~y"),
            (Keys{SpecialKey(key_code::kUnknown), "y"}));
}

TEST_F(KeyParserTest, SplitSequenceWaitsForItsLastByte) {
  for (char byte : std::string_view("\x1b[15")) {
    EXPECT_EQ(Feed(std::string(1, byte)), Keys{});
    EXPECT_TRUE(parser_.Pending());
  }
  EXPECT_EQ(Feed("~"), (Keys{SpecialKey(63)}));
  EXPECT_FALSE(parser_.Pending());
  EXPECT_EQ(Feed("\x1b"), Keys{});
  EXPECT_EQ(Feed("O"), Keys{});
  EXPECT_EQ(Feed("B"), (Keys{SpecialKey(key_code::kDown)}));
}

TEST_F(KeyParserTest, LoneEscapeIsAKeyOnceNothingFollows) {
  EXPECT_EQ(Feed("\x1b"), Keys{});
  EXPECT_TRUE(parser_.Pending());
  EXPECT_EQ(Flush(), (Keys{"\x1b"}));
  EXPECT_FALSE(parser_.Pending());
  EXPECT_EQ(Flush(), Keys{});
}

TEST_F(KeyParserTest, EscapeFollowedByNoSequenceIsTwoKeys) {
  EXPECT_EQ(Feed("\x1by"), (Keys{"\x1b", "y"}));               // Alt+y
  EXPECT_EQ(Feed("\x1b\x1b[A"), (Keys{"\x1b", SpecialKey(key_code::kUp)}));
  EXPECT_EQ(Feed("\x1b["), Keys{});
  EXPECT_EQ(Flush(), (Keys{"\x1b", "["}));  // Alt+[ with nothing after it
  EXPECT_EQ(Feed("\x1bO"), Keys{});
  EXPECT_EQ(Flush(), (Keys{"\x1b", "O"}));
  EXPECT_EQ(Feed("\x1b[1;"), Keys{});
  EXPECT_EQ(Flush(), (Keys{"\x1b", "[", "1", ";"}));
}

TEST_F(KeyParserTest, CtrlCIsAnInterruptNotAKey) {
  EXPECT_EQ(Feed("a\x03" "b"), (Keys{"a", "^C", "b"}));
  EXPECT_EQ(Feed("\x1b\x03"), (Keys{"\x1b", "^C"}));
  EXPECT_EQ(Feed("\x1b[1\x03y"), (Keys{"^C", "y"}));  // the broken sequence is dropped
  EXPECT_FALSE(parser_.Pending());
}

TEST(KeyBufferTest, KeepsKeysInOrderTyped) {
  KeyBuffer buffer;
  EXPECT_EQ(buffer.Pop(), "");
  buffer.Push("a");
  buffer.Push(SpecialKey(key_code::kUp));
  buffer.Push("b");
  EXPECT_EQ(buffer.Size(), 3u);
  EXPECT_EQ(buffer.Pop(), "a");
  EXPECT_EQ(buffer.Pop(), SpecialKey(key_code::kUp));
  EXPECT_EQ(buffer.Pop(), "b");
  EXPECT_EQ(buffer.Pop(), "");
  EXPECT_TRUE(buffer.Empty());
}

std::string KeyNumber(int n) {
  return n % 2 == 0 ? std::string(1, static_cast<char>('A' + n % 26))
                    : SpecialKey(static_cast<unsigned char>(n % 256));
}

TEST(KeyBufferTest, HoldsAtMost511KeysDroppingTheOldest) {
  KeyBuffer buffer;
  for (int n = 0; n < 511; ++n) buffer.Push(KeyNumber(n));
  EXPECT_EQ(buffer.Size(), 511u);
  buffer.Push(KeyNumber(511));
  EXPECT_EQ(buffer.Size(), 511u);
  EXPECT_EQ(buffer.Pop(), KeyNumber(1));  // key 0 was dropped

  for (int n = 512; n < 2000; ++n) buffer.Push(KeyNumber(n));
  EXPECT_EQ(buffer.Size(), 511u);
  for (int n = 2000 - 511; n < 2000; ++n) ASSERT_EQ(buffer.Pop(), KeyNumber(n)) << n;
  EXPECT_TRUE(buffer.Empty());
}

TEST(KeyBufferTest, OrderSurvivesWrappingRoundTheRing) {
  KeyBuffer buffer;
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

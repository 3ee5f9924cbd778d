#include "console/terminal_codes.hpp"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

namespace tessaro {
namespace {

// Palette numbers become normal or bright colours: blue on red, cyan on brown, yellow on light
// blue, light red on light green.
TEST(ColorSequenceTest, PaletteNumbersBecomeNormalOrBrightColours) {
  const std::pair<int, const char*> cases[] = {
      {7, "\x1b[0;37;40m"},           {15, "\x1b[0;97;40m"},           {8, "\x1b[0;90;40m"},
      {0, "\x1b[0;30;40m"},           {1 + 16 * 4, "\x1b[0;34;41m"},   {3 + 16 * 6, "\x1b[0;36;43m"},
      {14 + 16 * 9, "\x1b[0;93;104m"}, {12 + 16 * 10, "\x1b[0;91;102m"},
  };
  for (const auto& [attribute, sequence] : cases) EXPECT_EQ(ColorSequence(attribute), sequence) << attribute;
}

TEST(CursorMoveSequenceTest, ZeroKeepsThatCoordinate) {
  EXPECT_EQ(CursorMoveSequence(5, 10), "\x1b[5;10H");
  EXPECT_EQ(CursorMoveSequence(0, 18), "\x1b[18G");
  EXPECT_EQ(CursorMoveSequence(3, 0), "\x1b[3d");
  EXPECT_EQ(CursorMoveSequence(0, 0), "");
}

// An arrow typed before the reply is still a key.
TEST(ScanCursorReplyTest, FindsReplyAndKeepsOtherBytes) {
  for (const auto& [bytes, row, column, other] :
       {std::tuple{"\x1b[12;40R", 12, 40, ""}, {"y\x1b[A\x1b[1;1Rn", 1, 1, "y\x1b[An"}}) {
    const CursorReply reply = ScanCursorReply(bytes);
    EXPECT_TRUE(reply.found);
    EXPECT_EQ(reply.row, row);
    EXPECT_EQ(reply.column, column);
    EXPECT_EQ(reply.other, other);
  }
}

TEST(ScanCursorReplyTest, IncompleteReplyIsNotFoundYet) {
  for (const char* partial : {"", "\x1b", "\x1b[", "\x1b[12", "\x1b[12;", "\x1b[12;4"}) {
    const CursorReply reply = ScanCursorReply(partial);
    EXPECT_FALSE(reply.found) << partial;
    EXPECT_EQ(reply.other, partial);
  }
}

TEST(ScanCursorReplyTest, RejectsMalformedReplies) {
  for (const char* bad : {"\x1b[;5R", "\x1b[5;R", "\x1b[5R", "\x1b[0;5R", "\x1b[5;0R",
                          "\x1b[12345;1R", "\x1b[1;12345R", "\x1b[a;1R", "\x1b[5;5;5R",
                          "\x1b[5:5R", "[5;5R", "\x1bO5;5R"}) {
    const CursorReply reply = ScanCursorReply(bad);
    EXPECT_FALSE(reply.found) << bad + 1;
    EXPECT_EQ(reply.other, bad);
  }
  EXPECT_TRUE(ScanCursorReply("\x1b[9999;9999R").found);
}

TEST(LocaleIsUtf8Test, FirstSetVariableDecides) {
  EXPECT_TRUE(LocaleIsUtf8(nullptr, nullptr, "en_US.UTF-8"));
  EXPECT_TRUE(LocaleIsUtf8(nullptr, "C.utf8", nullptr));
  EXPECT_TRUE(LocaleIsUtf8("de_DE.Utf-8", nullptr, "C"));
  EXPECT_FALSE(LocaleIsUtf8("C", "en_US.UTF-8", "en_US.UTF-8"));
  EXPECT_FALSE(LocaleIsUtf8("POSIX", nullptr, nullptr));
  EXPECT_TRUE(LocaleIsUtf8("", "", "en_GB.UTF-8"));  // empty counts as unset
  EXPECT_FALSE(LocaleIsUtf8(nullptr, nullptr, nullptr));
  EXPECT_FALSE(LocaleIsUtf8(nullptr, nullptr, "en_US.ISO-8859-1"));
}

std::string Display(std::string_view text, bool utf8) {
  std::string out;
  AppendForDisplay(out, text, utf8);
  return out;
}

TEST(AppendForDisplayTest, RuleByteIsBoxLineOrDash) {
  EXPECT_EQ(Display("\xc4\xc4\xc4", true), "\u2500\u2500\u2500");
  EXPECT_EQ(Display("\xc4\xc4\xc4", false), "---");
  EXPECT_EQ(Display("a\xc4", true), "a\u2500");
}

TEST(AppendForDisplayTest, Utf8CharacterStartingWithRuleByteIsLeftAlone) {
  EXPECT_EQ(Display("\xc4\x84", true), "\xc4\x84");  // U+0104 in a file name
  EXPECT_EQ(Display("\xc4\x80", true), "\xc4\x80");
  EXPECT_EQ(Display("\xc3\xa9", true), "\xc3\xa9");
}

TEST(AppendForDisplayTest, ControlBytesCannotReachTheTerminal) {
  EXPECT_EQ(Display("a\x1b[2Jb", true), "a?[2Jb");
  EXPECT_EQ(Display(std::string("\x00\x07\x08\t\x7f", 5), true), "?????");
  EXPECT_EQ(Display("line\r\n", true), "line\r\n");
  EXPECT_EQ(Display("\x9b" "2J", false), "?2J");  // an 8-bit terminal's CSI
  EXPECT_EQ(Display("\xe9", false), "\xe9");
}

}  // namespace
}  // namespace tessaro

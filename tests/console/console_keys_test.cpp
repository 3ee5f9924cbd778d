// Key reading through the console layer, with a recording terminal standing in for the console.
#include <gtest/gtest.h>

#include <string>

#include "console/console.hpp"
#include "console/key_input.hpp"
#include "tests/support/console_capture.hpp"

namespace tessaro {
namespace {

using testing::ScopedConsoleCapture;

TEST(ReadKeyTest, NothingTypedGivesEmptyTextAtOnce) {
  ScopedConsoleCapture capture(80, 25);
  EXPECT_EQ(ReadKey(), "");
  EXPECT_FALSE(KeyInputEnded());
  EXPECT_FALSE(capture.ReadingKeys());
}

TEST(ReadKeyTest, CharactersAsTypedAndSpecialKeysAsTwoBytes) {
  ScopedConsoleCapture capture(80, 25);
  capture.TypeKeys("Y");
  capture.TypeKeys("\x1b[A");
  capture.TypeKeys("y\r");
  EXPECT_EQ(ReadKey(), "Y");
  const std::string arrow = ReadKey();
  ASSERT_EQ(arrow.size(), 2u);
  EXPECT_EQ(arrow[0], '\xff');
  EXPECT_EQ(ReadKey(), "y");
  EXPECT_EQ(ReadKey(), "\r");
  EXPECT_EQ(ReadKey(), "");
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

TEST(ReadKeyTest, CtrlCInterruptsAndIsNoKey) {
  ScopedConsoleCapture capture(80, 25);
  capture.TypeKeys("\x03y");
  EXPECT_EQ(ReadKey(), "y");
  EXPECT_EQ(capture.Interrupts(), 1);
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

TEST(ReadKeyTest, KeysTypedBeforeCursorQueryAreKept) {
  ScopedConsoleCapture capture(80, 25);
  capture.TypeKeys("n");
  capture.TypeKeys("\x1b[C");
  EXPECT_EQ(CursorColumn(), 1);
  EXPECT_EQ(capture.UnreadInput(), 0u);
  EXPECT_EQ(ReadKey(), "n");
  EXPECT_EQ(ReadKey(), SpecialKey(key_code::kRight));
}

TEST(WaitKeyTest, KeyThatEndsTheWaitStaysUnread) {
  ScopedConsoleCapture capture(80, 25);
  capture.TypeKeys("q");
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 0);
  EXPECT_FALSE(capture.ReadingKeys());
  EXPECT_EQ(ReadKey(), "q");
}

TEST(WaitKeyTest, WaitsForKeyNewerThanThoseAlreadySeen) {
  ScopedConsoleCapture capture(80, 25);
  capture.TypeKeys("ab");
  EXPECT_EQ(ReadKey(), "a");  // "b" has been seen now
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 1);
  capture.TypeKeys("c");
  WaitKey();
  EXPECT_EQ(capture.StalledWaits(), 1);
  EXPECT_EQ(ReadKey(), "b");
  EXPECT_EQ(ReadKey(), "c");
}

TEST(WaitKeyTest, ConsoleThatGoesAwayEndsTheWait) {
  ScopedConsoleCapture capture(80, 25);
  WaitKey();  // the recording console has nobody typing: a real one would have hung up
  EXPECT_EQ(capture.StalledWaits(), 1);
  EXPECT_TRUE(KeyInputEnded());
  EXPECT_EQ(ReadKey(), "");
}

TEST(PipedInputTest, WaitKeyReturnsAtOnceAndConsumesNothing) {
  ScopedConsoleCapture capture(80, 25);
  capture.PipeInput("yn");
  WaitKey();
  EXPECT_EQ(capture.UnreadInput(), 2u);
  EXPECT_FALSE(capture.ReadingKeys());
}

TEST(PipedInputTest, EveryByteIsAKeyThenInputEnds) {
  ScopedConsoleCapture capture(80, 25);
  capture.PipeInput("Y\x1b[A\x03\n");
  std::string keys;
  for (int n = 0; n < 6; ++n) {
    EXPECT_FALSE(KeyInputEnded());
    const std::string key = ReadKey();
    ASSERT_EQ(key.size(), 1u) << n;
    keys += key;
  }
  EXPECT_EQ(keys, "Y\x1b[A\x03\n");
  EXPECT_EQ(capture.Interrupts(), 0);
  EXPECT_EQ(ReadKey(), "");
  EXPECT_TRUE(KeyInputEnded());
  EXPECT_EQ(ReadKey(), "");
}

TEST(PipedInputTest, RedirectedCaptureHasEmptyInput) {
  ScopedConsoleCapture capture;
  WaitKey();
  EXPECT_EQ(ReadKey(), "");
  EXPECT_TRUE(KeyInputEnded());
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

// The platform's terminal when standard input or output is a pipe, a file or nothing at all.
// Results are collected while the descriptors are swapped and checked once they are back.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/terminal.hpp"
#include "tests/console/posix_fixtures.hpp"

namespace tessaro {
namespace {

using testing::Drain;
using testing::Pipe;
using testing::Put;
using testing::ScopedDescriptor;

class PosixRedirectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::EnsureStandardDescriptors();
    UseTerminal(nullptr);
  }
  void TearDown() override { UseTerminal(nullptr); }
};

TEST_F(PosixRedirectTest, PipedInputGivesItsBytesThenEnds) {
  Pipe input;
  ASSERT_GE(input.read_end, 0);
  Put(input.write_end, "yN\x1b[A");
  input.CloseWrite();
  std::vector<std::string> keys;
  bool ended_early = true;
  bool ended_late = false;
  {
    ScopedDescriptor in(STDIN_FILENO, input.read_end);
    WaitKey();  // returns at once and takes nothing
    ended_early = KeyInputEnded();
    for (int n = 0; n < 6; ++n) keys.push_back(ReadKey());
    ended_late = KeyInputEnded();
  }
  EXPECT_FALSE(ended_early);
  EXPECT_EQ(keys, (std::vector<std::string>{"y", "N", "\x1b", "[", "A", ""}));
  EXPECT_TRUE(ended_late);
}

TEST_F(PosixRedirectTest, WaitKeyDoesNotWaitOnPipeStillOpen) {
  Pipe input;
  ASSERT_GE(input.read_end, 0);
  {
    ScopedDescriptor in(STDIN_FILENO, input.read_end);
    WaitKey();
  }
  Put(input.write_end, "k");
  input.CloseWrite();
  std::string key;
  {
    ScopedDescriptor in(STDIN_FILENO, input.read_end);
    key = ReadKey();
  }
  EXPECT_EQ(key, "k");  // WaitKey took nothing from the pipe
}

TEST_F(PosixRedirectTest, EmptyOrMissingInputEnds) {
  const int null_input = open("/dev/null", O_RDONLY);
  ASSERT_GE(null_input, 0);
  std::string from_null = "x";
  std::string from_closed = "x";
  bool null_ended = false;
  bool closed_ended = false;
  {
    ScopedDescriptor in(STDIN_FILENO, null_input);
    WaitKey();
    from_null = ReadKey();
    null_ended = KeyInputEnded();
  }
  UseTerminal(nullptr);
  {
    ScopedDescriptor in(STDIN_FILENO, -1);
    WaitKey();
    from_closed = ReadKey();
    closed_ended = KeyInputEnded();
  }
  close(null_input);
  EXPECT_EQ(from_null, "");
  EXPECT_TRUE(null_ended);
  EXPECT_EQ(from_closed, "");
  EXPECT_TRUE(closed_ended);
}

TEST_F(PosixRedirectTest, RedirectedOutputHoldsCrLfAndNoEscapeCodes) {
  Pipe output;
  ASSERT_GE(output.read_end, 0);
  int columns = -1;
  {
    ScopedDescriptor out(STDOUT_FILENO, output.write_end);
    columns = ConsoleColumns();
    PrintText(RepeatChar(columns, '\xc4'), false);
    PrintText("abc", true);
    SetTextColor(15);
    MoveCursor(1, 1);
    TabTo(6);
    PrintText("\xc4\x1b", true);
    FlushConsole();
  }
  output.CloseWrite();
  EXPECT_EQ(columns, 0);
  EXPECT_EQ(Drain(output.read_end), "abc\r\n     \xc4\x1b\r\n");
}

TEST_F(PosixRedirectTest, OutputIsFlushedBeforeWaitingForKey) {
  Pipe output;
  ASSERT_GE(output.read_end, 0);
  const int null_input = open("/dev/null", O_RDONLY);
  ASSERT_GE(null_input, 0);
  std::string before_wait;
  std::string before_read;
  {
    ScopedDescriptor out(STDOUT_FILENO, output.write_end);
    ScopedDescriptor in(STDIN_FILENO, null_input);
    PrintText("Press a key", false);
    WaitKey();
    before_wait = Drain(output.read_end);
    PrintText("Replace?", false);
    ReadKey();
    before_read = Drain(output.read_end);
  }
  close(null_input);
  EXPECT_EQ(before_wait, "Press a key");
  EXPECT_EQ(before_read, "Replace?");
}

TEST_F(PosixRedirectTest, ReaderGoneDoesNotEndProgram) {
  Pipe output;
  ASSERT_GE(output.read_end, 0);
  output.CloseRead();
  {
    ScopedDescriptor out(STDOUT_FILENO, output.write_end);
    PrintText(std::string(100000, 'x'), true);
    FlushConsole();
    PrintText("more", true);
    FlushConsole();
  }
  SUCCEED();  // no SIGPIPE, no endless retry
}

}  // namespace
}  // namespace tessaro

// The platform's terminal when standard input or output is a pipe, a file or nothing at all: the
// same rules on every platform. Results are collected while the standard streams are swapped and
// checked once they are back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/terminal.hpp"
#include "tests/support/temp_dir.hpp"
#include TESSARO_STD_STREAMS

namespace tessaro {
namespace {

using testing::Drain;
using testing::Pipe;
using testing::Put;
using testing::ScopedInput;
using testing::ScopedOutput;

class RedirectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::PrepareStandardHandles();
    UseTerminal(nullptr);
  }
  void TearDown() override { UseTerminal(nullptr); }
};

TEST_F(RedirectTest, PipedInputGivesItsBytesThenEnds) {
  Pipe input;
  ASSERT_TRUE(input.Ok());
  Put(input.write_end, "yN\x1b[A\x03");
  input.CloseWrite();
  std::vector<std::string> keys;
  bool ended_early = true;
  bool ended_late = false;
  {
    ScopedInput in(input.read_end);
    WaitKey();  // returns at once and takes nothing
    ended_early = KeyInputEnded();
    for (int n = 0; n < 7; ++n) keys.push_back(ReadKey());
    ended_late = KeyInputEnded();
  }
  // Every byte is a key, Ctrl-C too.
  EXPECT_FALSE(ended_early);
  EXPECT_EQ(keys, (std::vector<std::string>{"y", "N", "\x1b", "[", "A", "\x03", ""}));
  EXPECT_TRUE(ended_late);
}

TEST_F(RedirectTest, WaitKeyDoesNotWaitOnPipeStillOpen) {
  Pipe input;
  ASSERT_TRUE(input.Ok());
  {
    ScopedInput in(input.read_end);
    WaitKey();
  }
  Put(input.write_end, "k");
  input.CloseWrite();
  std::string key;
  {
    ScopedInput in(input.read_end);
    key = ReadKey();
  }
  EXPECT_EQ(key, "k");  // WaitKey took nothing from the pipe
}

TEST_F(RedirectTest, EmptyOrMissingInputEnds) {
  const testing::Handle null_input = testing::OpenNullInput();
  ASSERT_NE(null_input, testing::kNoHandle);
  for (const testing::Handle handle : {null_input, testing::kNoHandle}) {
    UseTerminal(nullptr);
    std::string key = "x";
    bool ended = false;
    {
      ScopedInput in(handle);
      WaitKey();
      key = ReadKey();
      ended = KeyInputEnded();
    }
    EXPECT_EQ(key, "");
    EXPECT_TRUE(ended);
  }
  testing::Close(null_input);
}

// Lines of any length, CR LF, no escape codes; TabTo pads with spaces.
TEST_F(RedirectTest, RedirectedOutputHoldsCrLfAndNoEscapeCodes) {
  Pipe output;
  ASSERT_TRUE(output.Ok());
  int columns = -1;
  {
    ScopedOutput out(output.write_end);
    columns = ConsoleColumns();
    PrintText(RepeatChar(columns, '\xc4'), false);
    PrintText(std::string(300, 'x'), true);
    SetTextColor(15);
    MoveCursor(1, 1);
    PrintText("-In", false);
    TabTo(8);
    PrintText("\xc4\x1b", false);
    TabTo(5);  // behind: a new line
    PrintText("x", true);
    TabTo(3);
    FlushConsole();
  }
  output.CloseWrite();
  EXPECT_EQ(columns, 0);
  EXPECT_EQ(Drain(output.read_end), std::string(300, 'x') + "\r\n-In    \xc4\x1b\r\n    x\r\n  ");
}

TEST_F(RedirectTest, OutputToAFileIsWrittenUnchanged) {
  testing::TempDir dir;
  const testing::Handle file = testing::CreateForWriting(dir / "out.txt");
  ASSERT_NE(file, testing::kNoHandle);
  {
    ScopedOutput out(file);
    PrintText(":: Opening \xc4.map...", true);
    FlushConsole();
  }
  testing::Close(file);
  const std::string expected = ":: Opening \xc4.map...\r\n";
  EXPECT_EQ(testing::ReadBytes(dir / "out.txt"), testing::Bytes(expected.begin(), expected.end()));
}

TEST_F(RedirectTest, OutputIsFlushedBeforeWaitingForKey) {
  Pipe output;
  ASSERT_TRUE(output.Ok());
  const testing::Handle null_input = testing::OpenNullInput();
  ASSERT_NE(null_input, testing::kNoHandle);
  std::string before_wait;
  std::string before_read;
  {
    ScopedOutput out(output.write_end);
    ScopedInput in(null_input);
    PrintText("Press a key", false);
    WaitKey();
    before_wait = Drain(output.read_end);
    PrintText("Replace?", false);
    ReadKey();
    before_read = Drain(output.read_end);
  }
  testing::Close(null_input);
  EXPECT_EQ(before_wait, "Press a key");
  EXPECT_EQ(before_read, "Replace?");
}

TEST_F(RedirectTest, ReaderGoneDoesNotEndProgram) {
  Pipe output;
  ASSERT_TRUE(output.Ok());
  output.CloseRead();
  {
    ScopedOutput out(output.write_end);
    PrintText(std::string(100000, 'x'), true);
    FlushConsole();
    PrintText("more", true);
    FlushConsole();
  }
  SUCCEED();  // no SIGPIPE, no endless retry
}

}  // namespace
}  // namespace tessaro

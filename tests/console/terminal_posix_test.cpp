// The POSIX terminal on a pseudo-terminal of its own. Standard input and output point at it only
// while an action runs, and the action only records: GoogleTest's own output never goes there.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "console/console.hpp"
#include "console/key_input.hpp"
#include "console/terminal.hpp"

namespace tessaro {
namespace {
class PosixTerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
    if (slave_ < 0) GTEST_SKIP() << "no pseudo-terminal here";
  }
  void TearDown() override {
    for (const int fd : {slave_, master_}) close(fd);  // -1 for one not opened, which close refuses
  }

  // Runs the action with standard input and output on the pseudo-terminal.
  template <typename Action>
  void OnTerminal(Action action) {
    const int saved_in = dup(0), saved_out = dup(1);
    const std::string saved_term = std::getenv("TERM") != nullptr ? std::getenv("TERM") : "";
    setenv("TERM", "xterm", 1);
    dup2(slave_, 0);
    dup2(slave_, 1);
    action(terminal_);
    terminal_.Flush();
    dup2(saved_in, 0);
    dup2(saved_out, 1);
    close(saved_in);
    close(saved_out);
    setenv("TERM", saved_term.c_str(), 1);
  }

  void Type(std::string_view keys) const { (void)!write(master_, keys.data(), keys.size()); }
  // What the program has sent, once it has been quiet for a moment.
  std::string Shown(int quiet_ms = 50) const {
    std::string shown;
    std::array<char, 4096> chunk{};
    pollfd ready{master_, POLLIN, 0};
    for (ssize_t got = 0; poll(&ready, 1, quiet_ms) > 0 && (got = read(master_, chunk.data(), chunk.size())) > 0;) {
      shown.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return shown;
  }
  termios Settings() const {
    termios settings{};
    tcgetattr(slave_, &settings);
    return settings;
  }

  Terminal& terminal_ = PlatformTerminal();
  int master_ = -1;
  int slave_ = -1;
};

bool Same(const termios& a, const termios& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool Raw(const termios& s) {
  return (s.c_lflag & (ECHO | ICANON | IEXTEN | ISIG)) == 0 && (s.c_iflag & (IXON | ICRNL)) == 0 && s.c_cc[VMIN] == 1 &&
         s.c_cc[VTIME] == 0;
}

volatile std::sig_atomic_t g_interrupts = 0;

// Begin and End nest; the outermost End gives back the settings of the moment reading began, even
// when they changed between two reads; Ctrl-C gives them back before the program is interrupted
// and takes raw mode up again when the program lives on, handled or ignored.
TEST_F(PosixTerminalTest, RawModeIsGivenBackExactlyOnEveryPath) {
  struct sigaction previous {};
  sigaction(SIGINT, nullptr, &previous);
  termios before{}, raw{}, nested{}, after{}, changed{}, after_change{}, handled{}, ignored{}, last{};
  bool ends_when_handled = false, ends_when_ignored = true;
  OnTerminal([&](Terminal& terminal) {
    before = Settings();
    terminal.BeginKeyInput();
    raw = Settings();
    terminal.BeginKeyInput();
    terminal.EndKeyInput();
    nested = Settings();
    terminal.EndKeyInput();
    terminal.EndKeyInput();  // one End too many changes nothing
    after = changed = Settings();
    changed.c_lflag &= ~static_cast<tcflag_t>(ECHOE);
    tcsetattr(slave_, TCSANOW, &changed);
    terminal.BeginKeyInput();
    terminal.EndKeyInput();
    after_change = Settings();
    struct sigaction action {};
    action.sa_handler = [](int) { g_interrupts = g_interrupts + 1; };
    sigaction(SIGINT, &action, nullptr);
    ends_when_handled = terminal.InterruptEnds();
    terminal.BeginKeyInput();
    terminal.Interrupt();
    handled = Settings();
    action.sa_handler = SIG_IGN;
    sigaction(SIGINT, &action, nullptr);
    ends_when_ignored = terminal.InterruptEnds();
    terminal.Interrupt();
    ignored = Settings();
    terminal.EndKeyInput();
    last = Settings();
  });
  sigaction(SIGINT, &previous, nullptr);
  EXPECT_TRUE(!Raw(before) && Raw(raw) && Raw(nested));
  EXPECT_TRUE(Same(after, before));
  EXPECT_TRUE(Same(after_change, changed)) << "the settings of the moment are given back";
  EXPECT_TRUE(ends_when_handled && !ends_when_ignored);
  EXPECT_EQ(g_interrupts, 1);
  EXPECT_TRUE(Raw(handled) && Raw(ignored)) << "reading goes on after an interrupt the program lives through";
  EXPECT_TRUE(Same(last, changed));
}

// Keys come as far as they fit and as they arrive; nothing typed is no end; a terminal that hung
// up is the end of input ("$").
TEST_F(PosixTerminalTest, InputInPiecesAndItsEnd) {
  std::string log;
  OnTerminal([&](Terminal& terminal) {
    std::array<char, 2> room{};
    auto read = [&](std::span<char> into, int timeout_ms) {
      bool ended = false;
      const std::span<char> got = into.first(terminal.ReadInput(into, timeout_ms, ended));
      log += std::string(got.begin(), got.end()) + (ended ? "$|" : "|");
    };
    log += terminal.InputIsConsole() ? "console|" : "";
    terminal.BeginKeyInput();
    Type("abc");
    for (const int timeout_ms : {1000, 1000, 0}) read(room, timeout_ms);
    read({}, 1000);
    close(master_);
    master_ = -1;
    errno = EAGAIN;  // left from before: only this read's own failure may count
    read(room, 1000);
    terminal.EndKeyInput();
  });
  EXPECT_EQ(log, "console|ab|c|||$|");
}

// Output waits until flushed (a large piece goes at once); sizes come from the terminal, and a
// terminal that does not know its size says 0, which the console layer takes as 80 columns.
TEST_F(PosixTerminalTest, OutputAndSizes) {
  std::string held, flushed, large, coded;
  int columns = 0, rows = 0, unknown = 9, assumed = 0;
  OnTerminal([&](Terminal& terminal) {
    winsize size{30, 100, 0, 0};
    ioctl(master_, TIOCSWINSZ, &size);
    columns = terminal.Columns();
    rows = terminal.Rows();
    size = winsize{};
    ioctl(master_, TIOCSWINSZ, &size);
    unknown = terminal.Columns();
    assumed = ConsoleColumns();
    terminal.Write("hello");
    held = Shown();
    terminal.Flush();
    flushed = Shown();
    terminal.Write(std::string(9000, 'x'));
    large = Shown(200);
    terminal.SetAttribute(15);
    terminal.ResetAttribute();
    terminal.MoveCursor(2, 3);
    terminal.Flush();
    coded = Shown();
  });
  EXPECT_TRUE(columns == 100 && rows == 30 && unknown == 0);
  EXPECT_EQ(assumed, 80) << "a console that does not tell its width is taken as 80 columns";
  EXPECT_EQ(held + "|" + flushed, "|hello");
  EXPECT_EQ(large, std::string(9000, 'x'));
  EXPECT_EQ(coded, "\x1b[0;97;40m\x1b[0m\x1b[2;3H");
}

// Through the console layer: the question where the cursor is goes out with everything printed
// before it; an answer is read through keys typed before it, which stay keys, and the column it
// gives is where printing goes on; a terminal that never answers is given up on, the row then
// unknown (0); raw mode lasts only while asking.
TEST_F(PosixTerminalTest, CursorQueriesAnsweredLateOrNever) {
  std::string asked, moved, keys, late;
  int column = 0, row = 9;
  termios before{}, after{};
  OnTerminal([&](Terminal&) {
    before = Settings();
    PrintText("abc", false);
    std::thread answer([&] {
      for (int i = 0; i < 100 && asked.find("\x1b[6n") == std::string::npos; ++i) asked += Shown(10);
      Type("y\x1b[A\x1b[4;9R");
    });
    column = CursorColumn();
    answer.join();
    TabTo(5);
    FlushConsole();
    moved = Shown();
    keys = ReadKey();
    keys += ReadKey();
    Type("n");
    row = CursorRow();
    late = ReadKey();
    after = Settings();
  });
  EXPECT_EQ(asked, "abc\x1b[6n");
  EXPECT_EQ(column, 9);
  // Column 5 lies behind the answer's column 9: a line end (the terminal adds its own CR), then 5.
  EXPECT_EQ(moved, "\r\r\n\x1b[5G");
  EXPECT_EQ(keys, "y" + SpecialKey(key_code::kUp));
  EXPECT_EQ(row, 0);
  EXPECT_EQ(late, "n");
  EXPECT_TRUE(Same(before, after));
}

}  // namespace
}  // namespace tessaro

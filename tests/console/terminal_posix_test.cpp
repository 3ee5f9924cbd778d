// The POSIX terminal on a pseudo-terminal of its own: raw mode set and given back exactly on every
// path, input that comes in pieces or ends, sizes, output held until flushed, a cursor query that is
// answered late, never, or after a key. Standard input and output point at the pseudo-terminal only
// inside each Swap, so that GoogleTest's own output is never written there.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include "console/console.hpp"
#include "console/terminal.hpp"

namespace tessaro {
namespace {

class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
  }
  ~PseudoTerminal() {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool Usable() const { return slave_ >= 0; }
  int Slave() const { return slave_; }
  void Resize(unsigned short rows, unsigned short columns) const {
    const winsize size{rows, columns, 0, 0};
    ioctl(master_, TIOCSWINSZ, &size);
  }
  void Type(std::string_view keys) const { (void)!write(master_, keys.data(), keys.size()); }
  // What the program has sent so far, once it has been quiet for a moment.
  std::string Shown(int quiet_ms = 50) const {
    std::string shown;
    std::array<char, 4096> chunk{};
    pollfd ready{master_, POLLIN, 0};
    while (poll(&ready, 1, quiet_ms) > 0) {
      const ssize_t got = read(master_, chunk.data(), chunk.size());
      if (got <= 0) break;
      shown.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return shown;
  }
  void HangUp() {
    close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
};

// Standard input and output on the pseudo-terminal (or a pipe) for the object's lifetime.
class Swap {
 public:
  Swap(int input, int output, const char* term = "xterm") : saved_in_(dup(0)), saved_out_(dup(1)) {
    const char* old = std::getenv("TERM");
    saved_term_ = old != nullptr ? old : "";
    setenv("TERM", term, 1);
    dup2(input, 0);
    dup2(output, 1);
  }
  ~Swap() {
    PlatformTerminal().Flush();
    dup2(saved_in_, 0);
    dup2(saved_out_, 1);
    close(saved_in_);
    close(saved_out_);
    setenv("TERM", saved_term_.c_str(), 1);
  }
  Swap(const Swap&) = delete;
  Swap& operator=(const Swap&) = delete;

 private:
  int saved_in_;
  int saved_out_;
  std::string saved_term_;
};

termios SettingsOf(int fd) {
  termios settings{};
  tcgetattr(fd, &settings);
  return settings;
}

bool Same(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
         std::equal(std::begin(a.c_cc), std::end(a.c_cc), std::begin(b.c_cc));
}

bool Raw(const termios& s) {
  return (s.c_lflag & (ECHO | ICANON | IEXTEN | ISIG)) == 0 && (s.c_iflag & (IXON | ICRNL)) == 0 && s.c_cc[VMIN] == 1 &&
         s.c_cc[VTIME] == 0;
}

volatile std::sig_atomic_t g_interrupts = 0;

// Begin and End nest; the outermost End gives back the settings of the moment Begin was first
// called, even when they changed between two reads; Ctrl-C gives them back before the program is
// interrupted and takes raw mode up again when it lives on.
TEST(PosixTerminalTest, RawModeIsGivenBackExactlyOnEveryPath) {
  PseudoTerminal pty;
  if (!pty.Usable()) GTEST_SKIP() << "no pseudo-terminal here";
  Terminal& terminal = PlatformTerminal();
  struct sigaction previous {};
  sigaction(SIGINT, nullptr, &previous);
  termios before{}, raw{}, nested{}, after{}, changed{}, after_change{}, interrupted{}, ignored{}, last{};
  bool ends_when_handled = false, ends_when_ignored = true;
  {
    Swap swap(pty.Slave(), pty.Slave());
    before = SettingsOf(pty.Slave());
    terminal.BeginKeyInput();
    raw = SettingsOf(pty.Slave());
    terminal.BeginKeyInput();
    terminal.EndKeyInput();
    nested = SettingsOf(pty.Slave());
    terminal.EndKeyInput();
    terminal.EndKeyInput();  // one End too many changes nothing
    after = SettingsOf(pty.Slave());

    changed = before;
    changed.c_lflag &= ~static_cast<tcflag_t>(ECHOE);
    tcsetattr(pty.Slave(), TCSANOW, &changed);
    terminal.BeginKeyInput();
    terminal.EndKeyInput();
    after_change = SettingsOf(pty.Slave());

    struct sigaction counting {};
    counting.sa_handler = [](int) { g_interrupts = g_interrupts + 1; };
    sigemptyset(&counting.sa_mask);
    sigaction(SIGINT, &counting, nullptr);
    ends_when_handled = terminal.InterruptEnds();
    terminal.BeginKeyInput();
    terminal.Interrupt();
    interrupted = SettingsOf(pty.Slave());
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, nullptr);
    ends_when_ignored = terminal.InterruptEnds();
    terminal.Interrupt();
    ignored = SettingsOf(pty.Slave());
    terminal.EndKeyInput();
    last = SettingsOf(pty.Slave());
  }
  sigaction(SIGINT, &previous, nullptr);
  EXPECT_FALSE(Raw(before));
  EXPECT_TRUE(Raw(raw));
  EXPECT_TRUE(Raw(nested)) << "an inner End keeps raw mode";
  EXPECT_TRUE(Same(after, before));
  EXPECT_TRUE(Same(after_change, changed)) << "the settings of the moment are given back";
  EXPECT_TRUE(ends_when_handled);
  EXPECT_FALSE(ends_when_ignored);
  EXPECT_EQ(g_interrupts, 1);
  EXPECT_TRUE(Raw(interrupted)) << "reading goes on after a handled interrupt";
  EXPECT_TRUE(Raw(ignored));
  EXPECT_TRUE(Same(last, changed));
}

// Keys come as far as they fit and as they arrive; nothing typed is no end; a terminal that hung
// up is the end of input.
TEST(PosixTerminalTest, InputInPiecesAndItsEnd) {
  PseudoTerminal pty;
  if (!pty.Usable()) GTEST_SKIP() << "no pseudo-terminal here";
  Terminal& terminal = PlatformTerminal();
  std::array<char, 2> room{};
  std::string read;
  std::size_t none = 9, empty_room = 9, after_hangup = 9;
  bool ended_early = false, ended_room = false, ended_after = false, console = false;
  {
    Swap swap(pty.Slave(), pty.Slave());
    console = terminal.InputIsConsole();
    terminal.BeginKeyInput();
    pty.Type("abc");
    for (int i = 0; i < 2; ++i) {
      bool ended = false;
      const std::size_t got = terminal.ReadInput(room, 1000, ended);
      read.append(room.data(), got);
      read += '|';
    }
    none = terminal.ReadInput(room, 0, ended_early);
    empty_room = terminal.ReadInput(std::span<char>(), 1000, ended_room);
    pty.HangUp();
    after_hangup = terminal.ReadInput(room, 1000, ended_after);
    terminal.EndKeyInput();
  }
  EXPECT_TRUE(console);
  EXPECT_EQ(read, "ab|c|");
  EXPECT_EQ(none, 0u);
  EXPECT_FALSE(ended_early);
  EXPECT_EQ(empty_room, 0u);
  EXPECT_FALSE(ended_room);
  EXPECT_EQ(after_hangup, 0u);
  EXPECT_TRUE(ended_after);
}

// Output waits in the terminal's buffer until flushed (a large piece goes at once); sizes come from
// the terminal; a dumb terminal or a pipe is no console and is sent no colours.
TEST(PosixTerminalTest, OutputSizesAndWhatIsNoConsole) {
  PseudoTerminal pty;
  if (!pty.Usable()) GTEST_SKIP() << "no pseudo-terminal here";
  Terminal& terminal = PlatformTerminal();
  std::string held, flushed, large, coloured;
  int columns = 0, rows = 0, unknown = 9;
  bool dumb_console = true, dumb_input = true;
  {
    Swap swap(pty.Slave(), pty.Slave());
    pty.Resize(30, 100);
    columns = terminal.Columns();
    rows = terminal.Rows();
    pty.Resize(0, 0);
    unknown = terminal.Columns();
    terminal.Write("hello");
    held = pty.Shown();
    terminal.Flush();
    flushed = pty.Shown();
    terminal.Write(std::string(9000, 'x'));
    large = pty.Shown(200);
    terminal.SetAttribute(15);
    terminal.ResetAttribute();
    terminal.MoveCursor(2, 3);
    terminal.Flush();
    coloured = pty.Shown();
  }
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  std::string piped;
  {
    Swap swap(pty.Slave(), pty.Slave(), "dumb");
    dumb_console = terminal.IsConsole();
    dumb_input = terminal.InputIsConsole();
  }
  {
    Swap swap(pty.Slave(), pipe_ends[1]);
    terminal.SetAttribute(15);
    terminal.ResetAttribute();
    terminal.Write("plain");
  }
  close(pipe_ends[1]);
  std::array<char, 64> chunk{};
  const ssize_t got = read(pipe_ends[0], chunk.data(), chunk.size());
  piped.assign(chunk.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
  close(pipe_ends[0]);
  EXPECT_EQ(columns, 100);
  EXPECT_EQ(rows, 30);
  EXPECT_EQ(unknown, 0);
  EXPECT_EQ(held, "");
  EXPECT_EQ(flushed, "hello");
  EXPECT_EQ(large, std::string(9000, 'x'));
  EXPECT_EQ(coloured, "\x1b[0;97;40m\x1b[0m\x1b[2;3H");
  EXPECT_FALSE(dumb_console);
  EXPECT_FALSE(dumb_input);
  EXPECT_EQ(piped, "plain");
}

// Where the cursor is: the question is on its way with everything printed before it; an answer is
// read through keys typed before it, which are kept; a terminal that never answers is given up on.
TEST(PosixTerminalTest, CursorQueriesAnsweredLateOrNever) {
  PseudoTerminal pty;
  if (!pty.Usable()) GTEST_SKIP() << "no pseudo-terminal here";
  Terminal& terminal = PlatformTerminal();
  std::string asked, typed, typed_unanswered;
  int row = 0, column = 0, row_after = 0, column_after = 0;
  bool answered = false, unanswered = true;
  termios before{}, after{};
  {
    Swap swap(pty.Slave(), pty.Slave());
    before = SettingsOf(pty.Slave());
    terminal.Write("abc");
    std::thread answer([&] {
      for (int i = 0; i < 100 && asked.find("\x1b[6n") == std::string::npos; ++i) asked += pty.Shown(10);
      pty.Type("y\x1b[A\x1b[4;9R");
    });
    answered = terminal.QueryCursor(row, column, typed);
    answer.join();
    pty.Type("n");
    unanswered = terminal.QueryCursor(row_after, column_after, typed_unanswered);
    after = SettingsOf(pty.Slave());
  }
  EXPECT_EQ(asked, "abc\x1b[6n");
  EXPECT_TRUE(answered);
  EXPECT_EQ(row, 4);
  EXPECT_EQ(column, 9);
  EXPECT_EQ(typed, "y\x1b[A");
  EXPECT_FALSE(unanswered);
  EXPECT_EQ(typed_unanswered, "n");
  EXPECT_TRUE(Same(before, after)) << "raw mode only while asking";
}

}  // namespace
}  // namespace tessaro

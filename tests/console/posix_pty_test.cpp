// The platform's terminal on a pseudo-terminal: the test holds the other side and plays the
// terminal, down to answering the cursor query. Results are collected while the standard
// descriptors point at the pseudo-terminal and checked once they are back.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/key_input.hpp"
#include "console/terminal.hpp"

namespace tessaro {
namespace {

// Everything that can be read from fd, waiting up to a second for the first byte and for as long
// as `enough` bytes have not come.
std::string Drain(int fd, std::size_t enough = 1) {
  std::string got;
  char chunk[256];
  for (pollfd ready{fd, POLLIN, 0}; poll(&ready, 1, got.size() < enough ? 1000 : 0) > 0;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    got.append(chunk, static_cast<std::size_t>(n));
  }
  return got;
}

void Put(int fd, const std::string& bytes) { EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }

// A pseudo-terminal: the test holds the master side and plays the terminal.
struct Pty {
  Pty() {
    // A test started without standard input would otherwise find the pseudo-terminal handed out
    // as descriptor 0 and swap the wrong things.
    for (int fd = 0; fd <= 2; ++fd) {
      if (fcntl(fd, F_GETFD) == -1) open("/dev/null", O_RDWR);
    }
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    const char* name = ptsname(master);
    if (name != nullptr) slave = open(name, O_RDWR | O_NOCTTY);
  }
  ~Pty() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  termios Settings() const {
    termios settings{};
    tcgetattr(slave, &settings);
    return settings;
  }
  int master = -1;
  int slave = -1;
};

bool SameSettings(const termios& a, const termios& b) {
  return a.c_lflag == b.c_lflag && a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag &&
         a.c_cc[VMIN] == b.c_cc[VMIN];
}

class PosixPtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (pty_.slave < 0) GTEST_SKIP() << "no pseudo-terminal available";
    // Output bytes arrive at the master exactly as written.
    termios settings = pty_.Settings();
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(pty_.slave, TCSANOW, &settings);
    winsize size{};
    size.ws_col = 20;
    size.ws_row = 10;
    ioctl(pty_.slave, TIOCSWINSZ, &size);
    cooked_ = pty_.Settings();
    UseTerminal(nullptr);
    // Reading keys once puts the layer's signal handlers in place, as a run would have by now.
    OnPty([] {
      CurrentTerminal().BeginKeyInput();
      CurrentTerminal().EndKeyInput();
    });
  }
  void TearDown() override { UseTerminal(nullptr); }

  template <typename Action>
  void OnPty(Action action) {
    const int saved_in = dup(STDIN_FILENO);
    const int saved_out = dup(STDOUT_FILENO);
    BecomePty();
    action();
    FlushConsole();
    dup2(saved_in, STDIN_FILENO);
    dup2(saved_out, STDOUT_FILENO);
    close(saved_in);
    close(saved_out);
  }

  // Makes the standard descriptors the pseudo-terminal; for death tests, in the child only.
  void BecomePty() const {
    dup2(pty_.slave, STDIN_FILENO);
    dup2(pty_.slave, STDOUT_FILENO);
  }

  // The environment the terminal is judged by; each test is a process of its own.
  const bool environment_ = setenv("TERM", "xterm", 1) == 0 && setenv("LC_ALL", "C.UTF-8", 1) == 0;
  Pty pty_;
  termios cooked_{};
};

TEST_F(PosixPtyTest, ConsoleOutputCarriesWrapColoursAndMoves) {
  int columns = 0;
  OnPty([&] {
    columns = ConsoleColumns();
    PrintText(RepeatChar(20, '\xc4'), true);
    SetTextColor(15);
    PrintText("ab\x1b", false);
    TabTo(8);
    MoveCursor(3, 4);
    MoveCursor(11, 4);  // below the window: ignored
  });
  std::string rule;
  for (int n = 0; n < 20; ++n) rule += "\u2500";
  const std::string expected = rule + "\r\n\r\n\x1b[0;97;40mab?\x1b[8G\x1b[3;4H";
  EXPECT_EQ(columns, 20);
  EXPECT_EQ(Drain(pty_.master, expected.size()), expected);
}

// Outside UTF-8 the rule is dashes; a dumb terminal is no console at all.
TEST_F(PosixPtyTest, LocaleAndTermDecide) {
  setenv("LC_ALL", "C", 1);
  OnPty([] { PrintText(RepeatChar(3, '\xc4'), false); });
  EXPECT_EQ(Drain(pty_.master, 3), "---");
  setenv("TERM", "dumb", 1);
  UseTerminal(nullptr);
  int columns = -1;
  OnPty([&] {
    columns = ConsoleColumns();
    SetTextColor(15);
    PrintText("\xc4", true);
  });
  EXPECT_EQ(columns, 0);
  EXPECT_EQ(Drain(pty_.master, 3), "\xc4\r\n");
}

// A wait ends on a key and leaves it to be read.
TEST_F(PosixPtyTest, KeysAreReadRawAndSettingsComeBack) {
  Put(pty_.master, "kY\x1b[Az");
  std::vector<std::string> keys;
  OnPty([&] {
    WaitKey();
    for (int n = 0; n < 5; ++n) keys.push_back(ReadKey());
  });
  EXPECT_EQ(keys, (std::vector<std::string>{"k", "Y", SpecialKey(key_code::kUp), "z", ""}));
  EXPECT_TRUE(SameSettings(pty_.Settings(), cooked_));
}

TEST_F(PosixPtyTest, CursorQueryKeepsKeysTypedBeforeReply) {
  Put(pty_.master, "y\x1b[D\x1b[5;12R");
  int column = 0;
  int row = 0;
  std::vector<std::string> keys;
  OnPty([&] {
    column = CursorColumn();
    Put(pty_.master, "\x1b[6;2R");
    row = CursorRow();
    keys.push_back(ReadKey());
    keys.push_back(ReadKey());
    keys.push_back(ReadKey());
  });
  EXPECT_EQ(column, 12);
  EXPECT_EQ(row, 6);
  EXPECT_EQ(keys, (std::vector<std::string>{"y", SpecialKey(key_code::kLeft), ""}));
  const std::string sent = Drain(pty_.master);
  EXPECT_NE(sent.find("\x1b[6n"), std::string::npos);
  EXPECT_TRUE(SameSettings(pty_.Settings(), cooked_));
}

TEST_F(PosixPtyTest, UnansweredCursorQueryFallsBack) {
  int column = 0;
  int row = -1;
  OnPty([&] {
    PrintText("abc", false);
    column = CursorColumn();
    row = CursorRow();
  });
  EXPECT_EQ(column, 4);  // as tracked
  EXPECT_EQ(row, 0);     // unknown: MoveCursor keeps the row
}

volatile std::sig_atomic_t g_interrupts = 0;
volatile std::sig_atomic_t g_canonical_at_interrupt = 0;

void CountInterrupt(int) {
  termios settings{};
  if (tcgetattr(STDIN_FILENO, &settings) == 0) {
    g_canonical_at_interrupt = (settings.c_lflag & ICANON) != 0 ? 1 : 0;
  }
  g_interrupts = g_interrupts + 1;
}

TEST_F(PosixPtyTest, CtrlCInterruptsWithSettingsRestored) {
  struct sigaction counting {};
  counting.sa_handler = CountInterrupt;
  sigemptyset(&counting.sa_mask);
  struct sigaction previous {};
  sigaction(SIGINT, &counting, &previous);
  g_interrupts = 0;
  std::string key;
  OnPty([&] {
    // Typed while the layer reads: before that the terminal itself would take Ctrl-C.
    CurrentTerminal().BeginKeyInput();
    Put(pty_.master, "\x03y");
    key = ReadKey();
    CurrentTerminal().EndKeyInput();
  });
  sigaction(SIGINT, &previous, nullptr);
  EXPECT_EQ(g_interrupts, 1);
  EXPECT_EQ(g_canonical_at_interrupt, 1);
  EXPECT_EQ(key, "y");  // reading went on once the program survived
  EXPECT_TRUE(SameSettings(pty_.Settings(), cooked_));
}

using PosixPtyDeathTest = PosixPtyTest;

// A fatal signal or exit: the terminal's settings come back on every way out. Ctrl-C typed at the
// program's question is in tests/e2e.
TEST_F(PosixPtyDeathTest, EveryWayOutRestoresSettings) {
  for (int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
    EXPECT_EXIT(
        {
          BecomePty();
          CurrentTerminal().BeginKeyInput();
          raise(signal_number);
          std::_Exit(0);
        },
        ::testing::KilledBySignal(signal_number), "");
    EXPECT_TRUE(SameSettings(pty_.Settings(), cooked_)) << signal_number;
  }
  EXPECT_EXIT(
      {
        BecomePty();
        CurrentTerminal().BeginKeyInput();
        std::exit(3);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_TRUE(SameSettings(pty_.Settings(), cooked_));
}

}  // namespace
}  // namespace tessaro

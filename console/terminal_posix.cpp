#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "console/terminal.hpp"
#include "console/terminal_codes.hpp"

namespace tessaro {

namespace {

constexpr int kInput = STDIN_FILENO;
constexpr int kOutput = STDOUT_FILENO;
constexpr std::size_t kFlushAt = 8192;
constexpr std::chrono::milliseconds kCursorReplyWait{500};
constexpr std::size_t kCursorReplyLimit = 256;
constexpr std::array<int, 3> kFatalSignals = {SIGINT, SIGTERM, SIGHUP};

// Read by the signal handlers, hence outside the object and of the simplest kinds.
termios g_saved_settings{};
bool g_handlers_installed = false;
volatile std::sig_atomic_t g_raw_active = 0;
std::array<struct sigaction, kFatalSignals.size()> g_previous_actions{};

void RestoreSettings() {  // async-signal-safe
  if (g_raw_active == 0) return;
  tcsetattr(kInput, TCSANOW, &g_saved_settings);
  g_raw_active = 0;
}

void OnFatalSignal(int number) {
  const int saved_errno = errno;
  RestoreSettings();
  for (std::size_t i = 0; i < kFatalSignals.size(); ++i) {
    if (kFatalSignals[i] == number) sigaction(number, &g_previous_actions[i], nullptr);
  }
  errno = saved_errno;
  raise(number);  // delivered with the old disposition once this handler returns
}

bool Ignored(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

void InstallSignalHandlers() {
  for (std::size_t i = 0; i < kFatalSignals.size(); ++i) {
    if (sigaction(kFatalSignals[i], nullptr, &g_previous_actions[i]) != 0) continue;
    if (Ignored(g_previous_actions[i])) continue;  // e.g. started under nohup: leave it so
    struct sigaction ours {};
    ours.sa_handler = OnFatalSignal;
    sigemptyset(&ours.sa_mask);
    sigaction(kFatalSignals[i], &ours, nullptr);
  }
}

void WriteAll(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(kOutput, bytes.data() + done, bytes.size() - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
    } else if (wrote < 0 && errno == EINTR) {
      continue;
    } else if (wrote < 0 && errno == EAGAIN) {
      pollfd ready{kOutput, POLLOUT, 0};
      poll(&ready, 1, -1);
    } else {
      return;  // the reader is gone (EPIPE) or the output is unusable: nobody is left to tell
    }
  }
}

class PosixTerminal final : public Terminal {
 public:
  PosixTerminal() {
    std::signal(SIGPIPE, SIG_IGN);  // a closed pipe is an error code, not a reason to die
  }

  bool IsConsole() override { return IsTerminal(kOutput); }
  int Columns() override { return WindowSize().ws_col; }
  int Rows() override { return WindowSize().ws_row; }

  void Write(std::string_view bytes) override {
    if (IsConsole()) {
      AppendForDisplay(pending_, bytes, Utf8());
    } else {
      pending_.append(bytes);
    }
    if (pending_.size() >= kFlushAt) Flush();
  }

  void Flush() override {
    WriteAll(pending_);
    pending_.clear();
  }

  void SetAttribute(int attribute) override {
    if (IsConsole()) pending_ += ColorSequence(attribute);
  }

  void MoveCursor(int row, int column) override {
    if (IsConsole()) pending_ += CursorMoveSequence(row, column);
  }

  bool QueryCursor(int& row, int& column, std::string& typed) override;

  bool InputIsConsole() override { return IsTerminal(kInput); }

  void BeginKeyInput() override {
    if (depth_++ == 0) EnterRaw();
  }

  void EndKeyInput() override {
    if (depth_ > 0 && --depth_ == 0) RestoreSettings();
  }

  std::size_t ReadInput(std::span<char> into, int timeout_ms, bool& ended) override;

  bool InterruptEnds() override {
    struct sigaction now {};
    return sigaction(SIGINT, nullptr, &now) != 0 || !Ignored(now);
  }

  void ResetAttribute() override {
    if (IsConsole()) pending_ += kResetAttributes;
  }

  void Interrupt() override {
    Flush();
    RestoreSettings();
    raise(SIGINT);
    if (depth_ > 0) EnterRaw();  // SIGINT was ignored or handled: reading goes on
  }

 private:
  static bool IsTerminal(int fd) {
    const char* term = std::getenv("TERM");
    return isatty(fd) == 1 && (term == nullptr || std::strcmp(term, "dumb") != 0);
  }

  static bool Utf8() {
    return LocaleIsUtf8(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG"));
  }

  winsize WindowSize() {
    winsize size{};
    if (!IsConsole() || ioctl(kOutput, TIOCGWINSZ, &size) != 0) return winsize{};
    return size;
  }

  // Saves the console's settings anew each time, so that a change made meanwhile (stty) is what
  // gets restored.
  void EnterRaw() {
    if (g_raw_active == 0 && tcgetattr(kInput, &g_saved_settings) != 0) return;
    if (!g_handlers_installed) {
      g_handlers_installed = true;
      InstallSignalHandlers();
    }
    termios raw = g_saved_settings;
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    g_raw_active = 1;  // before the change, so that a signal in between still restores
    tcsetattr(kInput, TCSANOW, &raw);
  }

  std::string pending_;
  int depth_ = 0;
};

std::size_t PosixTerminal::ReadInput(std::span<char> into, int timeout_ms, bool& ended) {
  if (into.empty()) return 0;
  pollfd ready{kInput, POLLIN, 0};
  const int polled = poll(&ready, 1, timeout_ms);
  if (polled == 0 || (polled < 0 && errno == EINTR)) return 0;
  if (polled < 0 || (ready.revents & POLLNVAL) != 0) {
    ended = true;
    return 0;
  }
  const ssize_t got = read(kInput, into.data(), into.size());
  if (got > 0) return static_cast<std::size_t>(got);
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
  ended = true;  // end of file, or a terminal that hung up (EIO)
  return 0;
}

bool PosixTerminal::QueryCursor(int& row, int& column, std::string& typed) {
  if (!IsConsole() || !InputIsConsole()) return false;
  BeginKeyInput();  // the reply must be neither echoed nor held back until Enter
  pending_.append(kCursorQuery);
  Flush();
  std::string input;
  CursorReply reply;
  const auto deadline = std::chrono::steady_clock::now() + kCursorReplyWait;
  while (input.size() < kCursorReplyLimit) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    std::array<char, 64> chunk{};
    const std::size_t room = std::min(chunk.size(), kCursorReplyLimit - input.size());
    bool ended = false;
    const std::size_t got =
        ReadInput(std::span<char>(chunk.data(), room), static_cast<int>(left.count()), ended);
    if (ended) break;
    input.append(chunk.data(), got);
    reply = ScanCursorReply(input);
    if (reply.found) break;
  }
  EndKeyInput();
  if (!reply.found) reply = ScanCursorReply(input);
  typed += reply.other;
  row = reply.row;
  column = reply.column;
  return reply.found;
}

PosixTerminal* g_terminal = nullptr;

void AtExit() {
  if (g_terminal != nullptr) g_terminal->Flush();
  RestoreSettings();
}

}  // namespace

Terminal& PlatformTerminal() {
  // Never destroyed: the exit hook still flushes through it after static destructors have run.
  static PosixTerminal* const terminal = [] {
    g_terminal = new PosixTerminal();
    std::atexit(AtExit);
    return g_terminal;
  }();
  return *terminal;
}

}  // namespace tessaro

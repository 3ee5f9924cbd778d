#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "console/terminal.hpp"

namespace tessaro {

namespace {

class PosixTerminal final : public Terminal {
 public:
  bool IsConsole() override { return isatty(STDOUT_FILENO) == 1; }
  int Columns() override {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
  }
  void Write(std::string_view bytes) override { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }
  void Flush() override { std::fflush(stdout); }
  void SetAttribute(int) override {}
};

}  // namespace

Terminal& PlatformTerminal() {
  static PosixTerminal terminal;
  return terminal;
}

}  // namespace tessaro

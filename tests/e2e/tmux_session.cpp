#include "tests/e2e/tmux_session.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tessaro::testing {

namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Capture(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  pclose(pipe);
  return output;
}

}  // namespace

bool TmuxSession::Available() { return std::system("tmux -V >/dev/null 2>&1") == 0; }

TmuxSession::TmuxSession(const std::string& directory, const std::string& command, int columns, int rows)
    : socket_("tessaro-test-" + std::to_string(getpid()) + "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this))) {
  Tmux("-f /dev/null new-session -d -x " + std::to_string(columns) + " -y " + std::to_string(rows) + " -c " +
       Quoted(directory) + " " + Quoted(command));
}

TmuxSession::~TmuxSession() { Tmux("kill-server"); }

std::string TmuxSession::Tmux(const std::string& arguments) {
  return Capture("tmux -L " + socket_ + " " + arguments + " 2>/dev/null");
}

void TmuxSession::SendKeys(const std::string& keys) { Tmux("send-keys " + keys); }

std::string TmuxSession::Screen(bool colours) { return Tmux(std::string("capture-pane -p") + (colours ? " -e" : "")); }

bool TmuxSession::WaitFor(const std::string& text) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (Screen().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace tessaro::testing

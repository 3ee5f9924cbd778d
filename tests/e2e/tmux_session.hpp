// A detached tmux session of fixed size that runs one shell command: what a person would see.
#pragma once

#include <string>

namespace tessaro::testing {

class TmuxSession {
 public:
  TmuxSession(const std::string& directory, const std::string& command, int columns = 80, int rows = 25);
  ~TmuxSession();
  TmuxSession(const TmuxSession&) = delete;
  TmuxSession& operator=(const TmuxSession&) = delete;

  static bool Available();
  // Keys in tmux's own names ("y", "Enter", "Escape", "Up", "C-c").
  void SendKeys(const std::string& keys);
  // The visible screen, one line per row; with colours, as SGR escapes.
  std::string Screen(bool colours = false);
  // Waits up to ten seconds for the screen to contain the text.
  bool WaitFor(const std::string& text);

 private:
  std::string Tmux(const std::string& arguments);
  std::string socket_;
};

}  // namespace tessaro::testing

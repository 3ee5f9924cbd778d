// A terminal that shows nothing and whose input has ended: for tools and fuzzers that use the
// program's libraries without a console, so that no stage line is printed and no wait can block.
#pragma once

#include "console/terminal.hpp"

namespace tessaro {

class SilentTerminal final : public Terminal {
 public:
  bool IsConsole() override { return false; }
  int Columns() override { return 0; }
  int Rows() override { return 0; }
  void Write(std::string_view) override {}
  void Flush() override {}
  void SetAttribute(int) override {}
  void MoveCursor(int, int) override {}
  bool QueryCursor(int&, int&, std::string&) override { return false; }
  bool InputIsConsole() override { return false; }
  void BeginKeyInput() override {}
  void EndKeyInput() override {}
  std::size_t ReadInput(std::span<char>, int, bool& ended) override {
    ended = true;
    return 0;
  }
  void Interrupt() override {}
};

}  // namespace tessaro

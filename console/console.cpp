#include "console/console.hpp"

#include "console/terminal.hpp"

namespace tessaro {

namespace {
Terminal* g_terminal = nullptr;
int g_foreground = 7;
constexpr int kBackground = 0;
}  // namespace

void UseTerminal(Terminal* terminal) { g_terminal = terminal; }

Terminal& CurrentTerminal() { return g_terminal != nullptr ? *g_terminal : PlatformTerminal(); }

void PrintText(std::string_view text, bool end_line) {
  Terminal& terminal = CurrentTerminal();
  terminal.Write(text);
  if (end_line) terminal.Write("\r\n");
}

void TabTo(std::int32_t) {}

void SetTextColor(std::int32_t foreground) {
  g_foreground = ((foreground % 16) + 16) % 16;
  CurrentTerminal().SetAttribute(g_foreground + 16 * kBackground);
}

std::int32_t ConsoleColumns() {
  Terminal& terminal = CurrentTerminal();
  return terminal.IsConsole() ? terminal.Columns() : 0;
}

std::string RepeatChar(std::int32_t count, char byte) {
  return count < 1 ? std::string() : std::string(static_cast<std::size_t>(count), byte);
}

std::string Spaces(std::int32_t count) { return RepeatChar(count, ' '); }

std::string IntToText(std::int32_t value) { return std::to_string(value); }

void WaitKey() { FlushConsole(); }
std::string ReadKey() { return {}; }
std::int32_t CursorColumn() { return 1; }
std::int32_t CursorRow() { return 1; }
void MoveCursor(std::int32_t, std::int32_t) {}

void FlushConsole() { CurrentTerminal().Flush(); }

}  // namespace tessaro

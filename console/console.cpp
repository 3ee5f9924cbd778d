#include "console/console.hpp"

#include <algorithm>
#include <cstdint>

#include "console/console_internal.hpp"
#include "console/terminal.hpp"

namespace tessaro {

namespace {

constexpr int kBackground = 0;    // never changed by the program
constexpr int kAssumedWidth = 80;  // a console that does not tell its width
constexpr std::string_view kLineEnd = "\r\n";

struct OutputState {
  Terminal* terminal = nullptr;
  int foreground = 7;
  // Where the next byte goes, as far as the layer knows. The console may be asked (CursorColumn)
  // and then the two agree again.
  int column = 1;
  int row = 1;  // line ends written so far plus 1; used only where the console cannot be asked
  bool coloured = false;  // a colour was set, which the console keeps after the program has gone
};

OutputState g_output;

int Width(Terminal& terminal) {
  if (!terminal.IsConsole()) return 0;
  const int columns = terminal.Columns();
  return columns > 0 ? columns : kAssumedWidth;
}

void AppendLineEnd(std::string& out) {
  out.append(kLineEnd);
  g_output.column = 1;
  ++g_output.row;
}

// Asks the console for the cursor; keys that arrive meanwhile are kept.
bool QueryConsoleCursor(Terminal& terminal, int& row, int& column) {
  if (!terminal.IsConsole()) return false;
  terminal.Flush();
  std::string typed;
  const bool known = terminal.QueryCursor(row, column, typed);
  console_internal::TakeTypedBytes(terminal, typed);
  if (known) g_output.column = column;
  return known;
}

}  // namespace

void UseTerminal(Terminal* terminal) {
  g_output = OutputState{};
  g_output.terminal = terminal;
  console_internal::ResetKeyInput();
}

Terminal& CurrentTerminal() {
  return g_output.terminal != nullptr ? *g_output.terminal : PlatformTerminal();
}

void PrintText(std::string_view text, bool end_line) {
  Terminal& terminal = CurrentTerminal();
  const int width = Width(terminal);
  std::string out;
  out.reserve(text.size() + 2 * kLineEnd.size());
  for (char byte : text) {
    out.push_back(byte);
    if (byte == '\r' || byte == '\n') {
      g_output.column = 1;
      if (byte == '\n') ++g_output.row;
      continue;
    }
    ++g_output.column;
    // The wrap is written out rather than left to the terminal, whose own rule (wait in the last
    // column until the next byte) would swallow the line end of a full-width line.
    if (width > 0 && g_output.column > width) AppendLineEnd(out);
  }
  if (end_line) AppendLineEnd(out);
  terminal.Write(out);
}

void TabTo(std::int32_t column) {
  Terminal& terminal = CurrentTerminal();
  const int width = Width(terminal);
  std::int32_t target = column;
  if (width > 0 && target > width) target %= width;
  if (target < g_output.column) {
    std::string line_end;
    AppendLineEnd(line_end);
    terminal.Write(line_end);
  }
  const int destination = std::max(target, 1);
  if (destination == g_output.column) return;
  if (terminal.IsConsole()) {
    terminal.MoveCursor(0, destination);
  } else {
    // A file has no cursor to move; spaces keep its columns where the screen would show them.
    terminal.Write(Spaces(destination - g_output.column));
  }
  g_output.column = destination;
}

void SetTextColor(std::int32_t foreground) {
  g_output.foreground = ((foreground % 16) + 16) % 16;
  Terminal& terminal = CurrentTerminal();
  if (!terminal.IsConsole()) return;
  terminal.SetAttribute(g_output.foreground + 16 * kBackground);
  g_output.coloured = true;
}

std::int32_t ConsoleColumns() { return Width(CurrentTerminal()); }

std::string RepeatChar(std::int32_t count, char byte) {
  return count < 1 ? std::string() : std::string(static_cast<std::size_t>(count), byte);
}

std::string Spaces(std::int32_t count) { return RepeatChar(count, ' '); }

std::string IntToText(std::int32_t value) { return std::to_string(value); }

std::int32_t CursorColumn() {
  int row = 0;
  int column = 0;
  if (QueryConsoleCursor(CurrentTerminal(), row, column)) return column;
  return g_output.column;
}

std::int32_t CursorRow() {
  Terminal& terminal = CurrentTerminal();
  if (!terminal.IsConsole()) return g_output.row;
  int row = 0;
  int column = 0;
  return QueryConsoleCursor(terminal, row, column) ? row : 0;
}

void MoveCursor(std::int32_t row, std::int32_t column) {
  Terminal& terminal = CurrentTerminal();
  if (!terminal.IsConsole()) return;
  const int rows = terminal.Rows();
  if (row < 0 || column < 0 || column > Width(terminal)) return;
  if (rows > 0 && row > rows) return;
  if (row == 0 && column == 0) return;
  terminal.MoveCursor(row, column);
  if (column > 0) g_output.column = column;
}

void FlushConsole() { CurrentTerminal().Flush(); }

void RestoreConsole() {
  Terminal& terminal = CurrentTerminal();
  if (g_output.coloured) terminal.ResetAttribute();
  g_output.coloured = false;
  terminal.Flush();
}

namespace console_internal {

void BeforeInterrupt(Terminal& terminal) {
  // What follows the program (a shell's prompt) starts on a line of its own, in its own colours.
  if (g_output.column != 1) terminal.Write(kLineEnd);
  g_output.column = 1;
  RestoreConsole();
}

}  // namespace console_internal

}  // namespace tessaro

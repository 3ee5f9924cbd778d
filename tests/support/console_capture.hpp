// Routes the console layer into memory for the lifetime of the object: a pretend console that
// records what is written, follows the cursor, and plays back typed keys.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "console/terminal.hpp"

namespace tessaro::testing {

class ScopedConsoleCapture final : public Terminal {
 public:
  // Output as if redirected to a file: not a console, no width. Input as if from an empty file:
  // WaitKey returns at once, ReadKey gives "" and KeyInputEnded() is true.
  ScopedConsoleCapture();
  // Output as if on a console of the given size, cursor in row 1, column 1. Input from its
  // keyboard, where nothing has been typed yet (see TypeKeys).
  ScopedConsoleCapture(int columns, int rows);
  ~ScopedConsoleCapture() override;
  ScopedConsoleCapture(const ScopedConsoleCapture&) = delete;
  ScopedConsoleCapture& operator=(const ScopedConsoleCapture&) = delete;

  // The bytes written, without colours or cursor moves.
  const std::string& Text() const { return text_; }
  // The bytes written, with every colour change as "<c" attribute ">" ("<c->" back to the
  // console's own), every cursor move as
  // "<@" row "," column ">" (the position reached) and every Ctrl-C interrupt as "<^C>".
  const std::string& Marked() const { return marked_; }

  // Input from the keyboard: bytes as a terminal sends them ("\x1b[A" for the up arrow, "\x03"
  // for Ctrl-C). Each call arrives as one burst. Once all typed bytes are read, a wait without
  // a time limit finds the keyboard gone (end of input) instead of hanging the test.
  void TypeKeys(std::string_view bytes);
  // Typed a moment after what came before: a look that does not wait does not see them yet.
  void TypeKeysAfterPause(std::string_view bytes);
  // True while the layer reads keys (raw mode on a real terminal).
  bool ReadingKeys() const { return key_input_depth_ > 0; }
  // Waits without a time limit that found nothing typed: a real console would still be waiting.
  int StalledWaits() const { return stalled_waits_; }

  // The console's cursor, 1-based; a console only.
  int Row() const { return row_; }
  int Column() const { return column_; }

  bool IsConsole() override { return columns_ > 0; }
  int Columns() override { return columns_; }
  int Rows() override { return rows_; }
  void Write(std::string_view bytes) override;
  void Flush() override {}
  void SetAttribute(int attribute) override;
  void ResetAttribute() override { marked_ += "<c->"; }
  void MoveCursor(int row, int column) override;
  bool QueryCursor(int& row, int& column, std::string& typed) override;
  bool InputIsConsole() override { return input_is_console_; }
  void BeginKeyInput() override { ++key_input_depth_; }
  void EndKeyInput() override { --key_input_depth_; }
  std::size_t ReadInput(std::span<char> into, int timeout_ms, bool& ended) override;
  void Interrupt() override;

 private:
  void Place(char byte);
  void NextRow();

  int columns_ = 0;
  int rows_ = 0;
  std::string text_;
  std::string marked_;
  // The cursor. Like a real terminal's, it stays in the last column after a byte written there
  // until the next byte; the console layer is expected to break the line itself.
  int row_ = 1;
  int column_ = 1;
  bool wrap_pending_ = false;

  bool input_is_console_ = false;
  bool input_ended_ = true;  // without a keyboard: an empty file
  struct Burst {
    std::string bytes;
    bool after_pause = false;
  };
  std::deque<Burst> input_;  // not read yet
  int key_input_depth_ = 0;
  int stalled_waits_ = 0;
};

}  // namespace tessaro::testing

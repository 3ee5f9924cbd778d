// What the console layer needs from the platform's terminal. One implementation per platform is
// chosen by the build; tests install a recording one. Everything a person could see or type
// differently on another platform (line wrapping, print columns, key names) is decided by the
// console layer, not here.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/key_input.hpp"

namespace tessaro {

class Terminal {
 public:
  virtual ~Terminal() = default;

  // --- Output (standard output) ---

  // True when standard output is an interactive console, false when it is redirected.
  virtual bool IsConsole() = 0;
  // Size of the visible window; 0 when unknown or not a console.
  virtual int Columns() = 0;
  virtual int Rows() = 0;
  // Bytes as they are; the console layer has already decided line ends and wrapping.
  virtual void Write(std::string_view bytes) = 0;
  virtual void Flush() = 0;
  // attribute = foreground + 16 * background, as on the 16-colour text palette.
  virtual void SetAttribute(int attribute) = 0;
  // Back to the colours the console had before the program set any.
  virtual void ResetAttribute() {}
  // Puts the cursor at row and column (1-based, already checked against the window); 0 keeps
  // that coordinate.
  virtual void MoveCursor(int row, int column) = 0;
  // Asks the console where the cursor is. Keys typed meanwhile are appended to `typed`, as raw
  // input bytes for the key parser. False when the position cannot be learnt.
  virtual bool QueryCursor(int& row, int& column, std::string& typed) = 0;

  // --- Input (standard input) ---

  // True when standard input is an interactive console whose keys are read one by one.
  virtual bool InputIsConsole() = 0;
  // Brackets every read from a console: keys come unechoed and unbuffered in between.
  // Calls nest; the outermost End gives the console back its own settings.
  virtual void BeginKeyInput() = 0;
  virtual void EndKeyInput() = 0;
  // Waits up to timeout_ms (negative: without limit) for input, then reads what is there, at
  // most into.size() bytes. Returns the count; 0 on timeout. Sets `ended` when no input will
  // ever come again (end of file, a console gone).
  virtual std::size_t ReadInput(std::span<char> into, int timeout_ms, bool& ended) = 0;
  // Ctrl-C was typed while keys were read: give the console back its settings, then interrupt
  // the program as the platform does. Returns only if the program survives that.
  virtual void Interrupt() = 0;
  // Whether Interrupt is going to end the program (Ctrl-C is not ignored).
  virtual bool InterruptEnds() { return true; }

  // A console that reports keys as events it has already told apart (not as a byte stream for
  // the key parser) says so here; its console input is then read with ReadKeys, not ReadInput.
  virtual bool InputIsKeyEvents() { return false; }
  // As ReadInput, for such a console: appends the keys typed (KeyEvent texts, Ctrl-C as an
  // interrupt) and returns how many were appended; 0 on timeout.
  virtual std::size_t ReadKeys(std::vector<KeyEvent>& keys, int timeout_ms, bool& ended) {
    (void)keys;
    (void)timeout_ms;
    ended = true;
    return 0;
  }
};

// The platform's own terminal for standard input and output.
Terminal& PlatformTerminal();

// Routes the console layer to another terminal (tests); nullptr restores the platform's. The
// layer starts afresh on the new terminal: column, colour, key buffer and end of input.
void UseTerminal(Terminal* terminal);
Terminal& CurrentTerminal();

}  // namespace tessaro

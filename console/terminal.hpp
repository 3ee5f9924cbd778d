// What the console layer needs from the platform's terminal. One implementation per platform is
// chosen by the build; tests install a recording one.
#pragma once

#include <string_view>

namespace tessaro {

class Terminal {
 public:
  virtual ~Terminal() = default;

  // True when standard output is an interactive console, false when it is redirected.
  virtual bool IsConsole() = 0;
  // Width in columns; 0 when unknown or not a console.
  virtual int Columns() = 0;
  // Bytes as they are; the console layer has already decided line ends and wrapping.
  virtual void Write(std::string_view bytes) = 0;
  virtual void Flush() = 0;
  // attribute = foreground + 16 * background, as on the 16-colour text palette.
  virtual void SetAttribute(int attribute) = 0;
};

// The platform's own terminal for standard input and output.
Terminal& PlatformTerminal();

// Routes the console layer to another terminal (tests); nullptr restores the platform's.
void UseTerminal(Terminal* terminal);
Terminal& CurrentTerminal();

}  // namespace tessaro

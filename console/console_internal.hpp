// Shared between the output and key halves of the console layer; not for other subsystems.
#pragma once

#include <string_view>

#include "console/terminal.hpp"

namespace tessaro::console_internal {

// Forgets keys, half-read sequences and end of input (a new terminal was installed).
void ResetKeyInput();

// Raw input bytes that arrived while the layer was doing something else (a cursor query): they
// are keys typed ahead and go the same way as any other input.
void TakeTypedBytes(Terminal& terminal, std::string_view bytes);

// Ctrl-C is about to end the program: the line in progress is ended and the colours restored.
void BeforeInterrupt(Terminal& terminal);

}  // namespace tessaro::console_internal

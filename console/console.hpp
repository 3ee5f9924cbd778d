// The console layer: every line the program prints and every key it reads goes through here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro {

// Writes text at the cursor; with end_line set, a CR LF follows.
void PrintText(std::string_view text, bool end_line);

// Moves to a print column of the current line (a new line when the column lies behind the cursor).
void TabTo(std::int32_t column);

// Sets the foreground (0 to 15) of the text that follows, always on a black background.
void SetTextColor(std::int32_t foreground);

// Width of the console in columns; 0 when output is not a console.
std::int32_t ConsoleColumns();

std::string RepeatChar(std::int32_t count, char byte);
std::string Spaces(std::int32_t count);
std::string IntToText(std::int32_t value);

// Waits until a key has been pressed; the key stays unread.
void WaitKey();

// The oldest key typed and not yet read, without waiting: "" for none, one byte for a character,
// two bytes (255 and a code) for a key that produces no character.
std::string ReadKey();

std::int32_t CursorColumn();
std::int32_t CursorRow();
void MoveCursor(std::int32_t row, std::int32_t column);

// Sends buffered output on its way; done before every wait for a key and at exit.
void FlushConsole();

}  // namespace tessaro

// The console layer: every line the program prints and every key it reads goes through here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro {

// Writes text at the cursor; with end_line set, a CR LF follows. On a console a byte written in
// the last column moves the cursor to the next row at once.
void PrintText(std::string_view text, bool end_line);

// Moves to a print column of the current line (a new line when the column lies behind the
// cursor). On a console it writes nothing; in redirected output it pads with spaces.
void TabTo(std::int32_t column);

// Sets the foreground (0 to 15) of the text that follows, always on a black background.
void SetTextColor(std::int32_t foreground);

// Width of the console in columns; 0 when output is not a console.
std::int32_t ConsoleColumns();

std::string RepeatChar(std::int32_t count, char byte);
std::string Spaces(std::int32_t count);
std::string IntToText(std::int32_t value);

// Waits until a key has been pressed; the key stays unread. Returns at once when standard input
// is not a console, or has ended.
void WaitKey();

// The oldest key typed and not yet read, without waiting: "" for none, one byte for a character,
// two bytes (255 and a code) for a key that produces no character. When standard input is not a
// console, the next byte of it; "" at its end.
std::string ReadKey();

// True once standard input has ended and every key from it has been read: ReadKey will only ever
// give "" from now on, so a question must take a default answer instead of asking again.
bool KeyInputEnded();

// 1-based cursor position. When the console cannot say where the cursor is, CursorRow is 0 (which
// MoveCursor takes as "this row") and CursorColumn is the column the layer has tracked; in
// redirected output both are tracked (the row counts line ends).
std::int32_t CursorColumn();
std::int32_t CursorRow();
// Puts the cursor at row and column of the visible window; 0 keeps that coordinate. Outside the
// window nothing moves. No effect when output is not a console.
void MoveCursor(std::int32_t row, std::int32_t column);

// Sends buffered output on its way; done before every wait for a key and at exit.
void FlushConsole();

// Leaves the console as the program found it: colours the program set give way to the console's
// own, and buffered output is sent. Done at the end of every run.
void RestoreConsole();

}  // namespace tessaro

// What a terminal of the VT100 family is sent and what it answers, as plain functions of bytes,
// so that they can be checked without a terminal. The POSIX backend is their user.
#pragma once

#include <string>
#include <string_view>

namespace tessaro {

// Select graphic rendition for attribute = foreground + 16 * background (each 0 to 15).
std::string ColorSequence(int attribute);

// The terminal's own colours and rendition again.
inline constexpr std::string_view kResetAttributes = "\x1b[0m";

// Moves the cursor to row and column (1-based); 0 keeps that coordinate. "" when both are 0.
std::string CursorMoveSequence(int row, int column);

// Asks the terminal for the cursor position; it answers "ESC [ row ; column R" on its input.
inline constexpr std::string_view kCursorQuery = "\x1b[6n";

struct CursorReply {
  bool found = false;
  int row = 0;
  int column = 0;
  std::string other;  // every input byte that is not part of the reply, in order
};

// Looks for the first well-formed reply in the bytes read so far. Without one, `other` holds all
// the bytes.
CursorReply ScanCursorReply(std::string_view input);

// Whether the locale named by the environment (the first of LC_ALL, LC_CTYPE, LANG that is set
// and not empty) uses UTF-8. Null pointers stand for unset variables.
bool LocaleIsUtf8(const char* lc_all, const char* lc_ctype, const char* lang);

// Appends text as a terminal is to show it, one column per byte: byte 196, the box-drawing line of
// the old PC code pages, as U+2500 on a UTF-8 terminal and "-" elsewhere (unless it begins a UTF-8
// character on a UTF-8 terminal); control bytes other than CR and LF (and bytes 128 to 159 on a
// terminal that is not UTF-8) as "?", so that a file name cannot drive the terminal.
void AppendForDisplay(std::string& out, std::string_view text, bool utf8);

}  // namespace tessaro

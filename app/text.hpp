// Byte-text helpers shared by the path routines, the argument table and the help screen.
#pragma once

#include <string>
#include <string_view>

namespace tessaro {

// Only character 32 counts: tabs and other blanks are part of the text.
std::string TrimSpaces(std::string_view text);

// Only A-Z and a-z change; bytes above 127 stay as they are whatever the locale.
char ToLowerAscii(char byte);
char ToUpperAscii(char byte);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);

// "E1L1.MAP" ends with ".map": `ending` is given in lower case.
bool EndsWithIgnoringCase(std::string_view text, std::string_view ending);

}  // namespace tessaro

#include "console/terminal_codes.hpp"

#include <cstddef>

namespace tessaro {

namespace {

constexpr unsigned char kRuleByte = 196;
constexpr std::string_view kBoxLineUtf8 = "\xE2\x94\x80";  // U+2500
constexpr std::size_t kMaxReplyDigits = 4;

// Palette colour 0 to 15 as an SGR colour number: 0-7 normal, 8-15 bright. The PC palette counts
// blue as bit 0 and red as bit 2, ANSI the other way round, so those two bits trade places.
int SgrColor(int color, int normal_base, int bright_base) {
  const int ansi = (color & 2) | ((color & 1) << 2) | ((color & 4) >> 2);
  return (color < 8 ? normal_base : bright_base) + ansi;
}

bool IsUtf8Name(std::string_view name) {
  std::string lower;
  for (char c : name) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  return lower.find("utf-8") != std::string::npos || lower.find("utf8") != std::string::npos;
}

// Reads 1 to kMaxReplyDigits digits at `pos` into `value` (at least 1); false if there are none.
bool ReadReplyNumber(std::string_view input, std::size_t& pos, int& value) {
  std::size_t digits = 0;
  value = 0;
  while (pos < input.size() && input[pos] >= '0' && input[pos] <= '9') {
    if (++digits > kMaxReplyDigits) return false;
    value = value * 10 + (input[pos] - '0');
    ++pos;
  }
  return digits > 0 && value > 0;
}

// Length of a reply starting at `start`, or 0 if none starts there.
std::size_t ReplyAt(std::string_view input, std::size_t start, int& row, int& column) {
  std::size_t pos = start;
  if (input.substr(pos, 2) != "\x1b[") return 0;
  pos += 2;
  if (!ReadReplyNumber(input, pos, row)) return 0;
  if (pos >= input.size() || input[pos] != ';') return 0;
  ++pos;
  if (!ReadReplyNumber(input, pos, column)) return 0;
  if (pos >= input.size() || input[pos] != 'R') return 0;
  return pos + 1 - start;
}

}  // namespace

std::string ColorSequence(int attribute) {
  const int foreground = attribute % 16;
  const int background = (attribute / 16) % 16;
  // The leading 0 clears bold and the like, so the colour is exactly the one asked for.
  return "\x1b[0;" + std::to_string(SgrColor(foreground, 30, 90)) + ";" +
         std::to_string(SgrColor(background, 40, 100)) + "m";
}

std::string CursorMoveSequence(int row, int column) {
  if (row > 0 && column > 0) return "\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H";
  if (column > 0) return "\x1b[" + std::to_string(column) + "G";
  if (row > 0) return "\x1b[" + std::to_string(row) + "d";
  return {};
}

CursorReply ScanCursorReply(std::string_view input) {
  CursorReply reply;
  for (std::size_t start = 0; start < input.size(); ++start) {
    if (input[start] != '\x1b') continue;
    int row = 0;
    int column = 0;
    const std::size_t length = ReplyAt(input, start, row, column);
    if (length == 0) continue;
    reply.found = true;
    reply.row = row;
    reply.column = column;
    reply.other.assign(input.substr(0, start));
    reply.other.append(input.substr(start + length));
    return reply;
  }
  reply.other.assign(input);
  return reply;
}

bool LocaleIsUtf8(const char* lc_all, const char* lc_ctype, const char* lang) {
  for (const char* name : {lc_all, lc_ctype, lang}) {
    if (name != nullptr && name[0] != '\0') return IsUtf8Name(name);
  }
  return false;
}

void AppendForDisplay(std::string& out, std::string_view text, bool utf8) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == kRuleByte) {
      const bool next_continues = i + 1 < text.size() &&
                                  (static_cast<unsigned char>(text[i + 1]) & 0xC0u) == 0x80u;
      if (!utf8) {
        out.push_back('-');
      } else if (next_continues) {
        out.push_back(text[i]);
      } else {
        out.append(kBoxLineUtf8);
      }
    } else if ((byte < 32 && byte != '\r' && byte != '\n') || byte == 127 ||
               (!utf8 && byte >= 0x80 && byte <= 0x9F)) {  // C1 controls on an 8-bit terminal
      out.push_back('?');
    } else {
      out.push_back(text[i]);
    }
  }
}

}  // namespace tessaro

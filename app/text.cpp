#include "app/text.hpp"

namespace tessaro {

std::string TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

char ToLowerAscii(char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte - 'A' + 'a') : byte;
}

char ToUpperAscii(char byte) {
  return (byte >= 'a' && byte <= 'z') ? static_cast<char>(byte - 'a' + 'A') : byte;
}

std::string ToLowerAscii(std::string_view text) {
  std::string result(text);
  for (char& byte : result) byte = ToLowerAscii(byte);
  return result;
}

std::string ToUpperAscii(std::string_view text) {
  std::string result(text);
  for (char& byte : result) byte = ToUpperAscii(byte);
  return result;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && ToLowerAscii(text.substr(text.size() - ending.size())) == ending;
}

}  // namespace tessaro

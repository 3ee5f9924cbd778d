#include "archive/archive_member.hpp"

#include <algorithm>

#include "app/text.hpp"

namespace tessaro {

namespace {

bool IsControlByte(char c) { return static_cast<unsigned char>(c) < 32 || c == 127; }

}  // namespace

bool IsGroupFileName(std::string_view name) { return EndsWithIgnoringCase(name, ".grp"); }

bool IsArchiveName(std::string_view name) { return IsGroupFileName(name) || EndsWithIgnoringCase(name, ".zip"); }

bool IsPlainMemberName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) { return c == '/' || c == '\\' || c == ':' || IsControlByte(c); });
}

std::string_view LastNamePart(std::string_view name) { return name.substr(name.rfind('/') + 1); }

std::string MemberTitle(std::string_view archive, std::string_view member) {
  std::string title = std::string(archive) + "/";
  for (const char c : member) title += IsControlByte(c) ? '?' : c;
  return title;
}

MapError MapMemberRefusal(const ArchiveMember& member) {
  if (member.refused != Ok) return member.refused;
  return member.storage != Storage::Plain && member.size > LargestMapBytes() ? SourceCorrupted : Ok;
}

}  // namespace tessaro

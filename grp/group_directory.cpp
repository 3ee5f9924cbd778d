#include "grp/group_directory.hpp"

#include <algorithm>

#include "map/little_endian.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kNameBytes = 12;

std::uint32_t LoadUnsigned32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(LoadLittleEndian(at, 4, Sign::Unsigned));
}

bool IsControlByte(char c) { return static_cast<unsigned char>(c) < 32 || c == 127; }

}  // namespace

bool IsGroupFileName(std::string_view name) {
  if (name.size() < 4) return false;
  std::string ending(name.substr(name.size() - 4));
  for (char& c : ending) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return ending == ".grp";
}

std::uint64_t GroupDirectoryBytes(std::span<const std::uint8_t> first, std::uint64_t file_length) {
  if (first.size() < kGroupEntryBytes) return 0;
  // 64 bits hold the largest count times 16 with room to spare.
  const std::uint64_t bytes = kGroupEntryBytes * (std::uint64_t{LoadUnsigned32(&first[kNameBytes])} + 1);
  return bytes <= file_length ? bytes : 0;
}

bool ReadGroupDirectory(std::span<const std::uint8_t> directory, std::uint64_t file_length,
                        std::vector<GroupMember>& members) {
  members.clear();
  const std::uint64_t bytes = GroupDirectoryBytes(directory, file_length);
  if (bytes == 0 || bytes != directory.size()) return false;
  std::uint64_t offset = bytes;
  for (std::size_t at = kGroupEntryBytes; at < directory.size(); at += kGroupEntryBytes) {
    const std::uint8_t* entry = &directory[at];
    const auto name_end = std::find(entry, entry + kNameBytes, std::uint8_t{0});
    GroupMember member{std::string(entry, name_end), offset, LoadUnsigned32(entry + kNameBytes)};
    offset += member.size;
    // Sizes are checked as they add up, so that the sum cannot wrap however many there are.
    if (offset > file_length) {
      members.clear();
      return false;
    }
    members.push_back(std::move(member));
  }
  return true;
}

bool IsPlainMemberName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) { return c == '/' || c == '\\' || c == ':' || IsControlByte(c); });
}

std::string MemberTitle(std::string_view group, std::string_view member) {
  std::string title = std::string(group) + "/";
  for (const char c : member) title += IsControlByte(c) ? '?' : c;
  return title;
}

}  // namespace tessaro

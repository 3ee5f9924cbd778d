#include "grp/group_directory.hpp"

#include <algorithm>

#include "map/little_endian.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kNameBytes = 12;

std::uint32_t LoadUnsigned32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(LoadLittleEndian(at, 4, Sign::Unsigned));
}

}  // namespace

std::uint64_t GroupDirectoryBytes(std::span<const std::uint8_t> first, std::uint64_t file_length) {
  if (first.size() < kGroupEntryBytes) return 0;
  // 64 bits hold the largest count times 16 with room to spare.
  const std::uint64_t bytes = kGroupEntryBytes * (std::uint64_t{LoadUnsigned32(&first[kNameBytes])} + 1);
  return bytes <= file_length ? bytes : 0;
}

bool ReadGroupDirectory(std::span<const std::uint8_t> directory, std::uint64_t file_length,
                        std::vector<ArchiveMember>& members) {
  members.clear();
  const std::uint64_t bytes = GroupDirectoryBytes(directory, file_length);
  if (bytes == 0 || bytes != directory.size()) return false;
  std::uint64_t offset = bytes;
  for (std::size_t at = kGroupEntryBytes; at < directory.size(); at += kGroupEntryBytes) {
    const std::uint8_t* entry = &directory[at];
    const auto name_end = std::find(entry, entry + kNameBytes, std::uint8_t{0});
    ArchiveMember member;
    member.name.assign(entry, name_end);
    member.offset = offset;
    member.packed = member.size = LoadUnsigned32(entry + kNameBytes);
    if (!IsPlainMemberName(member.name)) member.refused = MemberNameNotPlain;
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

}  // namespace tessaro

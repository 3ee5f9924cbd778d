// A group file's bytes through the directory reader, then each member it lists through the map
// reader, from that member's bytes alone.
#include <algorithm>

#include "fuzz/fuzz_support.hpp"
#include "grp/group_directory.hpp"
#include "map/map_format.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  const std::span<const std::uint8_t> file(data, size);
  const std::uint64_t bytes = GroupDirectoryBytes(file.first(std::min<std::size_t>(size, kGroupEntryBytes)), size);
  std::vector<ArchiveMember> members;
  if (bytes == 0) return 0;
  TESSARO_FUZZ_CHECK(bytes <= size && bytes % kGroupEntryBytes == 0);
  const bool whole = ReadGroupDirectory(file.first(bytes), size, members);
  TESSARO_FUZZ_CHECK(whole || members.empty());
  if (!whole) return 0;
  TESSARO_FUZZ_CHECK(members.size() == bytes / kGroupEntryBytes - 1);
  // The members follow each other from the end of the directory, each inside the file.
  std::uint64_t next = bytes;
  MapFile map;
  for (const ArchiveMember& member : members) {
    TESSARO_FUZZ_CHECK(member.offset == next && member.offset + member.size <= size);
    TESSARO_FUZZ_CHECK(member.name.size() <= 12 && member.name.find('\0') == std::string::npos);
    const std::string title = MemberTitle("G.GRP", member.name);
    TESSARO_FUZZ_CHECK(std::none_of(title.begin(), title.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }));
    if (member.refused == Ok) TESSARO_FUZZ_CHECK(member.name.find_first_of("/\\:") == std::string::npos);
    ReadMap(file.subspan(member.offset, member.size), map);
    next = member.offset + member.size;
  }
  FreeMap(map);
  // A file one byte shorter than its last member is damaged as a whole.
  if (next > bytes) TESSARO_FUZZ_CHECK(!ReadGroupDirectory(file.first(bytes), next - 1, members) && members.empty());
  return 0;
}

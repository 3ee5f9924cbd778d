// A zip's bytes through the directory reader, then each member it lists unpacked with zlib from
// its own bytes, read as a map and as a group file's directory.
#include <algorithm>

#include "fuzz/fuzz_support.hpp"
#include "grp/group_file.hpp"
#include "map/map_format.hpp"
#include "zip/zip_directory.hpp"
#include "zip/zip_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  const std::span<const std::uint8_t> file(data, size);
  ZipDirectoryPlace place;
  if (FindZipDirectory(file.last(std::min<std::size_t>(size, kZipTailBytes)), size, place) != Ok) return 0;
  TESSARO_FUZZ_CHECK(place.offset <= size && place.bytes <= size - place.offset);
  std::vector<ArchiveMember> members;
  const MapError read = ReadZipDirectory(file.subspan(place.offset, place.bytes), place, members);
  TESSARO_FUZZ_CHECK(read == Ok ? members.size() == place.entries : members.empty());
  MapFile map;
  for (const ArchiveMember& member : members) {
    // Its header and data lie before the directory; a plain path makes a file beside the zip.
    TESSARO_FUZZ_CHECK(member.offset + kZipLocalHeaderBytes + member.packed <= place.offset);
    if (member.refused == Ok) TESSARO_FUZZ_CHECK(IsPlainMemberName(LastNamePart(member.name)));
    const std::span<const std::uint8_t> header = file.subspan(member.offset, kZipLocalHeaderBytes);
    const std::uint64_t at = ZipDataOffset(header, member, size);
    if (at == 0 || member.refused != Ok || member.size > LargestMapBytes()) continue;
    MemorySource packed(file.subspan(at, member.packed));
    UnpackedSource unpacked(packed, member);
    std::vector<std::uint8_t> bytes(member.size + 1);
    std::size_t got = 0;
    TESSARO_FUZZ_CHECK(unpacked.Read(bytes, got) && got <= member.size);
    if (unpacked.Finish() != Ok) continue;
    // Whole: exactly the stated bytes, with the stated CRC-32.
    TESSARO_FUZZ_CHECK(got == member.size && Crc32(std::span(bytes).first(got)) == member.crc);
    const std::span<const std::uint8_t> whole(bytes.data(), got);
    ReadMap(whole, map);
    MemorySource group(whole);
    std::vector<ArchiveMember> grouped;
    ReadGroupDirectory(group, grouped);
  }
  FreeMap(map);
  return 0;
}

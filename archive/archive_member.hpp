// A member of an archive, a group file or a zip, as the source listing, the titles, the output
// names and the refusals see it: which kind of archive it came from matters only where its bytes
// are read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "map/map.hpp"

namespace tessaro {

enum class Storage : std::uint8_t {
  Plain,       // its bytes as they are at `offset` (a group file)
  ZipStored,   // as they are, behind the zip's local header at `offset`
  ZipDeflated  // deflated, behind the zip's local header at `offset`
};

struct ArchiveMember {
  std::string name;             // as the archive spells it; a zip's may hold folders: "maps/E1L1.MAP"
  std::uint64_t offset = 0;     // from the start of the archive
  std::uint64_t packed = 0;     // bytes it takes in the archive
  std::uint64_t size = 0;       // bytes once unpacked
  std::uint32_t crc = 0;        // the CRC-32 of the unpacked bytes (zip members)
  Storage storage = Storage::Plain;
  MapError refused = Ok;        // why it is never read: its name, its method, its encryption
};

// A name that ends in ".grp", or a group file or a zip, in any case.
bool IsGroupFileName(std::string_view name);
bool IsArchiveName(std::string_view name);

// A member name that makes a file beside its archive and nowhere else: no folder separator,
// drive or control byte, and neither "." nor "..".
bool IsPlainMemberName(std::string_view name);

// The last part of a member's path, which names its output: "maps/E1L1.MAP" gives "E1L1.MAP".
std::string_view LastNamePart(std::string_view name);

// How the lines name a member: "GAME.GRP/E1L1.MAP", with "?" for control bytes so that no name
// from inside a file can drive the terminal.
std::string MemberTitle(std::string_view archive, std::string_view member);

// Why the member is not read as a map: its own refusal, or a zip member stated larger than any
// map, which is not unpacked at all.
MapError MapMemberRefusal(const ArchiveMember& member);

}  // namespace tessaro

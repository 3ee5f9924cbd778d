// What a source name stands for: loose maps of a folder or, where none fits, the members of group
// files and zips, each with the name its lines show and the name its output takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_member.hpp"
#include "map/map.hpp"

namespace tessaro {

struct SourceEntry {
  std::string title;    // as the lines name it: "maps/E1L1.MAP", "maps/PACK.ZIP/LRWB.GRP/WW8.MAP"
  std::string output;   // the name of its map at the target version unless -Out gives one
  std::string archive;  // the group file or zip holding it; empty for a loose map
  // The member, or a group member of a zip and a member of that group.
  std::vector<ArchiveMember> members;
  MapError problem = Ok;  // an archive or a group in a zip that could not be read: the entry is it
};

// The loose maps of the source's folder whose names fit its pattern, spelled as the file system
// spells them, in byte order; read-only maps are listed, hidden and system files and folders are
// not. When none fits, the source may name members of group files and zips: "maps/game.grp/e1l1.map"
// or "pack.zip/maps/e1l1.map" a member (any wildcard fits the whole member path as it fits file
// names), "pack.zip/lrwb.grp/ww8.map" a member of a group in a zip, and "maps/game.grp.map" (what
// -In makes of "maps/game.grp") every member whose name ends in ".map", with the maps of every
// group in a zip; members in directory order. An archive that cannot be read is an entry of its
// own that carries its failure.
std::vector<SourceEntry> BuildFileList(const std::string& source_path, std::int32_t version);

}  // namespace tessaro

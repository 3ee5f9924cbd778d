// What a source name stands for: loose maps of a folder or, where none fits, the members of group
// files, each with the name its lines show and the name its output takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "grp/group_directory.hpp"
#include "map/map.hpp"

namespace tessaro {

struct SourceEntry {
  std::string title;   // as the lines name it: "maps/E1L1.MAP", "maps/GAME.GRP/E1L1.MAP"
  std::string output;  // the name of its map at the target version unless -Out gives one
  std::string group;   // the group file holding it; empty for a loose map
  GroupMember member;
  MapError problem = Ok;  // a group file whose directory could not be read: the entry is the group
};

// The loose maps of the source's folder whose names fit its pattern, spelled as the file system
// spells them, in byte order; read-only maps are listed, hidden and system files and folders are
// not. When none fits, the source may name group files: "maps/game.grp/e1l1.map" a member (any
// wildcard fits member names as it fits file names), "maps/game.grp.map" (what -In makes of
// "maps/game.grp") every member whose name ends in ".map"; members in directory order. A group
// file that cannot be read is an entry of its own that carries its failure.
std::vector<SourceEntry> BuildFileList(const std::string& source_path, std::int32_t version);

}  // namespace tessaro

// Group files on disk, read as read-only folders of maps: the program's shell around the
// directory reader. A group file is opened for reading only, never written, renamed or locked.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "grp/group_directory.hpp"
#include "map/map.hpp"
#include "map/map_format.hpp"

namespace tessaro {

// The members of the group file at `path` (spelled as the file system spells it), read from its
// directory alone. SourceCorrupted when the directory is damaged. `members` starts empty.
MapError ReadGroupFile(const std::string& path, std::vector<GroupMember>& members);

// Reads one member as OpenMap reads a map file, from its own bytes only, and prints `stage` or
// ":: Opening <title>...". A member whose name is not a plain file name is never read.
MapError OpenGroupMember(const std::string& path, const GroupMember& member, std::string_view title,
                         MapFile& map, SourceExtent* extent = nullptr, std::string_view stage = {});

// Whether a folder of `path` is a group file: nothing may be written into one.
bool IsInsideGroupFile(std::string_view path);

}  // namespace tessaro

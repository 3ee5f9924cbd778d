// Group files on disk, read as read-only folders of maps: the program's shell around the
// directory reader. A group file is opened for reading only, never written, renamed or locked.
#pragma once

#include <string>
#include <vector>

#include "grp/group_directory.hpp"
#include "map/map.hpp"
#include "map/map_format.hpp"

namespace tessaro {

// The members of a group from its directory alone, which `group` gives from the group's first
// byte on: a group file, or a group unpacking out of a zip. SourceCorrupted when the directory is
// damaged. `members` starts empty.
MapError ReadGroupDirectory(ByteSource& group, std::vector<ArchiveMember>& members);

// The same for the group file at `path` (spelled as the file system spells it).
MapError ReadGroupFile(const std::string& path, std::vector<ArchiveMember>& members);

}  // namespace tessaro

// Archives on disk, group files and zips alike, as read-only folders of maps: their members
// listed, read as maps from their own bytes, and never written into.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_member.hpp"
#include "map/map.hpp"
#include "map/map_format.hpp"

namespace tessaro {

// The members of the archive at `path` (spelled as the file system spells it), a group file or a
// zip by its name, from its directory alone. SourceCorrupted when the directory is damaged.
MapError ReadArchive(const std::string& path, std::vector<ArchiveMember>& members);

// The members of the group file that lies in the zip at `path` as `group`. The group unpacks as
// it is read, past its directory to its end, so that it is checked whole: nothing of it is kept
// but the directory.
MapError ReadNestedGroup(const std::string& path, const ArchiveMember& group, std::vector<ArchiveMember>& members);

// Reads a member as OpenMap reads a map file, from its own bytes only, and prints `stage` or
// ":: Opening <title>...". `chain` is the member, or a group member of a zip and a member of that
// group. A refused member is never read; a zip member is read whole, so that its CRC-32 is checked.
// With `extent`, what the records cannot tell of the member is kept there.
MapError OpenArchiveMember(const std::string& path, std::span<const ArchiveMember> chain, std::string_view title,
                           MapFile& map, SourceExtent* extent = nullptr, std::string_view stage = {});

// Whether a folder of `path` is a group file or a zip: nothing may be written into one.
bool IsInsideArchive(std::string_view path);

}  // namespace tessaro

// Group files (".grp"): a game's files one after another behind a directory of their names and
// sizes. Their first bytes and their length are all it takes to know where each member lies, so
// the program and the browser page read a member without reading the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "archive/archive_member.hpp"

namespace tessaro {

// The directory's first entry holds 12 signature bytes and the member count; every other entry a
// member's 12-byte name (zero-padded) and its size, all little-endian.
inline constexpr std::size_t kGroupEntryBytes = 16;

// How many bytes the directory takes at the start of the file, from the file's first
// kGroupEntryBytes bytes (fewer when the file is shorter) and its length; 0 when the directory
// cannot lie inside the file.
std::uint64_t GroupDirectoryBytes(std::span<const std::uint8_t> first, std::uint64_t file_length);

// The members in directory order, from the file's first GroupDirectoryBytes bytes; a member whose
// name is not a plain file name is refused. False, with no members, when the directory or the
// members it lists run past the end of the file: nothing of a damaged directory can be trusted.
bool ReadGroupDirectory(std::span<const std::uint8_t> directory, std::uint64_t file_length,
                        std::vector<ArchiveMember>& members);

}  // namespace tessaro

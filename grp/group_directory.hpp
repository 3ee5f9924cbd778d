// Group files (".grp"): a game's files one after another behind a directory of their names and
// sizes. Their first bytes and their length are all it takes to know where each member lies, so
// the program and the browser page read a member without reading the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// The directory's first entry holds 12 signature bytes and the member count; every other entry a
// member's 12-byte name (zero-padded) and its size, all little-endian.
inline constexpr std::size_t kGroupEntryBytes = 16;

struct GroupMember {
  std::string name;          // up to 12 bytes, as the directory spells it
  std::uint64_t offset = 0;  // from the start of the group file
  std::uint32_t size = 0;
};

// A name that ends in ".grp", in any case.
bool IsGroupFileName(std::string_view name);

// How many bytes the directory takes at the start of the file, from the file's first
// kGroupEntryBytes bytes (fewer when the file is shorter) and its length; 0 when the directory
// cannot lie inside the file.
std::uint64_t GroupDirectoryBytes(std::span<const std::uint8_t> first, std::uint64_t file_length);

// The members in directory order, from the file's first GroupDirectoryBytes bytes. False, with no
// members, when the directory or the members it lists run past the end of the file: nothing of a
// damaged directory can be trusted.
bool ReadGroupDirectory(std::span<const std::uint8_t> directory, std::uint64_t file_length,
                        std::vector<GroupMember>& members);

// A member name that makes a file beside its group file and nowhere else: no folder separator,
// drive or control byte, and neither "." nor "..".
bool IsPlainMemberName(std::string_view name);

// How the lines name a member: "GAME.GRP/E1L1.MAP", with "?" for control bytes so that no name
// from inside a file can drive the terminal.
std::string MemberTitle(std::string_view group, std::string_view member);

}  // namespace tessaro

// Zip archives, read from their end: the end record, the central directory it points to, and for
// each member the local header only to find where its data begins, since zips written as a stream
// leave the local sizes zero. Names, sizes and methods come from the central directory alone.
// Over bytes only, so that the program and the browser page each supply reading and inflating.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "archive/archive_member.hpp"
#include "map/map.hpp"

namespace tessaro {

// The end record is searched for in the archive's last bytes: its own 22 and a comment of 65535.
inline constexpr std::uint64_t kZipTailBytes = 22 + 65535;
inline constexpr std::size_t kZipLocalHeaderBytes = 30;

struct ZipDirectoryPlace {
  std::uint64_t offset = 0;
  std::uint64_t bytes = 0;
  std::uint64_t entries = 0;
};

// Where the central directory lies, from the archive's last min(length, kZipTailBytes) bytes.
// SourceCorrupted when no end record is found or its directory cannot lie in the file;
// FormatUnsupported for an archive split over several disks, or ZIP64 records before those bytes.
MapError FindZipDirectory(std::span<const std::uint8_t> tail, std::uint64_t file_length, ZipDirectoryPlace& place);

// The members in directory order, from the directory's bytes. Members whose path is not plain
// (absolute, "..", a drive, a control byte), that are encrypted or packed by another method than
// storing or deflating are refused. SourceCorrupted, with no members, when an entry runs past the
// directory or a member's data past the directory's start.
MapError ReadZipDirectory(std::span<const std::uint8_t> directory, const ZipDirectoryPlace& place,
                          std::vector<ArchiveMember>& members);

// Where the member's data begins, from the first kZipLocalHeaderBytes bytes at its offset; 0 when
// they are no local header or the data cannot lie in the file.
std::uint64_t ZipDataOffset(std::span<const std::uint8_t> local_header, const ArchiveMember& member,
                            std::uint64_t file_length);

// The CRC-32 of zip (and PNG, gzip): `crc` is the value of the bytes before, for bytes in pieces.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

}  // namespace tessaro

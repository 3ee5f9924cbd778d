// The one in-memory map and the result codes of the map operations: the core, which works on
// bytes alone. The file operations around it are in map/map_file.hpp.
#pragma once

#include <cstdint>
#include <vector>

#include "map/record_array.hpp"

namespace tessaro {

enum MapError : std::int32_t {
  Ok = 0,
  SourceCorrupted = 1,
  SourceNotFound = 2,
  NoHandle = 3,
  FormatUnsupported = 4,
  IoError = 5,
  CannotUpgrade = 6,
  CannotDowngrade = 7,
  NoConversionNeeded = 8,
  // A group file's member whose name would make a file outside the group's folder, or a name no
  // file may have: it is never converted.
  MemberNameNotPlain = 9,
  // An output named inside a group file or a zip, which are only ever read.
  InsideGroupFile = 10,
  // A zip member packed by a method other than storing or deflating.
  CompressionUnsupported = 11,
  MemberEncrypted = 12,
};

inline constexpr std::int32_t kLastMapError = MemberEncrypted;

// The versions a map file can have. Each one changed the record layouts: 4 split the single
// panning bytes into x and y, 5 reordered sectors and walls and added palettes and `extra`,
// 6 added wall and sprite palettes, sprite clipping and offsets, 7 widened the status fields
// and the slope precision.
inline constexpr std::int32_t kLowestVersion = 3;
inline constexpr std::int32_t kHighestVersion = 7;

constexpr bool IsKnownVersion(std::int32_t version) {
  return version >= kLowestVersion && version <= kHighestVersion;
}

struct RecordSizes {
  std::uint32_t sector;
  std::uint32_t wall;
  std::uint32_t sprite;
};

// Record sizes in bytes, indexed by version; only versions 3 to 7 are filled.
inline constexpr RecordSizes RecordSizeTable[kHighestVersion + 1] = {
    {0, 0, 0}, {0, 0, 0}, {0, 0, 0},
    {30, 31, 38},  // 3
    {32, 32, 40},  // 4
    {37, 35, 38},  // 5
    {37, 32, 43},  // 6
    {40, 32, 44},  // 7
};

// The most bytes a map's records can need: the 26 bytes of header and counts, then 32767 records
// of each kind at the version whose records take the most. A map member stated larger is no map.
constexpr std::uint64_t LargestMapBytes() {
  std::uint64_t largest = 0;
  for (std::int32_t version = kLowestVersion; version <= kHighestVersion; ++version) {
    const RecordSizes& sizes = RecordSizeTable[version];
    const std::uint64_t records = std::uint64_t{sizes.sector} + sizes.wall + sizes.sprite;
    largest = records > largest ? records : largest;
  }
  return 26 + 32767 * largest;
}

// The arrays hold the records exactly as the file does, back to back, in the layout of
// `mapversion`; each array holds its count times the record size of that version. An empty
// array stands for an absent one.
struct MapFile {
  std::int32_t mapversion = 0;
  std::int32_t posx = 0;
  std::int32_t posy = 0;
  std::int32_t posz = 0;
  std::int16_t ang = 0;
  std::int16_t cursectnum = 0;
  std::int16_t numsectors = 0;
  std::int16_t numwalls = 0;
  std::int16_t numsprites = 0;
  RecordArray sectordata;
  RecordArray walldata;
  RecordArray spritedata;

  // The byte sizes are the arrays' own, so they cannot disagree with them.
  std::uint32_t sectorbytes() const { return static_cast<std::uint32_t>(sectordata.size()); }
  std::uint32_t wallbytes() const { return static_cast<std::uint32_t>(walldata.size()); }
  std::uint32_t spritebytes() const { return static_cast<std::uint32_t>(spritedata.size()); }
};

// Releases the arrays and zeroes every field.
void FreeMap(MapFile& map);

}  // namespace tessaro

// Maps for the tests: built by hand with zero-filled records, set and checked field by field, or
// opened, converted and saved without the stage lines reaching the test's output.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "map/conversion.hpp"
#include "map/map_file.hpp"
#include "map/records.hpp"
#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro::testing {

inline MapFile EmptyMap(std::int32_t version, std::int16_t sectors, std::int16_t walls, std::int16_t sprites) {
  MapFile map;
  map.mapversion = version;
  map.numsectors = sectors;
  map.numwalls = walls;
  map.numsprites = sprites;
  const RecordSizes& sizes = RecordSizeTable[version];
  map.sectordata.assign(static_cast<std::size_t>(sectors) * sizes.sector, 0);
  map.walldata.assign(static_cast<std::size_t>(walls) * sizes.wall, 0);
  map.spritedata.assign(static_cast<std::size_t>(sprites) * sizes.sprite, 0);
  return map;
}

// One field of one record.
struct FieldValue {
  RecordKind kind;
  std::int32_t index;
  Field field;
  std::int32_t value;
};

inline void SetFields(MapFile& map, std::initializer_list<FieldValue> values) {
  for (const FieldValue& v : values) SetField(map, v.kind, v.index, v.field, v.value);
}

inline void ExpectFields(const MapFile& map, std::initializer_list<FieldValue> values) {
  for (const FieldValue& v : values) {
    EXPECT_EQ(GetField(map, v.kind, v.index, v.field), v.value)
        << FieldName(v.field) << " of record " << v.index << " of kind " << static_cast<int>(v.kind);
  }
}

inline bool SameMap(const MapFile& a, const MapFile& b) {
  return a.mapversion == b.mapversion && a.posx == b.posx && a.posy == b.posy && a.posz == b.posz &&
         a.ang == b.ang && a.cursectnum == b.cursectnum && a.numsectors == b.numsectors &&
         a.numwalls == b.numwalls && a.numsprites == b.numsprites && a.sectordata == b.sectordata &&
         a.walldata == b.walldata && a.spritedata == b.spritedata;
}

inline MapError OpenQuietly(const std::string& path, MapFile& map) {
  ScopedConsoleCapture quiet;
  return OpenMap(path, map);
}

inline MapError SaveQuietly(const std::string& path, const MapFile& map) {
  ScopedConsoleCapture quiet;
  return SaveMap(path, map);
}

// The file the map library makes of a sample taken to another version, to compare the program's with.
inline Bytes ConvertedSample(int from_version, const char* level, int to_version) {
  TempDir scratch;
  MapFile map;
  EXPECT_EQ(OpenQuietly(SamplePath(from_version, level), map), Ok);
  while (map.mapversion != to_version &&
         (map.mapversion < to_version ? UpgradeMap(map) : DowngradeMap(map)) == Ok) {
  }
  EXPECT_EQ(map.mapversion, to_version);
  EXPECT_EQ(SaveQuietly(scratch / "out.map", map), Ok);
  return ReadBytes(scratch / "out.map");
}

}  // namespace tessaro::testing

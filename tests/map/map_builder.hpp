// Maps for the tests: zero-filled or random records, compared whole.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "map/map_file.hpp"
#include "map/records.hpp"

namespace tessaro::testing {

inline MapFile EmptyMap(std::int32_t version, std::int16_t sectors, std::int16_t walls, std::int16_t sprites) {
  MapFile map;
  map.mapversion = version;
  map.numsectors = sectors;
  map.numwalls = walls;
  map.numsprites = sprites;
  for (const RecordKind kind : {RecordKind::Sector, RecordKind::Wall, RecordKind::Sprite}) {
    RecordBytes(map, kind).assign(static_cast<std::size_t>(RecordCount(map, kind)) * LayoutOf(version, kind).size, 0);
  }
  return map;
}

inline bool SameMap(const MapFile& a, const MapFile& b) {
  return a.mapversion == b.mapversion && a.posx == b.posx && a.posy == b.posy && a.posz == b.posz &&
         a.ang == b.ang && a.cursectnum == b.cursectnum && a.numsectors == b.numsectors &&
         a.numwalls == b.numwalls && a.numsprites == b.numsprites && a.sectordata == b.sectordata &&
         a.walldata == b.walldata && a.spritedata == b.spritedata;
}

// A random header, counts up to `most` (exactly `most` when `exact`), random records with many 0
// and 0xFF bytes (empty pannings, flat slopes, -1 links), and half of the links pointing inside
// the map, so that the rules that follow them (masked walls, palettes from sectors) have work.
inline MapFile RandomMap(std::int32_t version, std::mt19937& rng, int most = 24, bool exact = false) {
  auto below = [&](std::int32_t bound) { return static_cast<std::int16_t>(rng() % static_cast<std::uint32_t>(bound)); };
  auto count = [&](int fewest) { return static_cast<std::int16_t>(exact ? most : fewest + below(most)); };
  MapFile map = EmptyMap(version, count(1), count(1), count(0));
  for (std::int32_t* field : {&map.posx, &map.posy, &map.posz}) *field = static_cast<std::int32_t>(rng());
  for (std::int16_t* field : {&map.ang, &map.cursectnum}) *field = static_cast<std::int16_t>(rng());
  for (const RecordKind kind : {RecordKind::Sector, RecordKind::Wall, RecordKind::Sprite}) {
    for (std::uint8_t& byte : RecordBytes(map, kind)) {
      const std::uint32_t roll = rng() % 8;
      byte = roll < 2 ? 0 : roll == 2 ? 0xFF : static_cast<std::uint8_t>(rng());
    }
  }
  for (std::int32_t i = 0; i < map.numsectors; ++i) {
    if (rng() % 2 == 0) continue;
    const std::int16_t first = below(map.numwalls);
    SetField(map, RecordKind::Sector, i, Field::wallptr, first);
    SetField(map, RecordKind::Sector, i, Field::wallnum, below(map.numwalls - first + 1));
  }
  for (std::int32_t i = 0; i < map.numwalls; ++i) {
    if (rng() % 2 == 0) SetField(map, RecordKind::Wall, i, Field::nextwall, below(map.numwalls));
  }
  for (std::int32_t i = 0; i < map.numsprites; ++i) {
    if (rng() % 2 == 0) SetField(map, RecordKind::Sprite, i, Field::sectnum, below(map.numsectors));
  }
  return map;
}

}  // namespace tessaro::testing

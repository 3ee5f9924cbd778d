// Maps built by hand for the map tests: zero-filled records of one version.
#pragma once

#include <cstdint>

#include "map/map_file.hpp"

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

}  // namespace tessaro::testing

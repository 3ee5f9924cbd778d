// Converting a loaded map one version up or down.
#pragma once

#include <cstdint>
#include <vector>

#include "map/map.hpp"

namespace tessaro {

// One version up (3 to 6). CannotUpgrade, with the map untouched, for any other version.
MapError UpgradeMap(MapFile& map);

// One version down (7 to 4). CannotDowngrade, with the map untouched, for any other version.
MapError DowngradeMap(MapFile& map);

// Up or down to `target`, the same as UpgradeMap or DowngradeMap once per version between them,
// in fewer passes over the records; on a failed step its code, the map then only fit to be freed.
MapError ConvertMap(MapFile& map, std::int32_t target);

// Inline, as the slope rules use it for every sector.
constexpr std::int32_t Clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
  if (value < low) return low;
  return value <= high ? value : high;
}

// The lowest sector index whose wall range (`wallptr`, `wallnum` read unsigned) holds the wall;
// -1 when none does, or when the map is not at version 5.
std::int32_t SectorOfWall(const MapFile& map, std::int32_t wall);

// SectorOfWall for every wall of the map at once, in time linear in sectors plus walls.
std::vector<std::int32_t> SectorsOfWalls(const MapFile& map);

}  // namespace tessaro

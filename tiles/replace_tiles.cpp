#include "tiles/replace_tiles.hpp"

#include "console/console.hpp"

namespace tessaro {

MapError ReplaceTiles(MapFile& map, const TileSwapTable& table) {
  if (!IsKnownVersion(map.mapversion)) return FormatUnsupported;
  PrintText(kReplacingLine, true);
  return RenumberTiles(map, table);
}

}  // namespace tessaro

// The tile pass of the program's run.
#pragma once

#include "tiles/renumber_tiles.hpp"

namespace tessaro {

// Prints ":: Replacing tiles" and renumbers the map's tiles. FormatUnsupported, with nothing
// printed or changed, for a version the layouts do not know.
MapError ReplaceTiles(MapFile& map, const TileSwapTable& table);

}  // namespace tessaro

// Renumbering the tiles a map refers to through the swap table.
#pragma once

#include <string_view>

#include "map/map.hpp"
#include "tiles/tile_swap_table.hpp"

namespace tessaro {

inline constexpr std::string_view kReplacingLine = ":: Replacing tiles";

// Replaces each tile field of every sector, wall and sprite by its table entry, once: a
// replacement is not looked up again. Tiles outside 0 to top stay. FormatUnsupported, with
// nothing changed, for a version the layouts do not know.
MapError RenumberTiles(MapFile& map, const TileSwapTable& table);

}  // namespace tessaro

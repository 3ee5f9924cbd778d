// Which tiles a map uses, for those who pack its art or carry it to another game, and a swap script
// to start renumbering them from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "map/map.hpp"

namespace tessaro {

// The distinct tiles of the sectors' ceilings and floors, the walls' pictures and masked pictures,
// and the sprites, in ascending order.
std::vector<std::int32_t> TilesUsed(const MapFile& map);

// "Tiles used (7): 0–3, 17, 20–21": consecutive tiles joined as a run with an en dash.
std::string TilesUsedLine(const std::vector<std::int32_t>& tiles);

// A swap script that keeps every tile as it is, one "n, n" line a tile, with comments that say how
// to change it. Tiles a script cannot name (below 0, above the table's top) are only listed in a
// comment, so that the script, loaded unedited, changes no byte.
std::string SwapScriptTemplate(const std::vector<std::int32_t>& tiles, std::string_view map_name);

}  // namespace tessaro

// Converting each map a source names.
#pragma once

#include "app/run_state.hpp"
#include "app/source_list.hpp"
#include "map/map.hpp"
#include "tiles/tile_swap_table.hpp"

namespace tessaro {

// Open, convert step by step, replace tiles, ask, save: each failure prints its line and
// skips the map. `map` is empty again afterwards. False when the map could not be opened,
// converted or saved; a map already at the target version, or an output the user chose to
// keep, is no failure.
bool ConvertFile(const SourceEntry& entry, RunState& state, MapFile& map, const TileSwapTable& table);

}  // namespace tessaro

// Converting each map a source names.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/run_state.hpp"
#include "app/source_list.hpp"
#include "map/map.hpp"
#include "map/map_format.hpp"
#include "tiles/tile_swap_table.hpp"

namespace tessaro {

// Open, convert step by step, replace tiles, ask, save: each failure prints its line and
// skips the map. `map` is empty again afterwards. False when the map could not be opened,
// converted or saved; a map already at the target version, or an output the user chose to
// keep, is no failure.
bool ConvertFile(const SourceEntry& entry, RunState& state, MapFile& map, const TileSwapTable& table);

// Opens the entry's map, printing `stage` first; a group file that could not be read gives its
// failure. On failure the map is empty.
MapError OpenEntry(const SourceEntry& entry, MapFile& map, SourceExtent& extent, std::string_view stage);

// Writes an output through `save` (which prints its ":: Saving" line), unless it lies inside a
// group file or is an existing file the user keeps; prints what failed and gives its code.
MapError SaveAsked(const std::string& path, std::uint32_t& option_flags, const std::function<MapError()>& save);

}  // namespace tessaro

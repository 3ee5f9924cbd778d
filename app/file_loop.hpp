// Expanding the source pattern and converting each file it names.
#pragma once

#include <string>
#include <vector>

#include "app/run_state.hpp"
#include "map/map_file.hpp"
#include "tiles/tile_swap_table.hpp"

namespace tessaro {

// The source's directory part followed by each name of that directory that fits the pattern,
// spelled as the file system spells it, in byte order. Read-only maps are listed; hidden and
// system files and directories are not.
std::vector<std::string> BuildFileList(const std::string& source_path);

// Open, convert step by step, replace tiles, ask, save: each failure prints its line and
// skips the file. `map` is empty again afterwards.
void ConvertFile(const std::string& entry, RunState& state, MapFile& map, const TileSwapTable& table);

}  // namespace tessaro

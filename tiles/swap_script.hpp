// Reading a swap script: lines of "source, target" that say which tiles become which.
#pragma once

#include <cstdint>
#include <string>

#include "tiles/tile_swap_table.hpp"

namespace tessaro {

enum ScriptResult : std::int32_t {
  ScriptLoaded = 0,
  ScriptNotFound = 1,  // missing, hidden, system, or a directory
  ScriptNoHandle = 2,
  ScriptUnreadable = 3,
  ScriptEmpty = 4,
  ScriptNoMemory = 5,  // a line too long to hold; the lines before it were taken
};

// Prints ":: Loading <path> as a script", then applies every line of the script to the table,
// the last line naming a tile winning. A script that cannot be read leaves the table as it was.
ScriptResult LoadSwapScript(const std::string& path, TileSwapTable& table);

}  // namespace tessaro

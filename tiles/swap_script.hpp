// Reading a swap script file.
#pragma once

#include <string>

#include "tiles/swap_text.hpp"

namespace tessaro {

// Prints ":: Loading <path> as a script", then applies every line of the script to the table,
// the last line naming a tile winning. A script that cannot be read leaves the table as it was.
ScriptResult LoadSwapScript(const std::string& path, TileSwapTable& table);

}  // namespace tessaro

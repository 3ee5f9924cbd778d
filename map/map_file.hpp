// The map file operations of the program: reading and writing map files, printing what failed.
#pragma once

#include <cstdint>
#include <string>

#include "map/map.hpp"

namespace tessaro {

// Reads a map file; prints ":: Opening <name>...". On failure the map is left empty.
MapError OpenMap(const std::string& name, MapFile& map);

// Writes the map in the format of its version; prints ":: Saving <name>...". An existing file is
// replaced only by a complete new one.
MapError SaveMap(const std::string& name, const MapFile& map);

// Prints the message line of codes 1 to kLastMapError; any other code prints nothing.
void PrintMapError(std::int32_t error);

}  // namespace tessaro

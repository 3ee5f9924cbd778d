// Builds small but plausible levels at version 7, for the shipped sample maps and for tests.
#pragma once

#include <cstdint>

#include "map/map_file.hpp"

namespace tessaro {

// A row of `rooms` rectangular rooms joined by portals, with slopes, panning, palettes, a masked
// wall, a parallaxed sky and sprites in every room. The same arguments give the same map.
MapFile BuildSampleLevel(std::int32_t rooms, std::uint32_t seed);

}  // namespace tessaro

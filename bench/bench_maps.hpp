// The benchmark's inputs: maps of chosen sizes and a swap script, the same on every run.
#pragma once

#include <cstdint>
#include <string>

#include "map/map_file.hpp"

namespace tessaro::bench {

struct MapShape {
  std::int32_t sectors;
  std::int32_t walls;  // at least one per sector
  std::int32_t sprites;
};

// The largest counts the format can hold.
inline constexpr MapShape kLargestShape = {32767, 32767, 32767};

// A small deterministic generator, so the inputs come out the same on every machine.
class Dice {
 public:
  explicit Dice(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
  std::int32_t Roll(std::int32_t low, std::int32_t high);
  bool Chance(std::int32_t percent) { return Roll(0, 99) < percent; }

 private:
  std::uint32_t state_;
};

// A version 7 map: every wall in exactly one sector's range, walls of a sector in a loop, every
// sprite in a sector; the other fields vary as in edited levels (mostly plain, some slopes,
// panning, flags, portals and tiles beyond the swap table).
MapFile BuildBenchMap(const MapShape& shape, std::uint32_t seed);

// A level as maps of a game or a map pack have them: 300 to 1500 sectors, 2000 to 10000 walls,
// 200 to 2000 sprites.
MapShape TypicalShape(Dice& dice);

// `lines` rules of single tiles and ranges, with comments and both line ends.
std::string SwapScriptText(std::int32_t lines, std::uint32_t seed);

}  // namespace tessaro::bench

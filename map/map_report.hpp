// What the browser page shows of a map besides its file: the lines of its walls, and what a
// conversion to a lower version loses in it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "map/map.hpp"
#include "map/record_layout.hpp"

namespace tessaro {

// A wall seen from above: from its own point to the point of the next wall of its loop. Two-sided
// walls (those with a wall on their other side) are the ones a player can pass or look through.
struct WallLine {
  std::int32_t x1, y1, x2, y2;
  bool two_sided;
  std::int32_t wall;
};

// One line per wall whose next point lies in the map.
std::vector<WallLine> WallLines(const MapFile& map);

// A field that a step down does not carry over as it is, and in how many of the map's records
// its value does not survive that step down and up again.
struct FieldLoss {
  std::int32_t from;  // the step from `from` down to from - 1
  RecordKind kind;
  Field field;
  std::int32_t changed;
  std::int32_t records;
};

// For each step from the map's version down to `target`, in order, every field it does not copy;
// nothing when `target` is not lower. The map is not changed.
std::vector<FieldLoss> LossesDownTo(const MapFile& map, std::int32_t target);

// "wall palettes: 312 of 2,224 walls"
std::string LossLine(const FieldLoss& loss);

}  // namespace tessaro

// One version step of a whole map, driven by the field-rule tables of that step.
#pragma once

#include <cstdint>
#include <span>

#include "map/field_rules.hpp"
#include "map/map_file.hpp"

namespace tessaro {

struct StepRules {
  std::int32_t from_version;
  std::int32_t to_version;
  std::span<const FieldRule> sector;
  std::span<const FieldRule> wall;
  std::span<const FieldRule> sprite;
  // Runs over the finished new map before it replaces the old one; may be null.
  void (*after)(MapFile& converted);
};

// Rebuilds every record of `map` by the tables of the step that starts at its version into new
// arrays, and only then replaces the old ones. When no step starts there, or the new arrays
// cannot be had, returns `failure` with the map untouched.
MapError ConvertStep(MapFile& map, std::span<const StepRules> steps, MapError failure);

}  // namespace tessaro

// One version step of a whole map, driven by the field-rule tables of that step.
#pragma once

#include <cstdint>
#include <span>

#include "map/field_rules.hpp"
#include "map/map.hpp"

namespace tessaro {

struct StepRules {
  std::int32_t from_version;
  std::int32_t to_version;
  std::span<const FieldRule> sector;
  std::span<const FieldRule> wall;
  std::span<const FieldRule> sprite;
  // Runs over the map once the pass that holds this step is done; may be null. It reads and sets
  // only fields that the later steps copy unchanged, so it may run after them.
  void (*after)(MapFile& converted);
};

inline std::span<const FieldRule> TableOf(const StepRules& step, RecordKind kind) {
  if (kind == RecordKind::Sector) return step.sector;
  return kind == RecordKind::Wall ? step.wall : step.sprite;
}

// True when rule `r`, run after the steps of `before`, gives 0 for every record whatever the map
// held, because the sector fields it reads were set to 0 on the way and copied since.
bool GivesZeroAfter(std::span<const StepRules> before, const FieldRule& r);

// Rebuilds every record of `map` by the tables of the step that starts at its version, in the
// arrays' own storage where it has room for the new records. All that can fail comes first: when
// no step starts there, or storage cannot be had, returns `failure` with the map untouched.
MapError ConvertStep(MapFile& map, std::span<const StepRules> steps, MapError failure);

// The steps from the map's version to `target`, the same bytes as ConvertStep once per step,
// with runs of steps done in one pass. `failure` when a step is missing: the map is then at the
// version where the steps end, or anywhere on the way when storage cannot be had.
MapError ConvertSteps(MapFile& map, std::span<const StepRules> steps, std::int32_t target, MapError failure);

// ConvertSteps over the downgrade tables, which only downgrade.cpp holds.
MapError DowngradeMapTo(MapFile& map, std::int32_t target);

// The downgrade tables themselves, for what a step down loses.
std::span<const StepRules> DowngradeSteps();

}  // namespace tessaro

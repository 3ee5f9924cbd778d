// A chain of version steps of one record kind, compiled once from the steps' rule tables into a
// plan: byte moves and fills where the rules only move or set bytes, and computed values for the
// rest. Internal to the map library.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "map/convert_step.hpp"
#include "map/record_layout.hpp"

namespace tessaro::step_plan {

// A rule with its fields looked up in the old and new layouts.
struct ResolvedRule {
  Rule rule;
  FieldSpec to;
  FieldSpec from;
  FieldSpec with;
  std::int32_t value;
};

// Where a byte of a record comes from, in terms of the old record of the first step of a chain:
// a constant, a byte of the old record, or a byte of a computed value.
enum class Origin : std::uint8_t { Constant, Old, Computed };
struct ByteOrigin {
  Origin kind = Origin::Constant;
  std::uint8_t byte = 0;  // the constant, the old record's byte, or the byte of the value
  std::uint8_t slot = 0;  // the computed value
};

// A field a computed rule reads: straight from the old record when its bytes lie there in
// order, as the low bytes of one earlier value, else gathered byte by byte.
struct Operand {
  enum class Kind : std::uint8_t { Direct, Value, Gathered };
  Kind kind = Operand::Kind::Direct;
  FieldSpec direct{};
  std::array<ByteOrigin, 4> bytes{};
};

// A rule whose value is computed for each record, its fields read through earlier steps.
struct Slot {
  Rule rule;
  std::int32_t value;
  Operand from;
  Operand with;
};

// New-record bytes that hold bytes `shift` on of a computed value.
struct SlotStore {
  std::uint8_t to;
  std::uint8_t size;  // 1 to 4
  std::uint8_t slot;
  std::uint8_t shift;
};

// A chain never computes more values than this; a longer one is converted in shorter pieces.
constexpr std::size_t kMaxSlots = 16;

// A run of at most kBlock old-record bytes that stand unchanged in the new record.
struct Move {
  std::uint8_t to;
  std::uint8_t from;
};

// New-record bytes that hold the same value in every record.
struct Fill {
  std::uint8_t to;
  std::uint8_t size;  // 1 to 4
  std::int32_t value;
};

// A move copies this many bytes at once, however few it owns.
constexpr std::size_t kBlock = 16;
constexpr std::size_t kLongestRecord = 64;

constexpr bool RecordsFitBlocks() {
  for (std::int32_t version = kLowestVersion; version <= kHighestVersion; ++version) {
    for (const std::uint32_t size : {RecordSizeTable[version].sector, RecordSizeTable[version].wall,
                                     RecordSizeTable[version].sprite}) {
      if (size < kBlock || size > kLongestRecord) return false;
    }
  }
  return true;
}
// A block that runs past its move must end inside the next record.
static_assert(RecordsFitBlocks());

struct RecordPlan;

// Applies a plan's moves to `count` records lying one after the other.
using MoveRecords = void (*)(const RecordPlan& plan, const std::uint8_t* old_record, std::uint8_t* new_record,
                             std::int32_t count);

// One record kind of a chain of steps, compiled from their rule tables once: the rules that only
// move or set bytes become as few moves and fills as the layouts allow, and only the others are
// evaluated for each record, each once.
struct RecordPlan {
  std::uint32_t old_size = 0;
  std::uint32_t new_size = 0;
  std::vector<Move> moves;  // by rising `to`, none overlapping
  std::vector<Fill> fills;
  std::vector<Slot> slots;  // in the order of the steps: a value reads only earlier ones
  std::vector<SlotStore> stores;
  bool needs_wall_sectors = false;
  MoveRecords move_records = nullptr;
};

// The plan of a chain, compiled the first time a map needs it; null when the chain computes too
// many values, or reads sectors a later step cannot see, to be converted in one pass. May throw
// std::bad_alloc.
const RecordPlan* PlanFor(std::span<const StepRules> chain, RecordKind kind);

// The field as the layout places it, or one of size 0 that reads as 0 when the layout lacks it.
FieldSpec SpecOrNone(const RecordLayout& layout, Field field);

}  // namespace tessaro::step_plan

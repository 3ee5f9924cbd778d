// How one field of a converted record gets its value: the vocabulary of the conversion tables.
#pragma once

#include <cstdint>
#include <span>

#include "map/record_layout.hpp"

namespace tessaro {

enum class Rule : std::uint8_t {
  Copy,                  // the old field's value, same width and signedness
  Widen,                 // an 8-bit status field to 16 bits, filled with zeros
  LowBits,               // the low bits of a wider old field
  LowByte,               // the low 8 bits of the old field as 0 to 255, widened with zeros
  Set,                   // a constant
  ClearBit,              // the old field with `value` cleared
  PanningIfBitClear,     // the old single panning when `value` of status `with` is clear, else 0
  PanningIfBitSet,       // the old single panning when `value` of status `with` is set, else 0
  MergePanning,          // the old x panning when it is not 0, else the old y panning `with`
  StatusOfMergedPanning, // the old status with `value` cleared when x panning `with` is not 0, else set
  SlopeUp,               // old slope x 32, bounded to 16 bits, when bit 2 of status `with` is set, else 0
  SlopeDown,             // old slope shifted right by 5 (rounds toward minus infinity)
  StatusAfterSlopeDown,  // the low 8 bits of the old status; bit 2 cleared when slope `with` shifts to 0
  WallSectorFloorPal,    // floorpal of the sector whose wall range holds the wall; 0 when none does
  SpriteSectorPal,       // of the sector `sectnum` names: ceilingpal when its ceiling is parallaxed, else
                         // floorpal; 0 when sectnum is no sector
};

struct FieldRule {
  Field to;
  Rule rule;
  Field from;
  Field with;
  std::int32_t value;
};

namespace rules {

using enum Field;

constexpr FieldRule Copy(Field f) { return {f, Rule::Copy, f, f, 0}; }
constexpr FieldRule Widen(Field f) { return {f, Rule::Widen, f, f, 0}; }
constexpr FieldRule LowBits(Field f) { return {f, Rule::LowBits, f, f, 0}; }
constexpr FieldRule LowByte(Field f) { return {f, Rule::LowByte, f, f, 0}; }
constexpr FieldRule Set(Field f, std::int32_t value) { return {f, Rule::Set, f, f, value}; }
constexpr FieldRule ClearBit(Field f, std::int32_t bit) { return {f, Rule::ClearBit, f, f, bit}; }
constexpr FieldRule PanningIfBitClear(Field to, Field panning, Field status, std::int32_t bit) {
  return {to, Rule::PanningIfBitClear, panning, status, bit};
}
constexpr FieldRule PanningIfBitSet(Field to, Field panning, Field status, std::int32_t bit) {
  return {to, Rule::PanningIfBitSet, panning, status, bit};
}
constexpr FieldRule MergePanning(Field to, Field xpanning, Field ypanning) {
  return {to, Rule::MergePanning, xpanning, ypanning, 0};
}
constexpr FieldRule StatusOfMergedPanning(Field status, Field xpanning, std::int32_t bit) {
  return {status, Rule::StatusOfMergedPanning, status, xpanning, bit};
}
constexpr FieldRule SlopeUp(Field slope, Field status) { return {slope, Rule::SlopeUp, slope, status, 0}; }
constexpr FieldRule SlopeDown(Field slope) { return {slope, Rule::SlopeDown, slope, slope, 0}; }
constexpr FieldRule StatusAfterSlopeDown(Field status, Field slope) {
  return {status, Rule::StatusAfterSlopeDown, status, slope, 0};
}
constexpr FieldRule WallSectorFloorPal(Field f) { return {f, Rule::WallSectorFloorPal, f, f, 0}; }
constexpr FieldRule SpriteSectorPal(Field f) { return {f, Rule::SpriteSectorPal, sectnum, sectnum, 0}; }

}  // namespace rules

// Which old fields a rule reads: none, `from`, or `from` and `with`.
constexpr int OldFieldsRead(Rule rule) {
  switch (rule) {
    case Rule::Set:
    case Rule::WallSectorFloorPal: return 0;
    case Rule::Copy:
    case Rule::Widen:
    case Rule::LowBits:
    case Rule::LowByte:
    case Rule::ClearBit:
    case Rule::SlopeDown:
    case Rule::SpriteSectorPal: return 1;
    case Rule::PanningIfBitClear:
    case Rule::PanningIfBitSet:
    case Rule::MergePanning:
    case Rule::StatusOfMergedPanning:
    case Rule::SlopeUp:
    case Rule::StatusAfterSlopeDown: return 2;
  }
  return 0;
}

namespace sector_fields {
inline constexpr Field kFloorPal[] = {Field::floorpal};
inline constexpr Field kEitherPal[] = {Field::ceilingpal, Field::floorpal};
}  // namespace sector_fields

// The fields of the sector a rule reads whose values it passes on, so that with all of them 0 it
// gives 0; none for the rules that read only the record itself.
constexpr std::span<const Field> SectorFieldsPassedOn(Rule rule) {
  if (rule == Rule::WallSectorFloorPal) return sector_fields::kFloorPal;
  if (rule == Rule::SpriteSectorPal) return sector_fields::kEitherPal;
  return {};
}

constexpr bool ReadsOtherRecords(Rule rule) { return !SectorFieldsPassedOn(rule).empty(); }

// A table is sound when every field of the new layout is written by exactly one rule, every
// field a rule reads exists in the old layout, and copies, widenings and narrowings fit the widths.
constexpr bool RulesFit(std::span<const FieldRule> table, std::span<const FieldSpec> from_layout,
                        std::span<const FieldSpec> to_layout) {
  auto find = [](std::span<const FieldSpec> fields, Field f) -> const FieldSpec* {
    for (const FieldSpec& place : fields) {
      if (place.field == f) return &place;
    }
    return nullptr;
  };
  for (const FieldSpec& target : to_layout) {
    int writers = 0;
    for (const FieldRule& r : table) writers += r.to == target.field ? 1 : 0;
    if (writers != 1) return false;
  }
  for (const FieldRule& r : table) {
    const FieldSpec* to = find(to_layout, r.to);
    if (to == nullptr) return false;
    const int reads = OldFieldsRead(r.rule);
    const FieldSpec* from = find(from_layout, r.from);
    if (reads >= 1 && from == nullptr) return false;
    if (reads >= 2 && find(from_layout, r.with) == nullptr) return false;
    if (r.rule == Rule::Copy && (from->size != to->size || from->sign != to->sign)) return false;
    if (r.rule == Rule::Widen && !(from->size == 1 && to->size == 2 && from->sign == Sign::Unsigned)) {
      return false;
    }
    if (r.rule == Rule::LowBits && from->size <= to->size) return false;
  }
  return true;
}

namespace rules {

// Versions 5 and 6 share the sector layout, so the steps between them copy every sector field.
inline constexpr FieldRule kSectorBetween5And6[] = {
    Copy(wallptr),        Copy(wallnum),        Copy(ceilingpicnum),   Copy(floorpicnum),
    Copy(ceilingheinum),  Copy(floorheinum),    Copy(ceilingz),        Copy(floorz),
    Copy(ceilingshade),   Copy(floorshade),     Copy(ceilingxpanning), Copy(floorxpanning),
    Copy(ceilingypanning), Copy(floorypanning), Copy(ceilingstat),     Copy(floorstat),
    Copy(ceilingpal),     Copy(floorpal),       Copy(visibility),      Copy(lotag),
    Copy(hitag),          Copy(extra),
};
static_assert(RulesFit(kSectorBetween5And6, layout::kSectorV5, layout::kSectorV6));
static_assert(RulesFit(kSectorBetween5And6, layout::kSectorV6, layout::kSectorV5));

}  // namespace rules

}  // namespace tessaro

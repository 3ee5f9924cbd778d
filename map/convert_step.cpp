#include "map/convert_step.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "map/conversion.hpp"
#include "map/records.hpp"
#include "map/step_plan.hpp"

namespace tessaro {

namespace {

using namespace step_plan;

// The old map's sectors, for the rules that take a value from the sector of a wall or a sprite.
struct Surroundings {
  const std::uint8_t* sectors = nullptr;
  std::int32_t sectors_held = 0;
  std::uint32_t sector_size = 0;
  FieldSpec ceilingstat{};
  FieldSpec ceilingpal{};
  FieldSpec floorpal{};
  std::vector<std::int32_t> wall_sectors;  // filled only for a step that needs it

  explicit Surroundings(const MapFile& old_map) {
    const RecordLayout& layout = LayoutOf(old_map.mapversion, RecordKind::Sector);
    sectors = RecordBytes(old_map, RecordKind::Sector).data();
    sectors_held = RecordsHeld(old_map, RecordKind::Sector);
    sector_size = layout.size;
    ceilingstat = SpecOrNone(layout, Field::ceilingstat);
    ceilingpal = SpecOrNone(layout, Field::ceilingpal);
    floorpal = SpecOrNone(layout, Field::floorpal);
  }

  const std::uint8_t* Sector(std::int32_t sector) const {
    if (sector < 0 || sector >= sectors_held) return nullptr;
    return sectors + static_cast<std::size_t>(sector) * sector_size;
  }
};

std::int32_t SpritePal(const Surroundings& around, std::int32_t sector) {
  const std::uint8_t* record = around.Sector(sector);
  if (record == nullptr) return 0;
  const bool parallaxed_ceiling = (LoadField(record, around.ceilingstat) & 1) != 0;
  return LoadField(record, parallaxed_ceiling ? around.ceilingpal : around.floorpal);
}

std::int32_t WallPal(const Surroundings& around, std::int32_t wall) {
  const auto slot = static_cast<std::size_t>(wall);
  const std::uint8_t* record = slot < around.wall_sectors.size() ? around.Sector(around.wall_sectors[slot]) : nullptr;
  return record == nullptr ? 0 : LoadField(record, around.floorpal);
}

// Records are converted this many at a time.
constexpr std::int32_t kBatch = 64;

// The records of one batch: old ones where they lie, new ones in the scratch buffer.
struct Batch {
  const std::uint8_t* old_records;
  std::uint8_t* new_records;
  std::int32_t first;  // the index of the first record
  std::int32_t count;
  std::uint32_t old_size;
  std::uint32_t new_size;
};

// One value for each record of a batch. Fills and computed fields go down the batch one field at
// a time, so that the field's size, sign and rule are decided once for all records.
using Column = std::array<std::int32_t, kBatch>;

// The loops keep the batch's sizes in locals: the compiler cannot tell that a store into a
// column or a record leaves them unchanged, and would read them again for every record.
template <std::size_t kSize, Sign kSign>
void LoadEach(const Batch& b, std::uint32_t offset, Column& values) {
  const std::uint8_t* at = b.old_records + offset;
  const std::size_t count = static_cast<std::size_t>(b.count);
  const std::size_t stride = b.old_size;
  for (std::size_t k = 0; k < count; ++k, at += stride) values[k] = LoadLittleEndian(at, kSize, kSign);
}

// A field the layout lacks reads as 0, as ReadField has it.
void LoadColumn(const Batch& b, const FieldSpec& place, Column& values) {
  const bool is_signed = place.sign == Sign::Signed;
  switch (place.size) {
    case 0: return values.fill(0);
    case 1:
      return is_signed ? LoadEach<1, Sign::Signed>(b, place.offset, values)
                       : LoadEach<1, Sign::Unsigned>(b, place.offset, values);
    case 2:
      return is_signed ? LoadEach<2, Sign::Signed>(b, place.offset, values)
                       : LoadEach<2, Sign::Unsigned>(b, place.offset, values);
    default: return LoadEach<4, Sign::Signed>(b, place.offset, values);
  }
}

template <std::size_t kSize>
void StoreEach(const Batch& b, std::uint32_t offset, const Column& values) {
  std::uint8_t* at = b.new_records + offset;
  const std::size_t count = static_cast<std::size_t>(b.count);
  const std::size_t stride = b.new_size;
  for (std::size_t k = 0; k < count; ++k, at += stride) StoreLittleEndian(at, kSize, values[k]);
}

void StoreColumn(const Batch& b, std::uint32_t offset, std::size_t size, const Column& values) {
  switch (size) {
    case 1: return StoreEach<1>(b, offset, values);
    case 2: return StoreEach<2>(b, offset, values);
    case 3: return StoreEach<3>(b, offset, values);
    default: return StoreEach<4>(b, offset, values);
  }
}

// The computed values of one batch, by slot.
using Values = std::array<Column, kMaxSlots>;

// A field whose bytes lie apart or come from earlier values is gathered into a record of its own.
void LoadOperand(const Batch& b, const Operand& operand, const Values& values, Column& loaded) {
  if (operand.kind == Operand::Kind::Direct) return LoadColumn(b, operand.direct, loaded);
  if (operand.kind == Operand::Kind::Value) {
    // As LoadLittleEndian reads the value's low bytes.
    const std::uint32_t size = operand.direct.size;
    const Column& value = values[operand.bytes[0].slot];
    const std::uint32_t mask = size < 4 ? (1u << (8 * size)) - 1 : ~0u;
    const std::uint32_t sign_bit = operand.direct.sign == Sign::Signed && size < 4 ? 1u << (8 * size - 1) : 0;
    const std::size_t count = static_cast<std::size_t>(b.count);
    for (std::size_t k = 0; k < count; ++k) {
      const std::uint32_t raw = static_cast<std::uint32_t>(value[k]) & mask;
      loaded[k] = static_cast<std::int32_t>((raw ^ sign_bit) - sign_bit);
    }
    return;
  }
  constexpr std::uint32_t kGatheredSize = 4;
  std::array<std::uint8_t, kBatch * kGatheredSize> gathered{};
  const std::uint32_t size = std::min<std::uint32_t>(operand.direct.size, kGatheredSize);
  for (std::int32_t k = 0; k < b.count; ++k) {
    const auto record = static_cast<std::size_t>(k);
    for (std::uint32_t i = 0; i < size; ++i) {
      const ByteOrigin& origin = operand.bytes[i];
      std::uint8_t byte = origin.byte;
      if (origin.kind == Origin::Old) {
        byte = b.old_records[record * b.old_size + origin.byte];
      } else if (origin.kind == Origin::Computed) {
        byte = static_cast<std::uint8_t>(static_cast<std::uint32_t>(values[origin.slot][record]) >> (8 * origin.byte));
      }
      gathered[record * kGatheredSize + i] = byte;
    }
  }
  const Batch in_order{gathered.data(), nullptr, b.first, b.count, kGatheredSize, 0};
  LoadColumn(in_order, FieldSpec{operand.direct.field, 0, static_cast<std::uint8_t>(size), operand.direct.sign}, loaded);
}

// `value` where `keep` holds, else 0, without a branch: the bits that decide are as good as random
// from one record to the next, and a mispredicted branch costs more than the arithmetic.
constexpr std::int32_t KeepIf(bool keep, std::int32_t value) { return value & -static_cast<std::int32_t>(keep); }

// Each rule reads only the operands it has, so the others are left unset.
void Compute(const Slot& r, const Batch& b, const Surroundings& around, Values& values, Column& value) {
  using Value = std::int32_t;
  Column from;
  Column with;
  const int reads = OldFieldsRead(r.rule);
  if (reads >= 1) LoadOperand(b, r.from, values, from);
  if (reads >= 2) LoadOperand(b, r.with, values, with);
  const std::size_t count = static_cast<std::size_t>(b.count);
  auto each = [&](auto value_of) {
    for (std::size_t k = 0; k < count; ++k) value[k] = value_of(k);
  };
  const Value v = r.value;
  switch (r.rule) {
    case Rule::Copy:
    case Rule::Widen:
    case Rule::LowBits: each([&](std::size_t k) { return from[k]; }); break;
    case Rule::LowByte: each([&](std::size_t k) { return from[k] & 0xFF; }); break;
    case Rule::Set: each([v](std::size_t) { return v; }); break;
    case Rule::ClearBit: each([&](std::size_t k) { return from[k] & ~v; }); break;
    case Rule::PanningIfBitClear: each([&](std::size_t k) { return KeepIf((with[k] & v) == 0, from[k]); }); break;
    case Rule::PanningIfBitSet: each([&](std::size_t k) { return KeepIf((with[k] & v) != 0, from[k]); }); break;
    case Rule::MergePanning: each([&](std::size_t k) { return from[k] | KeepIf(from[k] == 0, with[k]); }); break;
    case Rule::StatusOfMergedPanning:
      each([&](std::size_t k) { return (from[k] & ~v) | KeepIf(with[k] == 0, v); });
      break;
    case Rule::SlopeUp:
      each([&](std::size_t k) { return KeepIf((with[k] & 2) != 0, Clamp(from[k] * 32, -32768, 32767)); });
      break;
    case Rule::SlopeDown: each([&](std::size_t k) { return from[k] >> 5; }); break;
    case Rule::StatusAfterSlopeDown:
      each([&](std::size_t k) { return from[k] & 0xFF & ~KeepIf((with[k] >> 5) == 0, 2); });
      break;
    case Rule::WallSectorFloorPal:
      each([&](std::size_t k) { return WallPal(around, b.first + static_cast<Value>(k)); });
      break;
    case Rule::SpriteSectorPal: each([&](std::size_t k) { return SpritePal(around, from[k]); }); break;
  }
}

// A whole record of 16 to 64 bytes, as two blocks that may overlap, and nothing beyond it.
void CopyRecord(std::uint8_t* to, const std::uint8_t* from, std::size_t size) {
  if (size >= 2 * kBlock) {
    std::memcpy(to, from, 2 * kBlock);
    std::memcpy(to + size - 2 * kBlock, from + size - 2 * kBlock, 2 * kBlock);
  } else {
    std::memcpy(to, from, kBlock);
    std::memcpy(to + size - kBlock, from + size - kBlock, kBlock);
  }
}

// The records of one kind, converted where they lie when the array's storage holds the new ones,
// else into another array.
struct RecordArrays {
  RecordKind kind;
  const std::uint8_t* old_bytes = nullptr;
  std::int32_t held = 0;  // old records
  RecordArray other;  // the new array, when not converted in place

  bool InPlace() const { return other.capacity() == 0; }
};

// Converts `count` records lying one after the other from `old_record` on, the first of them
// record `first`, into the scratch buffer, then copies them to their place at once. All moves
// come first, so that the blocks they write past their ends are written over afterwards; then
// one fill or computed field at a time goes down the batch.
void ConvertBatch(const std::uint8_t* old_record, std::int32_t first, std::int32_t count, std::uint8_t* new_bytes,
                  const RecordPlan& plan, const Surroundings& around, std::uint8_t* batch) {
  plan.move_records(plan, old_record, batch, count);
  const Batch records{old_record, batch, first, count, plan.old_size, plan.new_size};
  for (const Fill& f : plan.fills) {
    Column value;
    value.fill(f.value);
    StoreColumn(records, f.to, f.size, value);
  }
  Values values;
  for (std::size_t k = 0; k < plan.slots.size(); ++k) Compute(plan.slots[k], records, around, values, values[k]);
  for (const SlotStore& store : plan.stores) {
    if (store.shift == 0) {
      StoreColumn(records, store.to, store.size, values[store.slot]);
      continue;
    }
    Column bytes;
    for (std::size_t k = 0; k < static_cast<std::size_t>(count); ++k) {
      bytes[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(values[store.slot][k]) >> (8 * store.shift));
    }
    StoreColumn(records, store.to, store.size, bytes);
  }
  std::memcpy(new_bytes + static_cast<std::size_t>(first) * plan.new_size, batch,
              static_cast<std::size_t>(count) * plan.new_size);
}

// Batches of records, so that the copy out of the scratch buffer reads bytes stored long before.
// Larger new records are placed from the last batch down, smaller ones from the first batch up,
// so that within one array no record is overwritten before it is read. The last old record has
// nothing behind it to read past, so it is converted from a copy, before anything is written.
void ConvertRecords(const RecordArrays& arrays, std::uint8_t* new_bytes, const RecordPlan& plan,
                    const Surroundings& around) {
  std::array<std::uint8_t, kBatch * kLongestRecord + kBlock> batch{};
  std::array<std::uint8_t, kLongestRecord + kBlock> last{};
  const std::int32_t held = arrays.held;
  if (held == 0) return;
  CopyRecord(last.data(), arrays.old_bytes + static_cast<std::size_t>(held - 1) * plan.old_size, plan.old_size);
  const bool downwards = plan.new_size > plan.old_size;
  if (downwards) ConvertBatch(last.data(), held - 1, 1, new_bytes, plan, around, batch.data());
  const std::int32_t rest = held - 1;
  for (std::int32_t done = 0; done < rest; done += kBatch) {
    const std::int32_t count = std::min(kBatch, rest - done);
    const std::int32_t first = downwards ? rest - done - count : done;
    ConvertBatch(arrays.old_bytes + static_cast<std::size_t>(first) * plan.old_size, first, count, new_bytes, plan,
                 around, batch.data());
  }
  if (!downwards) ConvertBatch(last.data(), held - 1, 1, new_bytes, plan, around, batch.data());
}

// The new array in its final size, records the old array lacked zero as in a short file.
void FinishArray(MapFile& map, RecordArrays& arrays, const RecordPlan& plan) {
  RecordArray& array = RecordBytes(map, arrays.kind);
  if (!arrays.InPlace()) {
    ReturnArray(array);
    array = std::move(arrays.other);
  }
  array.resize(static_cast<std::size_t>(RecordCount(map, arrays.kind)) * plan.new_size);
  const std::size_t kept = static_cast<std::size_t>(arrays.held) * plan.new_size;
  std::fill(array.begin() + static_cast<std::ptrdiff_t>(kept), array.end(), std::uint8_t{0});
}

// A step whose rules read the sectors of its old version joins a pass only where what they read
// is known: the sectors are seen as they were at the start of the pass.
bool JoinsPass(std::span<const StepRules> before, const StepRules& step) {
  for (const RecordKind kind : {RecordKind::Sector, RecordKind::Wall, RecordKind::Sprite}) {
    for (const FieldRule& r : TableOf(step, kind)) {
      if (ReadsOtherRecords(r.rule) && !GivesZeroAfter(before, r)) return false;
    }
  }
  return true;
}

// Converts the map through every step of `chain` in one pass over each array. All that can fail
// comes first: on failure the map is untouched, unless the chain was split and a later piece failed.
MapError ConvertChain(MapFile& map, std::span<const StepRules> chain, MapError failure) {
  const RecordPlan* plans[3];
  RecordArrays arrays[3] = {{RecordKind::Sector, nullptr, 0, {}}, {RecordKind::Wall, nullptr, 0, {}},
                           {RecordKind::Sprite, nullptr, 0, {}}};
  std::vector<std::int32_t> wall_sectors;
  try {
    // A chain too long for one pass is converted in shorter ones.
    for (;;) {
      for (std::size_t k = 0; k < 3; ++k) plans[k] = PlanFor(chain, arrays[k].kind);
      if (plans[0] != nullptr && plans[1] != nullptr && plans[2] != nullptr) break;
      if (chain.size() == 1) return failure;
      const MapError first = ConvertChain(map, chain.first(chain.size() / 2), failure);
      return first != Ok ? first : ConvertChain(map, chain.subspan(chain.size() / 2), failure);
    }
    if (plans[1]->needs_wall_sectors) wall_sectors = SectorsOfWalls(map);
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t records = static_cast<std::size_t>(RecordCount(map, arrays[k].kind));
      if (records * plans[k]->new_size > RecordBytes(map, arrays[k].kind).capacity()) {
        arrays[k].other = TakeArray(arrays[k].kind, records, plans[k]->new_size);
      }
    }
  } catch (const std::bad_alloc&) {
    for (RecordArrays& a : arrays) ReturnArray(a.other);
    return failure;
  }

  Surroundings around(map);
  around.wall_sectors = std::move(wall_sectors);
  // Walls and sprites read the old sectors, so the sectors go last.
  for (const std::size_t k : {std::size_t{2}, std::size_t{1}, std::size_t{0}}) {
    RecordArrays& a = arrays[k];
    RecordArray& array = RecordBytes(map, a.kind);
    a.held = RecordsHeld(map, a.kind);
    a.old_bytes = array.data();
    std::uint8_t* new_bytes = a.other.data();
    if (a.InPlace()) {
      const std::size_t bytes = static_cast<std::size_t>(RecordCount(map, a.kind)) * plans[k]->new_size;
      if (bytes > array.size()) array.resize(bytes);  // within the storage: nothing moves
      new_bytes = array.data();
    }
    ConvertRecords(a, new_bytes, *plans[k], around);
  }
  for (std::size_t k = 0; k < 3; ++k) FinishArray(map, arrays[k], *plans[k]);
  map.mapversion = chain.back().to_version;
  for (const StepRules& step : chain) {
    if (step.after != nullptr) step.after(map);
  }
  return Ok;
}

const StepRules* StepFrom(std::span<const StepRules> steps, std::int32_t version) {
  const StepRules* found = nullptr;
  for (const StepRules& candidate : steps) {
    if (candidate.from_version == version) found = &candidate;
  }
  return found;
}

// A short array is filled with zero records by the step that reads it, and later steps convert
// those; one pass would leave them zero.
bool HoldsEveryRecord(const MapFile& map) {
  for (const RecordKind kind : {RecordKind::Sector, RecordKind::Wall, RecordKind::Sprite}) {
    if (RecordsHeld(map, kind) != RecordCount(map, kind)) return false;
  }
  return true;
}

// Follows a sector field back through the copies of the steps to the rule that gave it its value.
bool SectorFieldZeroAfter(std::span<const StepRules> before, Field field) {
  for (auto step = before.rbegin(); step != before.rend(); ++step) {
    const FieldRule* writer = nullptr;
    for (const FieldRule& r : step->sector) {
      if (r.to == field) writer = &r;
    }
    if (writer == nullptr) return false;
    if (writer->rule == Rule::Set) return writer->value == 0;
    if (writer->rule != Rule::Copy) return false;
    field = writer->from;
  }
  return false;  // the map's own value
}

}  // namespace

bool GivesZeroAfter(std::span<const StepRules> before, const FieldRule& r) {
  const std::span<const Field> passed = SectorFieldsPassedOn(r.rule);
  if (passed.empty()) return false;
  for (const Field field : passed) {
    if (!SectorFieldZeroAfter(before, field)) return false;
  }
  return true;
}

MapError ConvertStep(MapFile& map, std::span<const StepRules> steps, MapError failure) {
  const StepRules* step = StepFrom(steps, map.mapversion);
  if (step == nullptr) return failure;
  return ConvertChain(map, std::span<const StepRules>(step, 1), failure);
}

MapError ConvertSteps(MapFile& map, std::span<const StepRules> steps, std::int32_t target, MapError failure) {
  while (map.mapversion != target) {
    const StepRules* first = StepFrom(steps, map.mapversion);
    if (first == nullptr) return failure;
    const StepRules* last = first;
    const StepRules* const end = steps.data() + steps.size();
    while (last->to_version != target && last + 1 != end &&
           last[1].from_version == last->to_version && JoinsPass(std::span<const StepRules>(first, last + 1), last[1]) &&
           HoldsEveryRecord(map)) {
      ++last;
    }
    const MapError error = ConvertChain(map, std::span<const StepRules>(first, last + 1), failure);
    if (error != Ok) return error;
  }
  return Ok;
}

}  // namespace tessaro

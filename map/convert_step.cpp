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

namespace tessaro {

namespace {

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

// Each move copies a whole block, which may run past the move into bytes that a later move, a
// fill, a computed field or the next record writes afterwards, and read past the old record.
void MoveAnyNumber(const RecordPlan& plan, const std::uint8_t* old_record, std::uint8_t* new_record,
                   std::int32_t count) {
  for (std::int32_t k = 0; k < count; ++k, old_record += plan.old_size, new_record += plan.new_size) {
    for (const Move& m : plan.moves) std::memcpy(new_record + m.to, old_record + m.from, kBlock);
  }
}

// The same with the number of moves a constant, so that each record's moves are straight code
// and their offsets stay at hand from one record to the next.
template <std::size_t... kMove>
void MoveExactly(const RecordPlan& plan, const std::uint8_t* old_record, std::uint8_t* new_record,
                 std::int32_t count) {
  [[maybe_unused]] const std::array<std::size_t, sizeof...(kMove)> to = {plan.moves[kMove].to...};
  [[maybe_unused]] const std::array<std::size_t, sizeof...(kMove)> from = {plan.moves[kMove].from...};
  for (std::int32_t k = 0; k < count; ++k, old_record += plan.old_size, new_record += plan.new_size) {
    (std::memcpy(new_record + to[kMove], old_record + from[kMove], kBlock), ...);
  }
}

template <std::size_t... kMove>
constexpr MoveRecords MoveFunction(std::index_sequence<kMove...>) {
  return &MoveExactly<kMove...>;
}

template <std::size_t... kCounts>
constexpr std::array<MoveRecords, sizeof...(kCounts)> MoveFunctions(std::index_sequence<kCounts...>) {
  return {MoveFunction(std::make_index_sequence<kCounts>{})...};
}

// Every step's plans move 3 to 16 runs.
constexpr auto kMoveExactly = MoveFunctions(std::make_index_sequence<17>{});

MoveRecords MoveFunctionFor(std::size_t moves) {
  return moves < kMoveExactly.size() ? kMoveExactly[moves] : &MoveAnyNumber;
}

FieldSpec SpecOrNone(const RecordLayout& layout, Field field) {
  const FieldSpec* place = layout.Find(field);
  return place != nullptr ? *place : FieldSpec{field, 0, 0, Sign::Unsigned};
}

// Where each byte of the record after the current step comes from, while a plan is compiled;
// `before` holds the same for the record the step reads.
class PlanBuilder {
 public:
  explicit PlanBuilder(RecordPlan& plan) : plan_(plan) {
    for (std::uint32_t b = 0; b < plan.old_size; ++b) after_[b] = {Origin::Old, static_cast<std::uint8_t>(b), 0};
  }

  void BeginStep() {
    before_ = after_;
    after_ = {};
  }

  void MoveBytes(const FieldSpec& to, std::uint32_t from, std::uint32_t count) {
    for (std::uint32_t k = 0; k < count; ++k) after_[to.offset + k] = before_[from + k];
  }
  void SetBytes(const FieldSpec& to, std::uint32_t first, std::int32_t value) {
    std::array<std::uint8_t, 4> bytes{};
    StoreLittleEndian(bytes.data(), to.size, value);
    for (std::uint32_t k = first; k < to.size; ++k) after_[to.offset + k] = {Origin::Constant, bytes[k], 0};
  }
  // False when the chain has too many computed values.
  bool Compute(const ResolvedRule& r) {
    if (plan_.slots.size() == kMaxSlots) return false;
    const auto slot = static_cast<std::uint8_t>(plan_.slots.size());
    plan_.slots.push_back({r.rule, r.value, OperandOf(r.from), OperandOf(r.with)});
    for (std::uint32_t k = 0; k < r.to.size; ++k) {
      after_[r.to.offset + k] = {Origin::Computed, static_cast<std::uint8_t>(k), slot};
    }
    return true;
  }

  // Bytes that follow each other in both records become one move; constant bytes side by side
  // become one fill; bytes of one computed value in order become one store. A byte no rule writes
  // is a constant 0.
  void Finish() {
    for (std::uint32_t b = 0; b < plan_.new_size;) {
      const ByteOrigin first = after_[b];
      std::uint32_t size = 1;
      if (first.kind == Origin::Old) {
        while (b + size < plan_.new_size && size < kBlock && after_[b + size].kind == Origin::Old &&
               after_[b + size].byte == first.byte + size) {
          ++size;
        }
        plan_.moves.push_back({static_cast<std::uint8_t>(b), first.byte});
      } else if (first.kind == Origin::Constant) {
        std::uint32_t value = first.byte;
        while (b + size < plan_.new_size && size < 4 && after_[b + size].kind == Origin::Constant) {
          value |= static_cast<std::uint32_t>(after_[b + size].byte) << (8 * size);
          ++size;
        }
        plan_.fills.push_back({static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(size),
                               static_cast<std::int32_t>(value)});
      } else {
        while (b + size < plan_.new_size && size < 4 && after_[b + size].kind == Origin::Computed &&
               after_[b + size].slot == first.slot && after_[b + size].byte == first.byte + size) {
          ++size;
        }
        plan_.stores.push_back({static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(size), first.slot, first.byte});
      }
      b += size;
    }
  }

 private:
  Operand OperandOf(const FieldSpec& place) const {
    Operand operand;
    operand.direct = place;
    if (place.size == 0) return operand;  // reads as 0
    const ByteOrigin first = before_[place.offset];
    bool in_order = first.kind != Origin::Constant;
    for (std::uint32_t k = 0; k < place.size && k < 4; ++k) {
      const ByteOrigin& origin = before_[place.offset + k];
      operand.bytes[k] = origin;
      in_order &= origin.kind == first.kind && origin.slot == first.slot && origin.byte == first.byte + k;
    }
    if (in_order && first.kind == Origin::Old) {
      operand.direct.offset = first.byte;
    } else if (in_order && first.byte == 0 && place.size != 3) {
      operand.kind = Operand::Kind::Value;
    } else {
      operand.kind = Operand::Kind::Gathered;
    }
    return operand;
  }

  RecordPlan& plan_;
  std::array<ByteOrigin, kLongestRecord> before_{};
  std::array<ByteOrigin, kLongestRecord> after_{};
};

// A rule that only moves or sets bytes becomes bytes of the plan; one whose value takes
// arithmetic, another record, or fields the layouts lack is computed, exactly as written.
bool CompileRule(const ResolvedRule& r, PlanBuilder& builder) {
  const bool readable = r.from.size > 0;
  switch (r.rule) {
    case Rule::Set: builder.SetBytes(r.to, 0, r.value); return true;
    case Rule::Copy:
      if (readable && r.from.size == r.to.size) {
        builder.MoveBytes(r.to, r.from.offset, r.to.size);
        return true;
      }
      break;
    case Rule::LowBits:  // little-endian: the low bits are the first bytes
      if (readable && r.from.size >= r.to.size) {
        builder.MoveBytes(r.to, r.from.offset, r.to.size);
        return true;
      }
      break;
    case Rule::Widen:
      if (readable && r.from.sign == Sign::Unsigned && r.from.size <= r.to.size) {
        builder.MoveBytes(r.to, r.from.offset, r.from.size);
        builder.SetBytes(r.to, r.from.size, 0);
        return true;
      }
      break;
    case Rule::LowByte:
      if (readable) {
        builder.MoveBytes(r.to, r.from.offset, 1);
        builder.SetBytes(r.to, 1, 0);
        return true;
      }
      break;
    default: break;
  }
  return builder.Compute(r);
}

std::span<const FieldRule> TableOf(const StepRules& step, RecordKind kind) {
  if (kind == RecordKind::Sector) return step.sector;
  return kind == RecordKind::Wall ? step.wall : step.sprite;
}

// Null when the chain computes too many values to be converted in one pass.
std::unique_ptr<RecordPlan> Compile(std::span<const StepRules> chain, RecordKind kind) {
  auto plan = std::make_unique<RecordPlan>();
  plan->old_size = LayoutOf(chain.front().from_version, kind).size;
  plan->new_size = LayoutOf(chain.back().to_version, kind).size;
  PlanBuilder builder(*plan);
  for (const StepRules& step : chain) {
    const RecordLayout& from = LayoutOf(step.from_version, kind);
    const RecordLayout& to = LayoutOf(step.to_version, kind);
    builder.BeginStep();
    for (const FieldRule& r : TableOf(step, kind)) {
      const ResolvedRule resolved{r.rule, SpecOrNone(to, r.to), SpecOrNone(from, r.from), SpecOrNone(from, r.with),
                                  r.value};
      if (resolved.to.size == 0) continue;  // nothing to write
      if (!CompileRule(resolved, builder)) return nullptr;
      plan->needs_wall_sectors |= r.rule == Rule::WallSectorFloorPal;
    }
  }
  builder.Finish();
  plan->move_records = MoveFunctionFor(plan->moves.size());
  return plan;
}

// The tables never change, so each chain is compiled the first time a map needs it.
const RecordPlan* PlanFor(std::span<const StepRules> chain, RecordKind kind) {
  struct Compiled {
    const StepRules* first;
    std::size_t steps;
    RecordKind kind;
    std::unique_ptr<RecordPlan> plan;
  };
  static std::vector<Compiled> compiled;
  for (const Compiled& c : compiled) {
    if (c.first == chain.data() && c.steps == chain.size() && c.kind == kind) return c.plan.get();
  }
  compiled.push_back({chain.data(), chain.size(), kind, Compile(chain, kind)});
  return compiled.back().plan.get();
}

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
constexpr std::int32_t kBatch = 32;

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

template <std::size_t kSize, Sign kSign>
void LoadEach(const Batch& b, std::uint32_t offset, Column& values) {
  const std::uint8_t* at = b.old_records + offset;
  for (std::int32_t k = 0; k < b.count; ++k, at += b.old_size) {
    values[static_cast<std::size_t>(k)] = LoadLittleEndian(at, kSize, kSign);
  }
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
  for (std::int32_t k = 0; k < b.count; ++k, at += b.new_size) {
    StoreLittleEndian(at, kSize, values[static_cast<std::size_t>(k)]);
  }
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
    for (std::size_t k = 0; k < static_cast<std::size_t>(b.count); ++k) {
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

void Compute(const Slot& r, const Batch& b, const Surroundings& around, Values& values, Column& value) {
  using Value = std::int32_t;
  Column from{};
  Column with{};
  const int reads = OldFieldsRead(r.rule);
  if (reads >= 1) LoadOperand(b, r.from, values, from);
  if (reads >= 2) LoadOperand(b, r.with, values, with);
  auto each = [&](auto value_of) {
    for (std::int32_t k = 0; k < b.count; ++k) {
      const auto slot = static_cast<std::size_t>(k);
      value[slot] = value_of(from[slot], with[slot], b.first + k);
    }
  };
  const Value v = r.value;
  switch (r.rule) {
    case Rule::Copy:
    case Rule::Widen:
    case Rule::LowBits: each([](Value f, Value, Value) { return f; }); break;
    case Rule::LowByte: each([](Value f, Value, Value) { return f & 0xFF; }); break;
    case Rule::Set: each([v](Value, Value, Value) { return v; }); break;
    case Rule::ClearBit: each([v](Value f, Value, Value) { return f & ~v; }); break;
    case Rule::PanningIfBitClear: each([v](Value f, Value w, Value) { return (w & v) == 0 ? f : 0; }); break;
    case Rule::PanningIfBitSet: each([v](Value f, Value w, Value) { return (w & v) != 0 ? f : 0; }); break;
    case Rule::MergePanning: each([](Value f, Value w, Value) { return f != 0 ? f : w; }); break;
    case Rule::StatusOfMergedPanning: each([v](Value f, Value w, Value) { return w != 0 ? (f & ~v) : (f | v); }); break;
    case Rule::SlopeUp:
      each([](Value f, Value w, Value) { return (w & 2) != 0 ? Clamp(f * 32, -32768, 32767) : 0; });
      break;
    case Rule::SlopeDown: each([](Value f, Value, Value) { return f >> 5; }); break;
    case Rule::StatusAfterSlopeDown:
      each([](Value f, Value w, Value) { return (w >> 5) == 0 ? (f & 0xFF & ~2) : (f & 0xFF); });
      break;
    case Rule::WallSectorFloorPal: each([&around](Value, Value, Value index) { return WallPal(around, index); }); break;
    case Rule::SpriteSectorPal: each([&around](Value f, Value, Value) { return SpritePal(around, f); }); break;
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
  std::vector<std::uint8_t> other;  // the new array, when not converted in place

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
  std::vector<std::uint8_t>& array = RecordBytes(map, arrays.kind);
  if (!arrays.InPlace()) {
    ReturnArray(array);
    array = std::move(arrays.other);
  }
  array.resize(static_cast<std::size_t>(RecordCount(map, arrays.kind)) * plan.new_size);
  std::fill(array.begin() + static_cast<std::ptrdiff_t>(arrays.held) * plan.new_size, array.end(), std::uint8_t{0});
}

// Rules that read the sectors of the step's old version see them only at the start of a pass.
bool ReadsOtherRecords(const StepRules& step) {
  for (const RecordKind kind : {RecordKind::Sector, RecordKind::Wall, RecordKind::Sprite}) {
    for (const FieldRule& r : TableOf(step, kind)) {
      if (r.rule == Rule::WallSectorFloorPal || r.rule == Rule::SpriteSectorPal) return true;
    }
  }
  return false;
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
    std::vector<std::uint8_t>& array = RecordBytes(map, a.kind);
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

}  // namespace

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
           last[1].from_version == last->to_version && !ReadsOtherRecords(last[1]) && HoldsEveryRecord(map)) {
      ++last;
    }
    const MapError error = ConvertChain(map, std::span<const StepRules>(first, last + 1), failure);
    if (error != Ok) return error;
  }
  return Ok;
}

}  // namespace tessaro

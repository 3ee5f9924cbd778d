#include "map/step_plan.hpp"

#include <cstring>
#include <memory>
#include <utility>

namespace tessaro::step_plan {

namespace {

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


// Null when the chain computes too many values, or reads sectors it cannot see, to be converted
// in one pass.
std::unique_ptr<RecordPlan> Compile(std::span<const StepRules> chain, RecordKind kind) {
  auto plan = std::make_unique<RecordPlan>();
  plan->old_size = LayoutOf(chain.front().from_version, kind).size;
  plan->new_size = LayoutOf(chain.back().to_version, kind).size;
  PlanBuilder builder(*plan);
  for (std::size_t k = 0; k < chain.size(); ++k) {
    const StepRules& step = chain[k];
    const RecordLayout& from = LayoutOf(step.from_version, kind);
    const RecordLayout& to = LayoutOf(step.to_version, kind);
    builder.BeginStep();
    for (FieldRule r : TableOf(step, kind)) {
      // Only the first step sees the sectors it reads; a later one may when it reads zeros.
      if (ReadsOtherRecords(r.rule) && k > 0) {
        if (!GivesZeroAfter(chain.first(k), r)) return nullptr;
        r = rules::Set(r.to, 0);
      }
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

}  // namespace

FieldSpec SpecOrNone(const RecordLayout& layout, Field field) {
  const FieldSpec* place = layout.Find(field);
  return place != nullptr ? *place : FieldSpec{field, 0, 0, Sign::Unsigned};
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

}  // namespace tessaro::step_plan

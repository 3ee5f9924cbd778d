#include "map/convert_step.hpp"

#include <new>
#include <utility>
#include <vector>

#include "map/conversion.hpp"
#include "map/records.hpp"

namespace tessaro {

namespace {

// A rule with its fields looked up in the old and new layouts, once per step.
struct ResolvedRule {
  Rule rule;
  FieldSpec to;
  FieldSpec from;
  FieldSpec with;
  std::int32_t value;
};

// What some rules need beyond the old record itself.
struct Surroundings {
  const MapFile* old_map = nullptr;
  std::vector<std::int32_t> wall_sectors;
};

FieldSpec SpecOrNone(const RecordLayout& layout, Field field) {
  const FieldSpec* spec = layout.Find(field);
  return spec != nullptr ? *spec : FieldSpec{field, 0, 0, Sign::Unsigned};
}

std::vector<ResolvedRule> Resolve(std::span<const FieldRule> table, const RecordLayout& from,
                                  const RecordLayout& to) {
  std::vector<ResolvedRule> resolved;
  resolved.reserve(table.size());
  for (const FieldRule& r : table) {
    resolved.push_back({r.rule, SpecOrNone(to, r.to), SpecOrNone(from, r.from),
                        SpecOrNone(from, r.with), r.value});
  }
  return resolved;
}

std::int32_t SpritePal(const MapFile& old_map, std::int32_t sector) {
  if (sector < 0 || sector >= RecordsHeld(old_map, RecordKind::Sector)) return 0;
  const bool parallaxed_ceiling = (GetField(old_map, RecordKind::Sector, sector, Field::ceilingstat) & 1) != 0;
  return GetField(old_map, RecordKind::Sector, sector, parallaxed_ceiling ? Field::ceilingpal : Field::floorpal);
}

std::int32_t Evaluate(const ResolvedRule& r, const std::uint8_t* old_record, std::int32_t index,
                      const Surroundings& around) {
  const std::int32_t from = OldFieldsRead(r.rule) >= 1 ? ReadField(old_record, r.from) : 0;
  const std::int32_t with = OldFieldsRead(r.rule) >= 2 ? ReadField(old_record, r.with) : 0;
  switch (r.rule) {
    case Rule::Copy:
    case Rule::Widen:
    case Rule::LowBits: return from;
    case Rule::LowByte: return from & 0xFF;
    case Rule::Set: return r.value;
    case Rule::ClearBit: return from & ~r.value;
    case Rule::PanningIfBitClear: return (with & r.value) == 0 ? from : 0;
    case Rule::PanningIfBitSet: return (with & r.value) != 0 ? from : 0;
    case Rule::MergePanning: return from != 0 ? from : with;
    case Rule::StatusOfMergedPanning: return with != 0 ? (from & ~r.value) : (from | r.value);
    case Rule::SlopeUp: return (with & 2) != 0 ? Clamp(from * 32, -32768, 32767) : 0;
    case Rule::SlopeDown: return from >> 5;
    case Rule::StatusAfterSlopeDown: return (with >> 5) == 0 ? (from & 0xFF & ~2) : (from & 0xFF);
    case Rule::WallSectorFloorPal: {
      const auto slot = static_cast<std::size_t>(index);
      const std::int32_t sector = slot < around.wall_sectors.size() ? around.wall_sectors[slot] : -1;
      return sector < 0 ? 0 : GetField(*around.old_map, RecordKind::Sector, sector, Field::floorpal);
    }
    case Rule::SpriteSectorPal: return SpritePal(*around.old_map, from);
  }
  return 0;
}

bool NeedsWallSectors(std::span<const FieldRule> table) {
  for (const FieldRule& r : table) {
    if (r.rule == Rule::WallSectorFloorPal) return true;
  }
  return false;
}

void ConvertRecords(const MapFile& old_map, MapFile& new_map, RecordKind kind,
                    std::span<const FieldRule> table, const Surroundings& around) {
  const RecordLayout& from = LayoutOf(old_map.mapversion, kind);
  const RecordLayout& to = LayoutOf(new_map.mapversion, kind);
  const std::vector<ResolvedRule> resolved = Resolve(table, from, to);
  const std::uint8_t* old_bytes = RecordBytes(old_map, kind).data();
  std::uint8_t* new_bytes = RecordBytes(new_map, kind).data();
  const std::int32_t held = RecordsHeld(old_map, kind);
  for (std::int32_t i = 0; i < held; ++i) {
    const std::uint8_t* old_record = old_bytes + static_cast<std::size_t>(i) * from.size;
    std::uint8_t* new_record = new_bytes + static_cast<std::size_t>(i) * to.size;
    for (const ResolvedRule& r : resolved) WriteField(new_record, r.to, Evaluate(r, old_record, i, around));
  }
}

bool AllocateArrays(const MapFile& old_map, MapFile& new_map) {
  const RecordSizes& sizes = RecordSizeTable[new_map.mapversion];
  try {
    new_map.sectordata.assign(static_cast<std::size_t>(RecordCount(old_map, RecordKind::Sector)) * sizes.sector, 0);
    new_map.walldata.assign(static_cast<std::size_t>(RecordCount(old_map, RecordKind::Wall)) * sizes.wall, 0);
    new_map.spritedata.assign(static_cast<std::size_t>(RecordCount(old_map, RecordKind::Sprite)) * sizes.sprite, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

MapError ConvertStep(MapFile& map, std::span<const StepRules> steps, MapError failure) {
  const StepRules* found = nullptr;
  for (const StepRules& candidate : steps) {
    if (candidate.from_version == map.mapversion) found = &candidate;
  }
  if (found == nullptr) return failure;
  const StepRules& step = *found;

  MapFile converted;
  converted.mapversion = step.to_version;
  converted.posx = map.posx;
  converted.posy = map.posy;
  converted.posz = map.posz;
  converted.ang = map.ang;
  converted.cursectnum = map.cursectnum;
  converted.numsectors = map.numsectors;
  converted.numwalls = map.numwalls;
  converted.numsprites = map.numsprites;
  if (!AllocateArrays(map, converted)) return failure;

  Surroundings around;
  around.old_map = &map;
  if (NeedsWallSectors(step.wall)) {
    try {
      around.wall_sectors = SectorsOfWalls(map);
    } catch (const std::bad_alloc&) {
      return failure;
    }
  }
  ConvertRecords(map, converted, RecordKind::Sector, step.sector, around);
  ConvertRecords(map, converted, RecordKind::Wall, step.wall, around);
  ConvertRecords(map, converted, RecordKind::Sprite, step.sprite, around);
  if (step.after != nullptr) step.after(converted);

  FreeMap(map);
  map = std::move(converted);
  return Ok;
}

}  // namespace tessaro

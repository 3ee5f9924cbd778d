#include "map/records.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace tessaro {

RecordArray& RecordBytes(MapFile& map, RecordKind kind) {
  switch (kind) {
    case RecordKind::Sector: return map.sectordata;
    case RecordKind::Wall: return map.walldata;
    case RecordKind::Sprite: break;
  }
  return map.spritedata;
}

const RecordArray& RecordBytes(const MapFile& map, RecordKind kind) {
  return RecordBytes(const_cast<MapFile&>(map), kind);
}

std::int32_t RecordCount(const MapFile& map, RecordKind kind) {
  switch (kind) {
    case RecordKind::Sector: return std::max<std::int32_t>(map.numsectors, 0);
    case RecordKind::Wall: return std::max<std::int32_t>(map.numwalls, 0);
    case RecordKind::Sprite: break;
  }
  return std::max<std::int32_t>(map.numsprites, 0);
}

std::int32_t RecordsHeld(const MapFile& map, RecordKind kind) {
  const std::uint32_t size = LayoutOf(map.mapversion, kind).size;
  if (size == 0) return 0;
  const auto whole = static_cast<std::int32_t>(RecordBytes(map, kind).size() / size);
  return std::min(whole, RecordCount(map, kind));
}

namespace {

constexpr bool SizesFit(std::span<const FieldSpec> fields) {
  for (const FieldSpec& place : fields) {
    if (place.size != 1 && place.size != 2 && place.size != 4) return false;
  }
  return true;
}
// LoadField and StoreField know no other sizes.
static_assert(SizesFit(layout::kSectorV3) && SizesFit(layout::kSectorV4) && SizesFit(layout::kSectorV5) &&
              SizesFit(layout::kSectorV6) && SizesFit(layout::kSectorV7) && SizesFit(layout::kWallV3) &&
              SizesFit(layout::kWallV4) && SizesFit(layout::kWallV5) && SizesFit(layout::kWallV6) &&
              SizesFit(layout::kWallV7) && SizesFit(layout::kSpriteV3) && SizesFit(layout::kSpriteV4) &&
              SizesFit(layout::kSpriteV5) && SizesFit(layout::kSpriteV6) && SizesFit(layout::kSpriteV7));

// A map and the one a step builds from it hold six arrays at most.
constexpr std::size_t kKeptArrays = 6;

std::vector<RecordArray>& KeptArrays() {
  static std::vector<RecordArray> kept = [] {
    std::vector<RecordArray> empty;
    empty.reserve(kKeptArrays);
    return empty;
  }();
  return kept;
}

// One that fits beats one that does not; of two that fit the smaller wins, of two that do not the
// larger.
bool BetterFit(const RecordArray& a, const RecordArray& b, std::size_t bytes) {
  const bool a_fits = a.capacity() >= bytes;
  if (a_fits != (b.capacity() >= bytes)) return a_fits;
  return a_fits ? a.capacity() < b.capacity() : a.capacity() > b.capacity();
}

std::uint32_t LargestRecord(RecordKind kind) {
  std::uint32_t largest = 0;
  for (std::int32_t version = kLowestVersion; version <= kHighestVersion; ++version) {
    largest = std::max(largest, LayoutOf(version, kind).size);
  }
  return largest;
}

}  // namespace

RecordArray TakeArray(RecordKind kind, std::size_t records, std::uint32_t record_size) {
  const std::size_t bytes = records * record_size;
  std::vector<RecordArray>& kept = KeptArrays();
  auto best = kept.end();
  for (auto it = kept.begin(); it != kept.end(); ++it) {
    if (best == kept.end() || BetterFit(*it, *best, bytes)) best = it;
  }
  RecordArray array;
  if (best != kept.end()) {
    array = std::move(*best);
    kept.erase(best);
  }
  if (array.capacity() < bytes) {
    // The old storage goes first, so that the two are never held at once. Room for the records
    // at their largest lets every later step reuse the array.
    RecordArray().swap(array);
    array.reserve(std::max<std::size_t>(bytes, records * LargestRecord(kind)));
  }
  // Growing within the capacity zero-fills only the grown part; shrinking writes nothing.
  array.resize(bytes);
  return array;
}

void ReturnArray(RecordArray& array) {
  std::vector<RecordArray>& kept = KeptArrays();
  RecordArray returned = std::move(array);
  array = RecordArray();
  if (returned.capacity() == 0) return;
  if (kept.size() == kKeptArrays) {
    // The larger ones stay: they serve small arrays as well.
    const auto smallest = std::min_element(kept.begin(), kept.end(), [](const auto& a, const auto& b) {
      return a.capacity() < b.capacity();
    });
    if (smallest->capacity() >= returned.capacity()) return;
    kept.erase(smallest);
  }
  kept.push_back(std::move(returned));  // within the reserved room: cannot throw
}

namespace {

#define TESSARO_COUNT_FIELD(name) +1
constexpr std::size_t kFieldCount = 0 TESSARO_RECORD_FIELDS(TESSARO_COUNT_FIELD);
#undef TESSARO_COUNT_FIELD

// One layout's record size and its fields by name.
struct LayoutIndex {
  std::uint32_t size = 0;
  std::array<const FieldSpec*, kFieldCount> fields{};
};

using LayoutIndexes = std::array<std::array<LayoutIndex, 3>, kHighestVersion + 1>;

LayoutIndexes IndexLayouts() {
  LayoutIndexes built{};
  for (std::int32_t v = kLowestVersion; v <= kHighestVersion; ++v) {
    for (const RecordKind k : {RecordKind::Sector, RecordKind::Wall, RecordKind::Sprite}) {
      LayoutIndex& entry = built[static_cast<std::size_t>(v)][static_cast<std::size_t>(k)];
      entry.size = LayoutOf(v, k).size;
      for (const FieldSpec& place : LayoutOf(v, k).fields) entry.fields[static_cast<std::size_t>(place.field)] = &place;
    }
  }
  return built;
}

// Every layout, gathered before the program starts, so that reaching a field by name costs no
// search: the after-passes of the steps and the sector lookups do it for every record. (The
// layouts it reads are constants, ready before anything else is.)
const LayoutIndexes kLayoutIndexes = IndexLayouts();

const LayoutIndex& IndexOf(std::int32_t version, RecordKind kind) {
  // Unknown versions meet the empty entry 0.
  const auto row = static_cast<std::size_t>(IsKnownVersion(version) ? version : 0);
  return kLayoutIndexes[row][static_cast<std::size_t>(kind)];
}

// Record `index` of a kind, when the count has it and the array holds all of it, as RecordsHeld
// counts records; else nullptr.
std::uint8_t* RecordAt(const MapFile& map, RecordKind kind, std::int32_t index, std::uint32_t size) {
  const RecordArray* bytes = &map.spritedata;
  std::int32_t count = map.numsprites;
  if (kind == RecordKind::Sector) {
    bytes = &map.sectordata;
    count = map.numsectors;
  } else if (kind == RecordKind::Wall) {
    bytes = &map.walldata;
    count = map.numwalls;
  }
  const std::size_t start = static_cast<std::size_t>(index) * size;
  if (index < 0 || index >= count || start + size > bytes->size()) return nullptr;
  return const_cast<std::uint8_t*>(bytes->data()) + start;
}

}  // namespace

std::int32_t GetField(const MapFile& map, RecordKind kind, std::int32_t index, Field field) {
  const LayoutIndex& layout = IndexOf(map.mapversion, kind);
  const FieldSpec* place = layout.fields[static_cast<std::size_t>(field)];
  const std::uint8_t* record = place != nullptr ? RecordAt(map, kind, index, layout.size) : nullptr;
  return record != nullptr ? LoadField(record, *place) : 0;
}

void SetField(MapFile& map, RecordKind kind, std::int32_t index, Field field, std::int32_t value) {
  const LayoutIndex& layout = IndexOf(map.mapversion, kind);
  const FieldSpec* place = layout.fields[static_cast<std::size_t>(field)];
  std::uint8_t* record = place != nullptr ? RecordAt(map, kind, index, layout.size) : nullptr;
  if (record != nullptr) StoreField(record + place->offset, place->size, value);
}

}  // namespace tessaro

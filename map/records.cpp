#include "map/records.hpp"

#include <algorithm>

namespace tessaro {

std::vector<std::uint8_t>& RecordBytes(MapFile& map, RecordKind kind) {
  switch (kind) {
    case RecordKind::Sector: return map.sectordata;
    case RecordKind::Wall: return map.walldata;
    case RecordKind::Sprite: break;
  }
  return map.spritedata;
}

const std::vector<std::uint8_t>& RecordBytes(const MapFile& map, RecordKind kind) {
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

// The field's bytes inside the array, or nullptr when they lie outside it.
const FieldSpec* Locate(const MapFile& map, RecordKind kind, std::int32_t index, Field field) {
  if (index < 0 || index >= RecordsHeld(map, kind)) return nullptr;
  return LayoutOf(map.mapversion, kind).Find(field);
}

}  // namespace

std::int32_t GetField(const MapFile& map, RecordKind kind, std::int32_t index, Field field) {
  const FieldSpec* spec = Locate(map, kind, index, field);
  if (spec == nullptr) return 0;
  const std::size_t start = static_cast<std::size_t>(index) * LayoutOf(map.mapversion, kind).size;
  return ReadField(RecordBytes(map, kind).data() + start, *spec);
}

void SetField(MapFile& map, RecordKind kind, std::int32_t index, Field field, std::int32_t value) {
  const FieldSpec* spec = Locate(map, kind, index, field);
  if (spec == nullptr) return;
  const std::size_t start = static_cast<std::size_t>(index) * LayoutOf(map.mapversion, kind).size;
  WriteField(RecordBytes(map, kind).data() + start, *spec, value);
}

}  // namespace tessaro

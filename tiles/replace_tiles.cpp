#include "tiles/replace_tiles.hpp"

#include <array>
#include <span>

#include "console/console.hpp"
#include "map/record_layout.hpp"
#include "map/records.hpp"

namespace tessaro {

namespace {

void ReplaceInRecords(MapFile& map, RecordKind kind, std::span<const Field> fields,
                      std::span<const std::int16_t> entries) {
  const RecordLayout& layout = LayoutOf(map.mapversion, kind);
  std::array<const FieldSpec*, 2> placed{};
  std::size_t found = 0;
  for (const Field field : fields) {
    const FieldSpec* where = layout.Find(field);
    if (where != nullptr && found < placed.size()) placed[found++] = where;
  }
  // Only whole records the array really holds, whatever the count claims.
  const auto records = static_cast<std::size_t>(RecordsHeld(map, kind));
  std::uint8_t* record = RecordBytes(map, kind).data();
  for (std::size_t i = 0; i < records; ++i, record += layout.size) {
    for (std::size_t f = 0; f < found; ++f) {
      const std::int32_t tile = ReadField(record, *placed[f]);
      if (tile >= 0 && static_cast<std::size_t>(tile) < entries.size()) {
        WriteField(record, *placed[f], entries[static_cast<std::size_t>(tile)]);
      }
    }
  }
}

}  // namespace

MapError ReplaceTiles(MapFile& map, const TileSwapTable& table) {
  if (!IsKnownVersion(map.mapversion)) return FormatUnsupported;
  PrintText(":: Replacing tiles", true);
  const std::span<const std::int16_t> entries = table.entries();
  static constexpr Field kSectorTiles[] = {Field::ceilingpicnum, Field::floorpicnum};
  static constexpr Field kWallTiles[] = {Field::picnum, Field::overpicnum};
  static constexpr Field kSpriteTiles[] = {Field::picnum};
  ReplaceInRecords(map, RecordKind::Sector, kSectorTiles, entries);
  ReplaceInRecords(map, RecordKind::Wall, kWallTiles, entries);
  ReplaceInRecords(map, RecordKind::Sprite, kSpriteTiles, entries);
  return Ok;
}

}  // namespace tessaro

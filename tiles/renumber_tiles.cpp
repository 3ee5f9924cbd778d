#include "tiles/renumber_tiles.hpp"

#include <span>

#include "map/record_layout.hpp"
#include "map/records.hpp"
#include "tiles/tile_fields.hpp"

namespace tessaro {

namespace {

// One field down all records, its size and sign constants so that each visit is a plain load and
// store.
template <std::size_t kSize, Sign kSign>
void ReplaceInField(std::uint8_t* record, std::size_t records, std::size_t record_size, const FieldSpec& field,
                    std::span<const std::int16_t> entries) {
  for (std::uint8_t* at = record + field.offset; records > 0; --records, at += record_size) {
    const std::int32_t tile = LoadLittleEndian(at, kSize, kSign);
    if (tile >= 0 && static_cast<std::size_t>(tile) < entries.size()) {
      StoreLittleEndian(at, kSize, entries[static_cast<std::size_t>(tile)]);
    }
  }
}

void ReplaceInRecords(MapFile& map, RecordKind kind, std::span<const Field> fields,
                      std::span<const std::int16_t> entries) {
  const RecordLayout& layout = LayoutOf(map.mapversion, kind);
  // Only whole records the array really holds, whatever the count claims.
  const auto records = static_cast<std::size_t>(RecordsHeld(map, kind));
  if (records == 0) return;  // an absent array has no address to step from
  std::uint8_t* bytes = RecordBytes(map, kind).data();
  for (const Field field : fields) {
    const FieldSpec* where = layout.Find(field);
    if (where == nullptr) continue;
    const bool is_signed = where->sign == Sign::Signed;
    switch (where->size) {
      case 1:
        is_signed ? ReplaceInField<1, Sign::Signed>(bytes, records, layout.size, *where, entries)
                  : ReplaceInField<1, Sign::Unsigned>(bytes, records, layout.size, *where, entries);
        break;
      case 2:
        is_signed ? ReplaceInField<2, Sign::Signed>(bytes, records, layout.size, *where, entries)
                  : ReplaceInField<2, Sign::Unsigned>(bytes, records, layout.size, *where, entries);
        break;
      default: ReplaceInField<4, Sign::Signed>(bytes, records, layout.size, *where, entries); break;
    }
  }
}

}  // namespace

MapError RenumberTiles(MapFile& map, const TileSwapTable& table) {
  if (!IsKnownVersion(map.mapversion)) return FormatUnsupported;
  for (const auto& [kind, fields] : kTileFieldsByKind) ReplaceInRecords(map, kind, fields, table.entries());
  return Ok;
}

}  // namespace tessaro

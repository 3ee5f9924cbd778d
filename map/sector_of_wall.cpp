#include <algorithm>
#include <numeric>

#include "map/conversion.hpp"
#include "map/records.hpp"

namespace tessaro {

namespace {

struct WallRange {
  std::int32_t first;
  std::int32_t last;  // below `first` when the sector has no walls
};

WallRange RangeOf(const MapFile& map, std::int32_t sector) {
  const std::int32_t wallptr = GetField(map, RecordKind::Sector, sector, Field::wallptr) & 0xFFFF;
  const std::int32_t wallnum = GetField(map, RecordKind::Sector, sector, Field::wallnum) & 0xFFFF;
  return {wallptr, wallptr + wallnum - 1};
}

// RangeOf for every held sector in turn, with the fields found once.
class SectorRanges {
 public:
  explicit SectorRanges(const MapFile& map)
      : layout_(LayoutOf(map.mapversion, RecordKind::Sector)),
        wallptr_(layout_.Find(Field::wallptr)),
        wallnum_(layout_.Find(Field::wallnum)),
        records_(RecordBytes(map, RecordKind::Sector).data()) {}

  WallRange Of(std::int32_t sector) const {
    const std::uint8_t* record = records_ + static_cast<std::size_t>(sector) * layout_.size;
    const std::int32_t wallptr = wallptr_ != nullptr ? LoadField(record, *wallptr_) & 0xFFFF : 0;
    const std::int32_t wallnum = wallnum_ != nullptr ? LoadField(record, *wallnum_) & 0xFFFF : 0;
    return {wallptr, wallptr + wallnum - 1};
  }

 private:
  const RecordLayout& layout_;
  const FieldSpec* wallptr_;
  const FieldSpec* wallnum_;
  const std::uint8_t* records_;
};

}  // namespace

std::int32_t SectorOfWall(const MapFile& map, std::int32_t wall) {
  if (map.mapversion != 5) return -1;
  const std::int32_t sectors = RecordsHeld(map, RecordKind::Sector);
  for (std::int32_t sector = 0; sector < sectors; ++sector) {
    const WallRange range = RangeOf(map, sector);
    if (range.first <= wall && wall <= range.last) return sector;
  }
  return -1;
}

std::vector<std::int32_t> SectorsOfWalls(const MapFile& map) {
  const std::int32_t walls = RecordCount(map, RecordKind::Wall);
  std::vector<std::int32_t> owner(static_cast<std::size_t>(walls), -1);
  // Sectors claim the still-unclaimed walls of their range in index order, so the lowest sector
  // wins. `next_free[w]` leads to the first unclaimed wall at or after w (with path halving), so
  // every wall is claimed once however much the ranges overlap.
  std::vector<std::int32_t> next_free(static_cast<std::size_t>(walls) + 1);
  std::iota(next_free.begin(), next_free.end(), 0);
  auto find_free = [&next_free](std::int32_t w) {
    while (next_free[static_cast<std::size_t>(w)] != w) {
      auto& link = next_free[static_cast<std::size_t>(w)];
      link = next_free[static_cast<std::size_t>(link)];
      w = link;
    }
    return w;
  };
  const std::int32_t sectors = RecordsHeld(map, RecordKind::Sector);
  const SectorRanges ranges(map);
  for (std::int32_t sector = 0; sector < sectors; ++sector) {
    const WallRange range = ranges.Of(sector);
    const std::int32_t last = std::min(range.last, walls - 1);
    for (std::int32_t w = range.first <= last ? find_free(range.first) : walls; w <= last; w = find_free(w + 1)) {
      owner[static_cast<std::size_t>(w)] = sector;
      next_free[static_cast<std::size_t>(w)] = w + 1;
    }
  }
  return owner;
}

}  // namespace tessaro

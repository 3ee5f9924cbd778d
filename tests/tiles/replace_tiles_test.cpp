#include "tiles/replace_tiles.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "map/conversion.hpp"
#include "map/records.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using enum Field;
using testing::EmptyMap;
using testing::ExpectFields;
using testing::ScopedConsoleCapture;
using testing::SetFields;

constexpr RecordKind kSector = RecordKind::Sector;
constexpr RecordKind kWall = RecordKind::Wall;
constexpr RecordKind kSprite = RecordKind::Sprite;
constexpr std::int32_t kHighest = TileSwapTable::kHighestTile;

struct TileField {
  RecordKind kind;
  Field field;
};

constexpr TileField kTileFields[] = {
    {kSector, ceilingpicnum}, {kSector, floorpicnum}, {kWall, picnum}, {kWall, overpicnum}, {kSprite, picnum},
};

// Bytes that differ from record to record and field to field, so a write to the wrong offset shows.
void FillPattern(MapFile& map) {
  std::uint8_t next = 11;
  for (auto* data : {&map.sectordata, &map.walldata, &map.spritedata}) {
    for (std::uint8_t& byte : *data) byte = next += 37;
  }
}

void ExpectOnlyTilesChanged(const MapFile& after, const MapFile& before) {
  MapFile restored = after;
  for (const TileField& tile : kTileFields) {
    for (std::int32_t i = 0; i < RecordsHeld(before, tile.kind); ++i) {
      SetField(restored, tile.kind, i, tile.field, GetField(before, tile.kind, i, tile.field));
    }
  }
  EXPECT_TRUE(testing::SameMap(restored, before));
}

MapError Replaced(MapFile& map, const TileSwapTable& table) {
  ScopedConsoleCapture quiet;
  return ReplaceTiles(map, table);
}

// 0 -> 7, 1 -> 2, 2 -> 3, 5 -> -1, 10 -> 6000; top 10.
TileSwapTable SmallTable() {
  TileSwapTable table;
  table.GrowTo(10);
  for (const auto& [tile, value] : {std::pair{0, 7}, {1, 2}, {2, 3}, {5, -1}, {10, 6000}}) {
    table.Fill(tile, tile, static_cast<std::int16_t>(value));
  }
  return table;
}

TEST(ReplaceTilesTest, EachFieldOnceThroughItsOwnEntryAtEveryVersion) {
  for (std::int32_t version = 3; version <= 7; ++version) {
    SCOPED_TRACE("v" + std::to_string(version));
    MapFile map = EmptyMap(version, 2, 3, 2);
    FillPattern(map);
    SetFields(map, {{kSector, 0, ceilingpicnum, 1}, {kSector, 0, floorpicnum, 2}, {kSector, 1, ceilingpicnum, -1},
                    {kSector, 1, floorpicnum, 11}, {kWall, 0, picnum, 1}, {kWall, 0, overpicnum, 2},
                    {kWall, 1, picnum, 2}, {kWall, 1, overpicnum, 0}, {kWall, 2, picnum, 5},
                    {kWall, 2, overpicnum, 32767}, {kSprite, 0, picnum, 10}, {kSprite, 1, picnum, -32768}});
    const MapFile before = map;
    ScopedConsoleCapture console;
    ASSERT_EQ(ReplaceTiles(map, SmallTable()), Ok);
    EXPECT_EQ(console.Text(), ":: Replacing tiles\r\n");
    // 1 -> 2 and 2 -> 3 do not chain; -1 and tiles above top stay.
    ExpectFields(map, {{kSector, 0, ceilingpicnum, 2}, {kSector, 0, floorpicnum, 3}, {kSector, 1, ceilingpicnum, -1},
                       {kSector, 1, floorpicnum, 11}, {kWall, 0, picnum, 2}, {kWall, 0, overpicnum, 3},
                       {kWall, 1, picnum, 3}, {kWall, 1, overpicnum, 7}, {kWall, 2, picnum, -1},
                       {kWall, 2, overpicnum, 32767}, {kSprite, 0, picnum, 6000}, {kSprite, 1, picnum, -32768}});
    ExpectOnlyTilesChanged(map, before);

    MapFile without_sprites = EmptyMap(version, 1, 1, 0);
    FillPattern(without_sprites);
    SetFields(without_sprites, {{kSector, 0, ceilingpicnum, 2}, {kSector, 0, floorpicnum, 5}, {kWall, 0, picnum, 2},
                                {kWall, 0, overpicnum, 1}});
    const MapFile unreplaced = without_sprites;
    ASSERT_EQ(Replaced(without_sprites, SmallTable()), Ok);
    ExpectFields(without_sprites, {{kSector, 0, ceilingpicnum, 3}, {kSector, 0, floorpicnum, -1}, {kWall, 0, picnum, 3},
                                   {kWall, 0, overpicnum, 2}});
    EXPECT_TRUE(without_sprites.spritedata.empty());
    ExpectOnlyTilesChanged(without_sprites, unreplaced);
  }
}

TEST(ReplaceTilesTest, TableAsCreatedChangesNothing) {
  MapFile map = EmptyMap(7, 2, 2, 2);
  FillPattern(map);
  SetFields(map, {{kWall, 0, picnum, 0}, {kWall, 1, picnum, 1}});
  const MapFile before = map;
  ASSERT_EQ(Replaced(map, TileSwapTable()), Ok);
  EXPECT_TRUE(testing::SameMap(map, before));
}

TEST(ReplaceTilesTest, UnknownVersionIsLeftAloneSilently) {
  for (const std::int32_t version : {0, 2, 8, -7}) {
    MapFile map = EmptyMap(7, 2, 2, 2);
    SetFields(map, {{kWall, 0, picnum, 1}, {kWall, 1, picnum, 1}});
    map.mapversion = version;
    const MapFile before = map;
    ScopedConsoleCapture console;
    EXPECT_EQ(ReplaceTiles(map, SmallTable()), FormatUnsupported);
    EXPECT_EQ(console.Text(), "");
    EXPECT_TRUE(testing::SameMap(map, before)) << version;
  }
}

// Counts that disagree with the arrays: only whole records that both the count and the array
// have are touched, and nothing is read or written past an array.
TEST(ReplaceTilesTest, CountsThatDisagreeWithTheArrays) {
  for (std::int32_t version = 3; version <= 7; ++version) {
    SCOPED_TRACE("v" + std::to_string(version));
    MapFile map = EmptyMap(version, 3, 3, 3);
    for (const TileField& tile : kTileFields) {
      for (std::int32_t i = 0; i < 3; ++i) SetField(map, tile.kind, i, tile.field, 1);
    }
    const RecordSizes& sizes = RecordSizeTable[version];
    map.sectordata.resize(sizes.sector + sizes.sector / 2);  // one and a half records for a count of 3
    map.sectordata.shrink_to_fit();
    map.numwalls = 1;     // three records for a count of 1
    map.numsprites = -1;
    const MapFile before = map;
    ASSERT_EQ(Replaced(map, SmallTable()), Ok);
    ExpectFields(map, {{kSector, 0, ceilingpicnum, 2}, {kSector, 0, floorpicnum, 2}, {kWall, 0, picnum, 2},
                       {kWall, 0, overpicnum, 2}});
    EXPECT_TRUE(std::equal(map.sectordata.begin() + sizes.sector, map.sectordata.end(),
                           before.sectordata.begin() + sizes.sector));
    EXPECT_TRUE(
        std::equal(map.walldata.begin() + sizes.wall, map.walldata.end(), before.walldata.begin() + sizes.wall));
    EXPECT_EQ(map.spritedata, before.spritedata);
  }
}

// Arrays cut at every length: each is exactly as large as it says, so the sanitizers see any
// access past its end.
TEST(ReplaceTilesTest, TruncatedArrays) {
  for (std::int32_t version = 3; version <= 7; ++version) {
    MapFile full = EmptyMap(version, 2, 2, 2);
    FillPattern(full);
    for (const auto array : {&MapFile::sectordata, &MapFile::walldata, &MapFile::spritedata}) {
      for (std::size_t length = (full.*array).size(); length-- > 0;) {
        MapFile map = full;
        (map.*array).resize(length);
        (map.*array).shrink_to_fit();
        ASSERT_EQ(Replaced(map, SmallTable()), Ok) << "v" << version << " length " << length;
      }
    }
  }
}

// Every sample at its own version, and converted from 3 to 7 and from 7 to 3: the pass works on
// the records of the version the map has. Tile t becomes 6000 - t for every t a table can hold.
TEST(ReplaceTilesTest, SampleLevelsAtEveryVersionAndConverted) {
  TileSwapTable reversing;
  reversing.GrowTo(kHighest);
  for (std::int32_t t = 0; t <= kHighest; ++t) reversing.Fill(t, t, static_cast<std::int16_t>(kHighest - t));
  const std::pair<std::int32_t, std::int32_t> roads[] = {{3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {3, 7}, {7, 3}};
  for (const auto& [from, to] : roads) {
    for (const char* level : {"courtyard", "warehouse"}) {
      SCOPED_TRACE(std::string(level) + " v" + std::to_string(from) + " to v" + std::to_string(to));
      MapFile map;
      ASSERT_EQ(testing::OpenQuietly(testing::SamplePath(from, level), map), Ok);
      while (map.mapversion != to) ASSERT_EQ(to > from ? UpgradeMap(map) : DowngradeMap(map), Ok);
      const MapFile before = map;
      ASSERT_EQ(Replaced(map, reversing), Ok);
      int replaced = 0;
      for (const TileField& tile : kTileFields) {
        for (std::int32_t i = 0; i < RecordsHeld(before, tile.kind); ++i) {
          const std::int32_t old = GetField(before, tile.kind, i, tile.field);
          const bool inside = old >= 0 && old <= kHighest;
          replaced += inside ? 1 : 0;
          ASSERT_EQ(GetField(map, tile.kind, i, tile.field), inside ? kHighest - old : old)
              << FieldName(tile.field) << " of record " << i;
        }
      }
      EXPECT_GT(replaced, 0);
      ExpectOnlyTilesChanged(map, before);
    }
  }
}

}  // namespace
}  // namespace tessaro

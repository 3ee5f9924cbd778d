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

using testing::EmptyMap;
using testing::SamplePath;
using testing::ScopedConsoleCapture;

struct TileField {
  RecordKind kind;
  Field field;
};

constexpr TileField kTileFields[] = {
    {RecordKind::Sector, Field::ceilingpicnum}, {RecordKind::Sector, Field::floorpicnum},
    {RecordKind::Wall, Field::picnum},          {RecordKind::Wall, Field::overpicnum},
    {RecordKind::Sprite, Field::picnum},
};

// Bytes that differ from record to record and field to field, so a write to the wrong offset shows.
void FillPattern(MapFile& map) {
  std::uint8_t next = 11;
  for (auto* data : {&map.sectordata, &map.walldata, &map.spritedata}) {
    for (std::uint8_t& byte : *data) byte = next += 37;
  }
}

// The map equals `before` in everything but its tile fields.
void ExpectOnlyTilesChanged(const MapFile& after, const MapFile& before) {
  MapFile restored = after;
  for (const TileField& tile : kTileFields) {
    for (std::int32_t i = 0; i < RecordsHeld(before, tile.kind); ++i) {
      SetField(restored, tile.kind, i, tile.field, GetField(before, tile.kind, i, tile.field));
    }
  }
  EXPECT_EQ(restored.mapversion, before.mapversion);
  EXPECT_EQ(restored.posx, before.posx);
  EXPECT_EQ(restored.ang, before.ang);
  EXPECT_EQ(restored.cursectnum, before.cursectnum);
  EXPECT_EQ(restored.numsectors, before.numsectors);
  EXPECT_EQ(restored.numwalls, before.numwalls);
  EXPECT_EQ(restored.numsprites, before.numsprites);
  EXPECT_EQ(restored.sectordata, before.sectordata);
  EXPECT_EQ(restored.walldata, before.walldata);
  EXPECT_EQ(restored.spritedata, before.spritedata);
}

// 0 -> 7, 1 -> 2, 2 -> 3, 5 -> -1, 10 -> 6000; top 10.
TileSwapTable SmallTable() {
  TileSwapTable table;
  table.GrowTo(10);
  table.Fill(0, 0, 7);
  table.Fill(1, 1, 2);
  table.Fill(2, 2, 3);
  table.Fill(5, 5, -1);
  table.Fill(10, 10, 6000);
  return table;
}

std::int32_t Sector(const MapFile& map, std::int32_t i, Field f) { return GetField(map, RecordKind::Sector, i, f); }
std::int32_t Wall(const MapFile& map, std::int32_t i, Field f) { return GetField(map, RecordKind::Wall, i, f); }
std::int32_t Sprite(const MapFile& map, std::int32_t i) { return GetField(map, RecordKind::Sprite, i, Field::picnum); }

TEST(ReplaceTilesTest, EachFieldOnceThroughItsOwnEntryAtEveryVersion) {
  const TileSwapTable table = SmallTable();
  for (std::int32_t version = 3; version <= 7; ++version) {
    SCOPED_TRACE("v" + std::to_string(version));
    MapFile map = EmptyMap(version, 2, 3, 2);
    FillPattern(map);
    const auto set = [&map](RecordKind kind, std::int32_t i, Field field, std::int32_t value) {
      SetField(map, kind, i, field, value);
    };
    set(RecordKind::Sector, 0, Field::ceilingpicnum, 1);
    set(RecordKind::Sector, 0, Field::floorpicnum, 2);
    set(RecordKind::Sector, 1, Field::ceilingpicnum, -1);
    set(RecordKind::Sector, 1, Field::floorpicnum, 11);
    set(RecordKind::Wall, 0, Field::picnum, 1);
    set(RecordKind::Wall, 0, Field::overpicnum, 2);
    set(RecordKind::Wall, 1, Field::picnum, 2);
    set(RecordKind::Wall, 1, Field::overpicnum, 0);
    set(RecordKind::Wall, 2, Field::picnum, 5);
    set(RecordKind::Wall, 2, Field::overpicnum, 32767);
    set(RecordKind::Sprite, 0, Field::picnum, 10);
    set(RecordKind::Sprite, 1, Field::picnum, -32768);
    const MapFile before = map;

    ScopedConsoleCapture console;
    ASSERT_EQ(ReplaceTiles(map, table), Ok);
    EXPECT_EQ(console.Text(), ":: Replacing tiles\r\n");

    // 1 -> 2 and 2 -> 3 do not chain; -1 and tiles above top stay.
    EXPECT_EQ(Sector(map, 0, Field::ceilingpicnum), 2);
    EXPECT_EQ(Sector(map, 0, Field::floorpicnum), 3);
    EXPECT_EQ(Sector(map, 1, Field::ceilingpicnum), -1);
    EXPECT_EQ(Sector(map, 1, Field::floorpicnum), 11);
    EXPECT_EQ(Wall(map, 0, Field::picnum), 2);
    EXPECT_EQ(Wall(map, 0, Field::overpicnum), 3);
    EXPECT_EQ(Wall(map, 1, Field::picnum), 3);
    EXPECT_EQ(Wall(map, 1, Field::overpicnum), 7);
    EXPECT_EQ(Wall(map, 2, Field::picnum), -1);
    EXPECT_EQ(Wall(map, 2, Field::overpicnum), 32767);
    EXPECT_EQ(Sprite(map, 0), 6000);
    EXPECT_EQ(Sprite(map, 1), -32768);
    ExpectOnlyTilesChanged(map, before);
  }
}

TEST(ReplaceTilesTest, MapWithoutSprites) {
  const TileSwapTable table = SmallTable();
  for (std::int32_t version = 3; version <= 7; ++version) {
    SCOPED_TRACE("v" + std::to_string(version));
    MapFile map = EmptyMap(version, 1, 1, 0);
    FillPattern(map);
    SetField(map, RecordKind::Sector, 0, Field::ceilingpicnum, 2);
    SetField(map, RecordKind::Sector, 0, Field::floorpicnum, 5);
    SetField(map, RecordKind::Wall, 0, Field::picnum, 2);
    SetField(map, RecordKind::Wall, 0, Field::overpicnum, 1);
    const MapFile before = map;
    ScopedConsoleCapture console;
    ASSERT_EQ(ReplaceTiles(map, table), Ok);
    EXPECT_EQ(Sector(map, 0, Field::ceilingpicnum), 3);
    EXPECT_EQ(Sector(map, 0, Field::floorpicnum), -1);
    EXPECT_EQ(Wall(map, 0, Field::picnum), 3);
    EXPECT_EQ(Wall(map, 0, Field::overpicnum), 2);
    EXPECT_TRUE(map.spritedata.empty());
    ExpectOnlyTilesChanged(map, before);
  }
}

TEST(ReplaceTilesTest, TableAsCreatedChangesNothing) {
  const TileSwapTable table;
  MapFile map = EmptyMap(7, 2, 2, 2);
  FillPattern(map);
  SetField(map, RecordKind::Wall, 0, Field::picnum, 0);
  SetField(map, RecordKind::Wall, 1, Field::picnum, 1);
  const MapFile before = map;
  ScopedConsoleCapture console;
  ASSERT_EQ(ReplaceTiles(map, table), Ok);
  EXPECT_EQ(console.Text(), ":: Replacing tiles\r\n");
  EXPECT_EQ(map.walldata, before.walldata);
  EXPECT_EQ(map.sectordata, before.sectordata);
  EXPECT_EQ(map.spritedata, before.spritedata);
}

TEST(ReplaceTilesTest, UnknownVersionIsLeftAloneSilently) {
  const TileSwapTable table = SmallTable();
  for (const std::int32_t version : {0, 2, 8, -7}) {
    SCOPED_TRACE("v" + std::to_string(version));
    MapFile map = EmptyMap(7, 2, 2, 2);
    for (std::int32_t i = 0; i < 2; ++i) SetField(map, RecordKind::Wall, i, Field::picnum, 1);
    map.mapversion = version;
    const MapFile before = map;
    ScopedConsoleCapture console;
    EXPECT_EQ(ReplaceTiles(map, table), FormatUnsupported);
    EXPECT_EQ(console.Text(), "");
    EXPECT_EQ(map.walldata, before.walldata);
  }
}

// Counts that disagree with the arrays: only whole records that both the count and the array
// have are touched, and nothing is read or written past an array.
TEST(ReplaceTilesTest, CountsThatDisagreeWithTheArrays) {
  const TileSwapTable table = SmallTable();
  for (std::int32_t version = 3; version <= 7; ++version) {
    SCOPED_TRACE("v" + std::to_string(version));
    MapFile map = EmptyMap(version, 3, 3, 3);
    for (const TileField& tile : kTileFields) {
      for (std::int32_t i = 0; i < 3; ++i) SetField(map, tile.kind, i, tile.field, 1);
    }
    const RecordSizes& sizes = RecordSizeTable[version];
    // Sectors: one and a half records for a count of 3.
    map.sectordata.resize(sizes.sector + sizes.sector / 2);
    map.sectordata.shrink_to_fit();
    // Walls: three records for a count of 1.
    map.numwalls = 1;
    // Sprites: a negative count.
    map.numsprites = -1;
    const MapFile before = map;
    ScopedConsoleCapture console;
    ASSERT_EQ(ReplaceTiles(map, table), Ok);
    EXPECT_EQ(Sector(map, 0, Field::ceilingpicnum), 2);
    EXPECT_EQ(Sector(map, 0, Field::floorpicnum), 2);
    EXPECT_TRUE(std::equal(map.sectordata.begin() + sizes.sector, map.sectordata.end(),
                           before.sectordata.begin() + sizes.sector));
    EXPECT_EQ(Wall(map, 0, Field::picnum), 2);
    EXPECT_EQ(Wall(map, 0, Field::overpicnum), 2);
    EXPECT_TRUE(std::equal(map.walldata.begin() + sizes.wall, map.walldata.end(),
                           before.walldata.begin() + sizes.wall));
    EXPECT_EQ(map.spritedata, before.spritedata);
  }
}

// Arrays cut at every length: each is exactly as large as it says, so the sanitizers see any
// access past its end.
TEST(ReplaceTilesTest, TruncatedArrays) {
  const TileSwapTable table = SmallTable();
  for (std::int32_t version = 3; version <= 7; ++version) {
    SCOPED_TRACE("v" + std::to_string(version));
    MapFile full = EmptyMap(version, 2, 2, 2);
    FillPattern(full);
    for (const auto array : {&MapFile::sectordata, &MapFile::walldata, &MapFile::spritedata}) {
      for (std::size_t length = (full.*array).size(); length-- > 0;) {
        MapFile map = full;
        std::vector<std::uint8_t>& cut = map.*array;
        cut.resize(length);
        cut.shrink_to_fit();
        ScopedConsoleCapture console;
        ASSERT_EQ(ReplaceTiles(map, table), Ok);
      }
    }
  }
}

// Tile t becomes 6000 - t for every t a table can hold.
TileSwapTable ReversingTable() {
  TileSwapTable table;
  table.GrowTo(TileSwapTable::kHighestTile);
  for (std::int32_t t = 0; t <= TileSwapTable::kHighestTile; ++t) {
    table.Fill(t, t, static_cast<std::int16_t>(TileSwapTable::kHighestTile - t));
  }
  return table;
}

void ExpectReversed(const MapFile& after, const MapFile& before) {
  int replaced = 0;
  for (const TileField& tile : kTileFields) {
    for (std::int32_t i = 0; i < RecordsHeld(before, tile.kind); ++i) {
      const std::int32_t old = GetField(before, tile.kind, i, tile.field);
      const bool inside = old >= 0 && old <= TileSwapTable::kHighestTile;
      replaced += inside ? 1 : 0;
      ASSERT_EQ(GetField(after, tile.kind, i, tile.field), inside ? TileSwapTable::kHighestTile - old : old)
          << FieldName(tile.field) << " of record " << i;
    }
  }
  EXPECT_GT(replaced, 0);
  ExpectOnlyTilesChanged(after, before);
}

TEST(ReplaceTilesTest, SampleLevelsAtEveryVersion) {
  const TileSwapTable table = ReversingTable();
  for (std::int32_t version = 3; version <= 7; ++version) {
    for (const char* level : {"courtyard", "warehouse"}) {
      SCOPED_TRACE(std::string(level) + " v" + std::to_string(version));
      ScopedConsoleCapture console;
      MapFile map;
      ASSERT_EQ(OpenMap(SamplePath(version, level), map), Ok);
      const MapFile before = map;
      ASSERT_EQ(ReplaceTiles(map, table), Ok);
      ExpectReversed(map, before);
    }
  }
}

// The pass works on the records of the version the map was converted to.
TEST(ReplaceTilesTest, ConvertedSampleLevels) {
  const TileSwapTable table = ReversingTable();
  struct Road {
    std::int32_t from;
    std::int32_t to;
  };
  for (const Road road : {Road{3, 7}, Road{7, 3}}) {
    SCOPED_TRACE("v" + std::to_string(road.from) + " to v" + std::to_string(road.to));
    ScopedConsoleCapture console;
    MapFile map;
    ASSERT_EQ(OpenMap(SamplePath(road.from, "courtyard"), map), Ok);
    while (map.mapversion != road.to) {
      ASSERT_EQ(road.to > road.from ? UpgradeMap(map) : DowngradeMap(map), Ok);
    }
    const MapFile before = map;
    ASSERT_EQ(ReplaceTiles(map, table), Ok);
    ExpectReversed(map, before);
  }
}

}  // namespace
}  // namespace tessaro

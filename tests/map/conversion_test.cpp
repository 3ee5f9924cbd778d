// The version steps: each against hand-built records, whole samples through chains of steps, and
// the sectors that own each wall. The shipped samples were built at version 7 and stepped down.
#include "map/conversion.hpp"

#include <gtest/gtest.h>

#include <random>

#include "map/records.hpp"
#include "tests/map/map_builder.hpp"
#include "tools/sample_level.hpp"

namespace tessaro {
namespace {

using enum Field;
using testing::EmptyMap;
using testing::ExpectFields;
using testing::SameMap;
using testing::SetFields;

constexpr RecordKind kSector = RecordKind::Sector;
constexpr RecordKind kWall = RecordKind::Wall;
constexpr RecordKind kSprite = RecordKind::Sprite;

MapFile Upgraded(MapFile map) {
  EXPECT_EQ(UpgradeMap(map), Ok);
  return map;
}

TEST(UpgradeTest, VersionsThatCannotGoUpAreLeftUntouched) {
  for (std::int32_t version : {7, 2, 8, 0}) {
    MapFile map = EmptyMap(7, 1, 2, 1);
    map.mapversion = version;
    map.walldata[5] = 42;
    const MapFile before = map;
    EXPECT_EQ(UpgradeMap(map), CannotUpgrade);
    EXPECT_TRUE(SameMap(map, before)) << version;
  }
}

TEST(UpgradeTest, Step3To4SplitsSectorPanningByTheStatusBit) {
  MapFile map = EmptyMap(3, 2, 1, 0);
  SetFields(map, {{kSector, 0, ceilingstat, 5}, {kSector, 0, ceilingpanning, 10}, {kSector, 0, floorstat, 1},
                  {kSector, 0, floorpanning, 20}, {kSector, 1, ceilingstat, 1}, {kSector, 1, ceilingpanning, 10},
                  {kSector, 1, floorstat, 4 + 128}, {kSector, 1, floorpanning, 30}, {kSector, 1, ceilingz, -70000},
                  {kSector, 1, hitag, 9}});
  const MapFile v4 = Upgraded(map);
  ExpectFields(v4, {{kSector, 0, ceilingstat, 1}, {kSector, 0, ceilingxpanning, 0}, {kSector, 0, ceilingypanning, 10},
                    {kSector, 0, floorxpanning, 20}, {kSector, 0, floorypanning, 0}, {kSector, 1, ceilingstat, 1},
                    {kSector, 1, ceilingxpanning, 10}, {kSector, 1, ceilingypanning, 0}, {kSector, 1, floorstat, 128},
                    {kSector, 1, floorypanning, 30}, {kSector, 1, ceilingz, -70000}});
  EXPECT_EQ(v4.sectordata[32 + 30], 9) << "hitag at offset 30 of the second record";
}

TEST(UpgradeTest, Step3To4SplitsWallPanning) {
  MapFile map = EmptyMap(3, 1, 2, 0);
  SetFields(map, {{kWall, 0, cstat, 64 + 16}, {kWall, 0, panning, 7}, {kWall, 1, cstat, 1}, {kWall, 1, panning, 7},
                  {kWall, 1, nextwall2, -1}});
  ExpectFields(Upgraded(map), {{kWall, 0, cstat, 16}, {kWall, 0, xpanning, 0}, {kWall, 0, ypanning, 7},
                               {kWall, 1, cstat, 1}, {kWall, 1, xpanning, 7}, {kWall, 1, ypanning, 0},
                               {kWall, 1, nextwall2, -1}});
}

TEST(UpgradeTest, MaskedWallPassTakesTheOtherSidesPicture) {
  MapFile map = EmptyMap(3, 1, 6, 0);
  for (std::int32_t wall = 0; wall < 6; ++wall) {
    SetFields(map, {{kWall, wall, picnum, 100 + wall}, {kWall, wall, nextwall, 5}, {kWall, wall, cstat, 16}});
  }
  SetFields(map, {{kWall, 1, nextwall, -1},      // no other side
                  {kWall, 2, overpicnum, 77},    // already has a mask
                  {kWall, 3, cstat, 0},          // not masked
                  {kWall, 4, nextwall, 6}});     // beyond the wall array
  // Wall 5 is its own other side.
  ExpectFields(Upgraded(map), {{kWall, 0, overpicnum, 105}, {kWall, 1, overpicnum, 0}, {kWall, 2, overpicnum, 77},
                               {kWall, 3, overpicnum, 0}, {kWall, 4, overpicnum, 0}, {kWall, 5, overpicnum, 105}});
}

TEST(UpgradeTest, Step3To4SpritesLoseSpareAndGainVelocities) {
  MapFile map = EmptyMap(3, 1, 1, 1);
  SetFields(map, {{kSprite, 0, spare, 1234}, {kSprite, 0, zvel, -300}, {kSprite, 0, extra, 0x12345678},
                  {kSprite, 0, statnum, 3}});
  const MapFile v4 = Upgraded(map);
  ExpectFields(v4, {{kSprite, 0, xvel, 0}, {kSprite, 0, yvel, 0}, {kSprite, 0, zvel, -300},
                    {kSprite, 0, extra, 0x12345678}, {kSprite, 0, statnum, 3}});
  EXPECT_EQ(v4.spritedata[24], 0xD4) << "zvel moved from offset 22 to 24";
}

TEST(UpgradeTest, Step4To5WidensStatusBytesWithZerosAndSetsNewFields) {
  MapFile map = EmptyMap(4, 1, 2, 1);
  for (std::size_t i = 0; i < 36; ++i) map.spritedata[i] = static_cast<std::uint8_t>(i + 1);
  SetFields(map, {{kWall, 0, cstat, 128}, {kWall, 1, cstat, 65}, {kSector, 0, lotag, -1}, {kSector, 0, hitag, 5},
                  {kSector, 0, floorstat, 0x82}, {kSprite, 0, extra, 99}});
  const MapFile v5 = Upgraded(map);
  // Bit 7 of a status must not smear into bits 8 to 15.
  ExpectFields(v5, {{kWall, 0, cstat, 128}, {kWall, 1, cstat, 65}, {kSector, 0, floorstat, 0x82},
                    {kSector, 0, lotag, -1}, {kSector, 0, hitag, 5}, {kSector, 0, ceilingpal, 0},
                    {kSector, 0, floorpal, 0}, {kSector, 0, visibility, 0}, {kSector, 0, extra, -1},
                    {kWall, 0, extra, -1}, {kWall, 1, extra, -1}, {kSprite, 0, extra, -1}});
  for (std::size_t i = 0; i < 36; ++i) EXPECT_EQ(v5.spritedata[i], i + 1) << "sprite byte " << i;
}

TEST(UpgradeTest, Step5To6WallPaletteComesFromTheLowestSectorHoldingTheWall) {
  // Sector 0 holds walls 0-1, sector 1 walls 1-3 (overlapping), sector 2 none, sector 3 walls 5-6.
  const std::int32_t sectors[4][3] = {{0, 2, 11}, {1, 3, 12}, {4, 0, 13}, {5, 2, 14}};
  MapFile map = EmptyMap(5, 4, 8, 0);
  for (std::int32_t s = 0; s < 4; ++s) {
    SetFields(map, {{kSector, s, wallptr, sectors[s][0]}, {kSector, s, wallnum, sectors[s][1]},
                    {kSector, s, floorpal, sectors[s][2]}});
  }
  const MapFile v6 = Upgraded(map);
  const std::int32_t expected[8] = {11, 11, 12, 12, 0, 14, 14, 0};
  for (std::int32_t wall = 0; wall < 8; ++wall) EXPECT_EQ(GetField(v6, kWall, wall, pal), expected[wall]) << wall;

  MapFile noisy = EmptyMap(5, 3, 1, 0);
  for (std::size_t i = 0; i < noisy.sectordata.size(); ++i) noisy.sectordata[i] = static_cast<std::uint8_t>(i * 7);
  EXPECT_EQ(Upgraded(noisy).sectordata, noisy.sectordata) << "sectors are kept byte for byte";
}

TEST(UpgradeTest, Step5To6SpritePaletteFollowsTheSectorsCeilingOrFloor) {
  MapFile map = EmptyMap(5, 2, 1, 4);
  SetFields(map, {{kSector, 0, ceilingstat, 1}, {kSector, 0, ceilingpal, 4}, {kSector, 0, floorpal, 6},
                  {kSector, 1, ceilingpal, 4}, {kSector, 1, floorpal, 6}});
  const std::int32_t sectors[4] = {0, 1, -1, 2};
  for (std::int32_t sprite = 0; sprite < 4; ++sprite) {
    SetFields(map, {{kSprite, sprite, sectnum, sectors[sprite]}, {kSprite, sprite, cstat, 128 + 1}});
  }
  const MapFile v6 = Upgraded(map);
  const std::int32_t expected[4] = {4, 6, 0, 0};
  for (std::int32_t sprite = 0; sprite < 4; ++sprite) {
    // A centred sprite stays visible.
    ExpectFields(v6, {{kSprite, sprite, pal, expected[sprite]}, {kSprite, sprite, clipdist, 32},
                      {kSprite, sprite, xoffset, 0}, {kSprite, sprite, yoffset, 0}, {kSprite, sprite, cstat, 129},
                      {kSprite, sprite, sectnum, sectors[sprite]}});
  }
}

TEST(UpgradeTest, Step6To7RescalesSlopesAndWidensStatus) {
  struct Case {
    std::int32_t stat, slope, expected_slope;
  };
  const Case cases[] = {{2, 100, 3200}, {2, 2000, 32767}, {2, -2000, -32768}, {0, 100, 0}, {130, 5, 160}};
  MapFile map = EmptyMap(6, static_cast<std::int16_t>(std::size(cases)), 1, 0);
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(cases)); ++i) {
    SetFields(map, {{kSector, i, ceilingstat, cases[i].stat}, {kSector, i, ceilingheinum, cases[i].slope},
                    {kSector, i, floorstat, cases[i].stat}, {kSector, i, floorheinum, cases[i].slope}});
  }
  const MapFile v7 = Upgraded(map);
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(cases)); ++i) {
    ExpectFields(v7, {{kSector, i, ceilingheinum, cases[i].expected_slope},
                      {kSector, i, floorheinum, cases[i].expected_slope}, {kSector, i, ceilingstat, cases[i].stat},
                      {kSector, i, filler, 0}});
  }
}

TEST(UpgradeTest, Step6To7SwapsNextSectorAndNextWallPlaces) {
  MapFile map = EmptyMap(6, 1, 1, 1);
  map.walldata[10] = 2;  // nextsector
  map.walldata[12] = 9;  // nextwall
  SetFields(map, {{kSprite, 0, picnum, 1405}, {kSprite, 0, owner, -1}});
  const MapFile v7 = Upgraded(map);
  EXPECT_EQ(v7.walldata[10], 9);
  EXPECT_EQ(v7.walldata[12], 2);
  ExpectFields(v7, {{kWall, 0, nextwall, 9}, {kWall, 0, nextsector, 2}, {kSprite, 0, picnum, 1405},
                    {kSprite, 0, owner, -1}});
}

MapFile Downgraded(MapFile map) {
  EXPECT_EQ(DowngradeMap(map), Ok);
  return map;
}

TEST(DowngradeTest, VersionsThatCannotGoDownAreLeftUntouched) {
  for (std::int32_t version : {3, 2, 8}) {
    MapFile map = EmptyMap(3, 1, 1, 1);
    map.mapversion = version;
    map.sectordata[3] = 9;
    const MapFile before = map;
    EXPECT_EQ(DowngradeMap(map), CannotDowngrade);
    EXPECT_TRUE(SameMap(map, before)) << version;
  }
}

TEST(DowngradeTest, Step7To6ShiftsSlopesAndDropsTheirBitWhenTheyVanish) {
  struct Case {
    std::int32_t slope, stat, expected_slope, expected_stat;
  };
  const Case cases[] = {
      {31, 2, 0, 0},   {-1, 2, -1, 2},     {4096, 2, 128, 2}, {-32768, 2, -1024, 2},
      {-33, 3, -2, 3}, {64, 0x0102, 2, 2}, {0, 0x0103, 0, 1},
  };
  MapFile map = EmptyMap(7, static_cast<std::int16_t>(std::size(cases)), 1, 0);
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(cases)); ++i) {
    SetFields(map, {{kSector, i, ceilingheinum, cases[i].slope}, {kSector, i, ceilingstat, cases[i].stat},
                    {kSector, i, floorheinum, cases[i].slope}, {kSector, i, floorstat, cases[i].stat}});
  }
  const MapFile v6 = Downgraded(map);
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(cases)); ++i) {
    ExpectFields(v6, {{kSector, i, ceilingheinum, cases[i].expected_slope},
                      {kSector, i, ceilingstat, cases[i].expected_stat},
                      {kSector, i, floorheinum, cases[i].expected_slope},
                      {kSector, i, floorstat, cases[i].expected_stat}});
  }
}

TEST(DowngradeTest, Step7To6ReordersWallsAndSprites) {
  MapFile map = EmptyMap(7, 1, 1, 1);
  map.walldata[10] = 9;  // nextwall
  map.walldata[12] = 2;  // nextsector
  SetFields(map, {{kWall, 0, cstat, 0x4321}, {kSprite, 0, filler, 7}, {kSprite, 0, xoffset, -3},
                  {kSprite, 0, owner, 12}});
  const MapFile v6 = Downgraded(map);
  EXPECT_EQ(v6.walldata[10], 2);
  EXPECT_EQ(v6.walldata[12], 9);
  ExpectFields(v6, {{kWall, 0, cstat, 0x4321}, {kSprite, 0, xoffset, -3}, {kSprite, 0, owner, 12}});
}

TEST(DowngradeTest, Step6To5SetsSecondPortalsAndNarrowsSpriteStatus) {
  MapFile map = EmptyMap(6, 2, 2, 1);
  for (std::size_t i = 0; i < map.sectordata.size(); ++i) map.sectordata[i] = static_cast<std::uint8_t>(i);
  SetFields(map, {{kWall, 0, pal, 3}, {kWall, 1, cstat, 0x0101}, {kSprite, 0, cstat, 0x0181}, {kSprite, 0, extra, -7}});
  const MapFile v5 = Downgraded(map);
  EXPECT_EQ(v5.sectordata, map.sectordata) << "sectors are copied byte for byte";
  for (std::size_t at : {25u, 26u, 27u, 28u, 35u + 25, 35u + 26, 35u + 27, 35u + 28}) {
    EXPECT_EQ(v5.walldata[at], 0xFF) << "wall byte " << at;
  }
  ExpectFields(v5, {{kWall, 1, cstat, 0x0101}, {kSprite, 0, cstat, 0x81}, {kSprite, 0, extra, -7}});
}

TEST(DowngradeTest, Step5To4NarrowsWallStatusAndSpriteExtra) {
  MapFile map = EmptyMap(5, 1, 1, 2);
  SetFields(map, {{kSector, 0, lotag, -1}, {kSector, 0, hitag, 5}, {kSector, 0, ceilingheinum, -77},
                  {kWall, 0, cstat, 0x1FF}, {kSprite, 0, extra, 0x1234}, {kSprite, 1, extra, -1}});
  // No rescaling of slopes below version 7.
  ExpectFields(Downgraded(map), {{kSector, 0, lotag, -1}, {kSector, 0, hitag, 5}, {kSector, 0, ceilingheinum, -77},
                                 {kWall, 0, cstat, 0xFF}, {kSprite, 0, extra, 0x34}, {kSprite, 1, extra, 255}});
}

TEST(DowngradeTest, Step4To3MergesPanningAndSetsTheAxisBit) {
  MapFile map = EmptyMap(4, 3, 2, 1);
  SetFields(map, {{kSector, 0, ceilingstat, 4 + 1}, {kSector, 0, floorstat, 2}, {kSector, 1, ceilingxpanning, 8},
                  {kSector, 1, ceilingypanning, 16}, {kSector, 1, ceilingstat, 4}, {kSector, 1, floorypanning, 9},
                  {kSector, 1, floorstat, 64}, {kWall, 0, ypanning, 7}, {kWall, 1, xpanning, 3},
                  {kWall, 1, cstat, 64 + 1}, {kSprite, 0, xvel, 5}, {kSprite, 0, zvel, -9},
                  {kSprite, 0, extra, 100000}});
  // Both pannings 0 give the y axis; each surface keeps its other bits.
  ExpectFields(Downgraded(map),
               {{kSector, 0, ceilingpanning, 0}, {kSector, 0, ceilingstat, 5}, {kSector, 0, floorstat, 2 + 4},
                {kSector, 1, ceilingpanning, 8}, {kSector, 1, ceilingstat, 0}, {kSector, 1, floorpanning, 9},
                {kSector, 1, floorstat, 64 + 4}, {kWall, 0, panning, 7}, {kWall, 0, cstat, 64},
                {kWall, 1, panning, 3}, {kWall, 1, cstat, 1}, {kSprite, 0, spare, 0}, {kSprite, 0, zvel, -9},
                {kSprite, 0, extra, 100000}});
}

TEST(DowngradeTest, PanningSurvivesARoundTripThroughVersion3OnItsAxis) {
  MapFile map = EmptyMap(4, 2, 2, 0);
  SetFields(map, {{kSector, 0, ceilingypanning, 12}, {kSector, 1, floorxpanning, 200}, {kWall, 0, ypanning, 7},
                  {kWall, 1, xpanning, 5}});
  MapFile back = Downgraded(map);
  ASSERT_EQ(UpgradeMap(back), Ok);
  EXPECT_EQ(back.sectordata, map.sectordata);
  EXPECT_EQ(back.walldata, map.walldata);
}

MapFile OpenSample(int version, const char* level) {
  MapFile map;
  EXPECT_EQ(testing::OpenQuietly(testing::SamplePath(version, level), map), Ok);
  return map;
}

// From 7 down to 3; below 7, one step up and down again keeps what the version holds.
TEST(ChainTest, ShippedSamplesAreWhatTheGeneratorAndDowngradesMakeNow) {
  struct Level {
    const char* name;
    std::int32_t rooms;
    std::uint32_t seed;
  };
  for (const Level& level : {Level{"courtyard", 5, 1}, Level{"warehouse", 12, 2}}) {
    MapFile map = BuildSampleLevel(level.rooms, level.seed);
    for (int version = 7; version >= 3; --version) {
      SCOPED_TRACE(std::string(level.name) + " v" + std::to_string(version));
      EXPECT_TRUE(SameMap(map, OpenSample(version, level.name)));
      if (version == 3) break;
      ASSERT_EQ(DowngradeMap(map), Ok);
      MapFile there_and_back = map;
      ASSERT_EQ(UpgradeMap(there_and_back), Ok);
      ASSERT_EQ(DowngradeMap(there_and_back), Ok);
      EXPECT_TRUE(SameMap(there_and_back, map)) << "one step up and down again";
    }
  }
}

TEST(ChainTest, Version3To7KeepsGeometryTilesAndTags) {
  MapFile map = OpenSample(3, "courtyard");
  const MapFile v3 = map;
  for (int step = 0; step < 4; ++step) ASSERT_EQ(UpgradeMap(map), Ok);
  ASSERT_EQ(map.mapversion, 7);
  for (std::int32_t wall = 0; wall < v3.numwalls; ++wall) {
    for (Field f : {x, y, point2, nextwall, nextsector, picnum, overpicnum, lotag, hitag}) {
      EXPECT_EQ(GetField(map, RecordKind::Wall, wall, f), GetField(v3, RecordKind::Wall, wall, f))
          << FieldName(f) << " of wall " << wall;
    }
    EXPECT_EQ(GetField(map, RecordKind::Wall, wall, cstat), GetField(v3, RecordKind::Wall, wall, cstat) & ~64);
  }
  for (std::int32_t sprite = 0; sprite < v3.numsprites; ++sprite) {
    for (Field f : {x, y, z, picnum, sectnum, statnum, ang, owner, lotag, hitag, cstat}) {
      EXPECT_EQ(GetField(map, RecordKind::Sprite, sprite, f), GetField(v3, RecordKind::Sprite, sprite, f))
          << FieldName(f) << " of sprite " << sprite;
    }
    EXPECT_EQ(GetField(map, RecordKind::Sprite, sprite, clipdist), 32);
  }
}

// The one-sweep answer must be the plain definition's: the lowest sector whose range holds the wall.
TEST(SectorOfWallTest, SweepAgreesWithThePlainScanOnRandomRanges) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const auto sectors = static_cast<std::int16_t>(1 + random() % 40);
    const auto walls = static_cast<std::int16_t>(1 + random() % 120);
    MapFile map = EmptyMap(5, sectors, walls, 0);
    for (std::int32_t sector = 0; sector < sectors; ++sector) {
      // Mostly plausible ranges, some empty, overlapping, past the end, or negative as signed.
      const std::int32_t kind = static_cast<std::int32_t>(random() % 10);
      std::int32_t first = static_cast<std::int32_t>(random() % (static_cast<std::uint32_t>(walls) + 10));
      std::int32_t count = static_cast<std::int32_t>(random() % 12);
      if (kind == 0) count = 0;
      if (kind == 1) first = 0xFFF0;
      if (kind == 2) count = 0xFFFF;
      SetField(map, RecordKind::Sector, sector, wallptr, first);
      SetField(map, RecordKind::Sector, sector, wallnum, count);
    }
    const std::vector<std::int32_t> swept = SectorsOfWalls(map);
    ASSERT_EQ(swept.size(), static_cast<std::size_t>(walls));
    for (std::int32_t wall = 0; wall < walls; ++wall) {
      ASSERT_EQ(swept[static_cast<std::size_t>(wall)], SectorOfWall(map, wall)) << "round " << round << " wall " << wall;
    }
  }
}

TEST(SectorOfWallTest, PlainScanCases) {
  MapFile map = EmptyMap(5, 3, 10, 0);
  SetFields(map, {{RecordKind::Sector, 0, wallptr, 4}, {RecordKind::Sector, 0, wallnum, 2},
                           {RecordKind::Sector, 1, wallptr, 0}, {RecordKind::Sector, 1, wallnum, 6}});
  EXPECT_EQ(SectorOfWall(map, 0), 1);
  EXPECT_EQ(SectorOfWall(map, 4), 0);
  EXPECT_EQ(SectorOfWall(map, 5), 0);
  EXPECT_EQ(SectorOfWall(map, 6), -1);
  EXPECT_EQ(SectorOfWall(map, -1), -1);
  map.mapversion = 6;
  EXPECT_EQ(SectorOfWall(map, 0), -1) << "only defined on version 5";
}

TEST(SectorOfWallTest, HugeOverlappingRangesStayLinear) {
  MapFile map = EmptyMap(5, 32767, 32767, 0);
  for (std::int32_t sector = 0; sector < 32767; ++sector) {
    SetField(map, RecordKind::Sector, sector, wallptr, 0);
    SetField(map, RecordKind::Sector, sector, wallnum, 0xFFFF);
  }
  const std::vector<std::int32_t> swept = SectorsOfWalls(map);
  for (std::int32_t owner : swept) ASSERT_EQ(owner, 0);
}

}  // namespace
}  // namespace tessaro

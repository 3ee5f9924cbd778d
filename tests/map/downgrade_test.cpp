#include <gtest/gtest.h>

#include "map/conversion.hpp"
#include "map/records.hpp"
#include "tests/map/map_builder.hpp"

namespace tessaro {
namespace {

using enum Field;
using testing::EmptyMap;

constexpr RecordKind kSector = RecordKind::Sector;
constexpr RecordKind kWall = RecordKind::Wall;
constexpr RecordKind kSprite = RecordKind::Sprite;

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
    EXPECT_EQ(map.mapversion, version);
    EXPECT_EQ(map.numsectors, 1);
    EXPECT_EQ(map.sectordata, before.sectordata);
  }
}

TEST(DowngradeTest, FourStepsReachVersion3AndAFifthFails) {
  MapFile map = EmptyMap(7, 2, 2, 0);
  for (std::int32_t version = 6; version >= 3; --version) {
    ASSERT_EQ(DowngradeMap(map), Ok);
    EXPECT_EQ(map.mapversion, version);
    EXPECT_TRUE(map.spritedata.empty());
    EXPECT_EQ(map.wallbytes(), 2 * RecordSizeTable[version].wall);
  }
  EXPECT_EQ(DowngradeMap(map), CannotDowngrade);
}

TEST(DowngradeTest, Step7To6ShiftsSlopesAndDropsTheirBitWhenTheyVanish) {
  struct Case {
    std::int32_t slope, stat, expected_slope, expected_stat;
  };
  const Case cases[] = {
      {31, 2, 0, 0},       {-1, 2, -1, 2},     {4096, 2, 128, 2},   {-32768, 2, -1024, 2},
      {-33, 3, -2, 3},     {64, 0x0102, 2, 2}, {0, 0x0103, 0, 1},
  };
  MapFile map = EmptyMap(7, static_cast<std::int16_t>(std::size(cases)), 1, 0);
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(cases)); ++i) {
    SetField(map, kSector, i, ceilingheinum, cases[i].slope);
    SetField(map, kSector, i, ceilingstat, cases[i].stat);
    SetField(map, kSector, i, floorheinum, cases[i].slope);
    SetField(map, kSector, i, floorstat, cases[i].stat);
  }
  const MapFile v6 = Downgraded(map);
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(cases)); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(GetField(v6, kSector, i, ceilingheinum), cases[i].expected_slope);
    EXPECT_EQ(GetField(v6, kSector, i, ceilingstat), cases[i].expected_stat);
    EXPECT_EQ(GetField(v6, kSector, i, floorheinum), cases[i].expected_slope);
    EXPECT_EQ(GetField(v6, kSector, i, floorstat), cases[i].expected_stat);
  }
}

TEST(DowngradeTest, Step7To6ReordersWallsAndSprites) {
  MapFile map = EmptyMap(7, 1, 1, 1);
  map.walldata[10] = 9;  // nextwall
  map.walldata[12] = 2;  // nextsector
  SetField(map, kWall, 0, cstat, 0x4321);
  SetField(map, kSprite, 0, filler, 7);
  SetField(map, kSprite, 0, xoffset, -3);
  SetField(map, kSprite, 0, owner, 12);
  const MapFile v6 = Downgraded(map);
  EXPECT_EQ(v6.walldata[10], 2);
  EXPECT_EQ(v6.walldata[12], 9);
  EXPECT_EQ(GetField(v6, kWall, 0, cstat), 0x4321);
  EXPECT_EQ(GetField(v6, kSprite, 0, xoffset), -3);
  EXPECT_EQ(GetField(v6, kSprite, 0, owner), 12);
}

TEST(DowngradeTest, Step6To5SetsSecondPortalsAndNarrowsSpriteStatus) {
  MapFile map = EmptyMap(6, 2, 2, 1);
  for (std::size_t i = 0; i < map.sectordata.size(); ++i) map.sectordata[i] = static_cast<std::uint8_t>(i);
  SetField(map, kWall, 0, pal, 3);
  SetField(map, kWall, 1, cstat, 0x0101);
  SetField(map, kSprite, 0, cstat, 0x0181);
  SetField(map, kSprite, 0, extra, -7);
  const MapFile v5 = Downgraded(map);
  EXPECT_EQ(v5.sectordata, map.sectordata) << "sectors are copied byte for byte";
  for (std::int32_t wall = 0; wall < 2; ++wall) {
    const std::size_t at = static_cast<std::size_t>(wall) * 35;
    EXPECT_EQ(v5.walldata[at + 25], 0xFF);
    EXPECT_EQ(v5.walldata[at + 26], 0xFF);
    EXPECT_EQ(v5.walldata[at + 27], 0xFF);
    EXPECT_EQ(v5.walldata[at + 28], 0xFF);
  }
  EXPECT_EQ(GetField(v5, kWall, 1, cstat), 0x0101);
  EXPECT_EQ(GetField(v5, kSprite, 0, cstat), 0x81);
  EXPECT_EQ(GetField(v5, kSprite, 0, extra), -7);
}

TEST(DowngradeTest, Step5To4NarrowsWallStatusAndSpriteExtra) {
  MapFile map = EmptyMap(5, 1, 1, 2);
  SetField(map, kSector, 0, lotag, -1);
  SetField(map, kSector, 0, hitag, 5);
  SetField(map, kSector, 0, ceilingheinum, -77);
  SetField(map, kWall, 0, cstat, 0x1FF);
  SetField(map, kSprite, 0, extra, 0x1234);
  SetField(map, kSprite, 1, extra, -1);
  const MapFile v4 = Downgraded(map);
  EXPECT_EQ(GetField(v4, kSector, 0, lotag), -1);
  EXPECT_EQ(GetField(v4, kSector, 0, hitag), 5);
  EXPECT_EQ(GetField(v4, kSector, 0, ceilingheinum), -77) << "no rescaling below version 7";
  EXPECT_EQ(GetField(v4, kWall, 0, cstat), 0xFF);
  EXPECT_EQ(GetField(v4, kSprite, 0, extra), 0x34);
  EXPECT_EQ(GetField(v4, kSprite, 1, extra), 255);
}

TEST(DowngradeTest, Step4To3MergesPanningAndSetsTheAxisBit) {
  MapFile map = EmptyMap(4, 3, 2, 1);
  SetField(map, kSector, 0, ceilingstat, 4 + 1);
  SetField(map, kSector, 0, floorstat, 2);
  SetField(map, kSector, 1, ceilingxpanning, 8);
  SetField(map, kSector, 1, ceilingypanning, 16);
  SetField(map, kSector, 1, ceilingstat, 4);
  SetField(map, kSector, 1, floorypanning, 9);
  SetField(map, kSector, 1, floorstat, 64);
  SetField(map, kWall, 0, ypanning, 7);
  SetField(map, kWall, 1, xpanning, 3);
  SetField(map, kWall, 1, cstat, 64 + 1);
  SetField(map, kSprite, 0, xvel, 5);
  SetField(map, kSprite, 0, zvel, -9);
  SetField(map, kSprite, 0, extra, 100000);
  const MapFile v3 = Downgraded(map);
  EXPECT_EQ(GetField(v3, kSector, 0, ceilingpanning), 0);
  EXPECT_EQ(GetField(v3, kSector, 0, ceilingstat), 5) << "both pannings 0: the y axis";
  EXPECT_EQ(GetField(v3, kSector, 0, floorstat), 2 + 4);
  EXPECT_EQ(GetField(v3, kSector, 1, ceilingpanning), 8);
  EXPECT_EQ(GetField(v3, kSector, 1, ceilingstat), 0);
  EXPECT_EQ(GetField(v3, kSector, 1, floorpanning), 9);
  EXPECT_EQ(GetField(v3, kSector, 1, floorstat), 64 + 4) << "each surface keeps its other bits";
  EXPECT_EQ(GetField(v3, kWall, 0, panning), 7);
  EXPECT_EQ(GetField(v3, kWall, 0, cstat), 64);
  EXPECT_EQ(GetField(v3, kWall, 1, panning), 3);
  EXPECT_EQ(GetField(v3, kWall, 1, cstat), 1);
  EXPECT_EQ(GetField(v3, kSprite, 0, spare), 0);
  EXPECT_EQ(GetField(v3, kSprite, 0, zvel), -9);
  EXPECT_EQ(GetField(v3, kSprite, 0, extra), 100000);
}

TEST(DowngradeTest, PanningSurvivesARoundTripThroughVersion3OnItsAxis) {
  MapFile map = EmptyMap(4, 2, 2, 0);
  SetField(map, kSector, 0, ceilingypanning, 12);
  SetField(map, kSector, 1, floorxpanning, 200);
  SetField(map, kWall, 0, ypanning, 7);
  SetField(map, kWall, 1, xpanning, 5);
  MapFile back = Downgraded(map);
  ASSERT_EQ(UpgradeMap(back), Ok);
  EXPECT_EQ(GetField(back, kSector, 0, ceilingypanning), 12);
  EXPECT_EQ(GetField(back, kSector, 0, ceilingxpanning), 0);
  EXPECT_EQ(GetField(back, kSector, 1, floorxpanning), 200);
  EXPECT_EQ(GetField(back, kWall, 0, ypanning), 7);
  EXPECT_EQ(GetField(back, kWall, 1, xpanning), 5);
  EXPECT_EQ(back.sectordata, map.sectordata);
  EXPECT_EQ(back.walldata, map.walldata);
}

}  // namespace
}  // namespace tessaro

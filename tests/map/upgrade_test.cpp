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
    EXPECT_EQ(map.mapversion, version);
    EXPECT_EQ(map.walldata, before.walldata);
    EXPECT_EQ(map.sectordata, before.sectordata);
  }
}

TEST(UpgradeTest, HeaderAndCountsPassThroughEveryStep) {
  MapFile map = EmptyMap(3, 2, 3, 4);
  map.posx = -5;
  map.posy = 6;
  map.posz = 1 << 20;
  map.ang = 1536;
  map.cursectnum = 1;
  for (std::int32_t version = 4; version <= 7; ++version) {
    map = Upgraded(map);
    EXPECT_EQ(map.mapversion, version);
    EXPECT_EQ(map.posx, -5);
    EXPECT_EQ(map.posz, 1 << 20);
    EXPECT_EQ(map.ang, 1536);
    EXPECT_EQ(map.cursectnum, 1);
    EXPECT_EQ(map.sectorbytes(), 2 * RecordSizeTable[version].sector);
    EXPECT_EQ(map.wallbytes(), 3 * RecordSizeTable[version].wall);
    EXPECT_EQ(map.spritebytes(), 4 * RecordSizeTable[version].sprite);
  }
}

TEST(UpgradeTest, MapWithoutSpritesStaysWithoutThem) {
  MapFile map = EmptyMap(3, 1, 1, 0);
  for (int step = 0; step < 4; ++step) {
    map = Upgraded(map);
    EXPECT_TRUE(map.spritedata.empty());
    EXPECT_EQ(map.spritebytes(), 0u);
  }
}

TEST(UpgradeTest, Step3To4SplitsSectorPanningByTheStatusBit) {
  MapFile map = EmptyMap(3, 2, 1, 0);
  SetField(map, kSector, 0, ceilingstat, 5);
  SetField(map, kSector, 0, ceilingpanning, 10);
  SetField(map, kSector, 0, floorstat, 1);
  SetField(map, kSector, 0, floorpanning, 20);
  SetField(map, kSector, 1, ceilingstat, 1);
  SetField(map, kSector, 1, ceilingpanning, 10);
  SetField(map, kSector, 1, floorstat, 4 + 128);
  SetField(map, kSector, 1, floorpanning, 30);
  SetField(map, kSector, 1, ceilingz, -70000);
  SetField(map, kSector, 1, hitag, 9);
  const MapFile v4 = Upgraded(map);
  EXPECT_EQ(GetField(v4, kSector, 0, ceilingstat), 1);
  EXPECT_EQ(GetField(v4, kSector, 0, ceilingxpanning), 0);
  EXPECT_EQ(GetField(v4, kSector, 0, ceilingypanning), 10);
  EXPECT_EQ(GetField(v4, kSector, 0, floorxpanning), 20);
  EXPECT_EQ(GetField(v4, kSector, 0, floorypanning), 0);
  EXPECT_EQ(GetField(v4, kSector, 1, ceilingstat), 1);
  EXPECT_EQ(GetField(v4, kSector, 1, ceilingxpanning), 10);
  EXPECT_EQ(GetField(v4, kSector, 1, ceilingypanning), 0);
  EXPECT_EQ(GetField(v4, kSector, 1, floorstat), 128);
  EXPECT_EQ(GetField(v4, kSector, 1, floorypanning), 30);
  EXPECT_EQ(GetField(v4, kSector, 1, ceilingz), -70000);
  EXPECT_EQ(v4.sectordata[32 + 30], 9) << "hitag at offset 30 of the second record";
}

TEST(UpgradeTest, Step3To4SplitsWallPanning) {
  MapFile map = EmptyMap(3, 1, 2, 0);
  SetField(map, kWall, 0, cstat, 64 + 16);
  SetField(map, kWall, 0, panning, 7);
  SetField(map, kWall, 1, cstat, 1);
  SetField(map, kWall, 1, panning, 7);
  SetField(map, kWall, 1, nextwall2, -1);
  const MapFile v4 = Upgraded(map);
  EXPECT_EQ(GetField(v4, kWall, 0, cstat), 16);
  EXPECT_EQ(GetField(v4, kWall, 0, xpanning), 0);
  EXPECT_EQ(GetField(v4, kWall, 0, ypanning), 7);
  EXPECT_EQ(GetField(v4, kWall, 1, cstat), 1);
  EXPECT_EQ(GetField(v4, kWall, 1, xpanning), 7);
  EXPECT_EQ(GetField(v4, kWall, 1, ypanning), 0);
  EXPECT_EQ(GetField(v4, kWall, 1, nextwall2), -1);
}

TEST(UpgradeTest, MaskedWallPassTakesTheOtherSidesPicture) {
  MapFile map = EmptyMap(3, 1, 6, 0);
  for (std::int32_t wall = 0; wall < 6; ++wall) {
    SetField(map, kWall, wall, picnum, 100 + wall);
    SetField(map, kWall, wall, nextwall, 5);
    SetField(map, kWall, wall, cstat, 16);
  }
  SetField(map, kWall, 1, nextwall, -1);       // no other side
  SetField(map, kWall, 2, overpicnum, 77);     // already has a mask
  SetField(map, kWall, 3, cstat, 0);           // not masked
  SetField(map, kWall, 4, nextwall, 6);        // beyond the wall array
  const MapFile v4 = Upgraded(map);
  EXPECT_EQ(GetField(v4, kWall, 0, overpicnum), 105);
  EXPECT_EQ(GetField(v4, kWall, 1, overpicnum), 0);
  EXPECT_EQ(GetField(v4, kWall, 2, overpicnum), 77);
  EXPECT_EQ(GetField(v4, kWall, 3, overpicnum), 0);
  EXPECT_EQ(GetField(v4, kWall, 4, overpicnum), 0);
  EXPECT_EQ(GetField(v4, kWall, 5, overpicnum), 105) << "a wall may be its own other side";
}

TEST(UpgradeTest, Step3To4SpritesLoseSpareAndGainVelocities) {
  MapFile map = EmptyMap(3, 1, 1, 1);
  SetField(map, kSprite, 0, spare, 1234);
  SetField(map, kSprite, 0, zvel, -300);
  SetField(map, kSprite, 0, extra, 0x12345678);
  SetField(map, kSprite, 0, statnum, 3);
  const MapFile v4 = Upgraded(map);
  EXPECT_EQ(GetField(v4, kSprite, 0, xvel), 0);
  EXPECT_EQ(GetField(v4, kSprite, 0, yvel), 0);
  EXPECT_EQ(GetField(v4, kSprite, 0, zvel), -300);
  EXPECT_EQ(v4.spritedata[24], 0xD4) << "zvel moved from offset 22 to 24";
  EXPECT_EQ(GetField(v4, kSprite, 0, extra), 0x12345678);
  EXPECT_EQ(GetField(v4, kSprite, 0, statnum), 3);
}

TEST(UpgradeTest, Step4To5WidensStatusBytesWithZerosAndSetsNewFields) {
  MapFile map = EmptyMap(4, 1, 2, 1);
  SetField(map, kWall, 0, cstat, 128);
  SetField(map, kWall, 1, cstat, 65);
  SetField(map, kSector, 0, lotag, -1);
  SetField(map, kSector, 0, hitag, 5);
  SetField(map, kSector, 0, floorstat, 0x82);
  for (std::size_t i = 0; i < 36; ++i) map.spritedata[i] = static_cast<std::uint8_t>(i + 1);
  SetField(map, kSprite, 0, extra, 99);
  const MapFile v5 = Upgraded(map);
  EXPECT_EQ(GetField(v5, kWall, 0, cstat), 128) << "bit 7 must not smear into bits 8 to 15";
  EXPECT_EQ(GetField(v5, kWall, 1, cstat), 65);
  EXPECT_EQ(GetField(v5, kSector, 0, floorstat), 0x82);
  EXPECT_EQ(GetField(v5, kSector, 0, lotag), -1);
  EXPECT_EQ(GetField(v5, kSector, 0, hitag), 5);
  for (Field f : {ceilingpal, floorpal, visibility}) EXPECT_EQ(GetField(v5, kSector, 0, f), 0);
  EXPECT_EQ(GetField(v5, kSector, 0, extra), -1);
  EXPECT_EQ(GetField(v5, kWall, 0, extra), -1);
  EXPECT_EQ(GetField(v5, kWall, 1, extra), -1);
  EXPECT_EQ(GetField(v5, kSprite, 0, extra), -1);
  for (std::size_t i = 0; i < 36; ++i) EXPECT_EQ(v5.spritedata[i], i + 1) << "sprite byte " << i;
}

MapFile Version5WithSectors(std::initializer_list<std::array<std::int32_t, 3>> ranges_and_pals) {
  MapFile map = EmptyMap(5, static_cast<std::int16_t>(ranges_and_pals.size()), 8, 0);
  std::int32_t sector = 0;
  for (const auto& [first, count, floor_pal] : ranges_and_pals) {
    SetField(map, kSector, sector, wallptr, first);
    SetField(map, kSector, sector, wallnum, count);
    SetField(map, kSector, sector, floorpal, floor_pal);
    ++sector;
  }
  return map;
}

TEST(UpgradeTest, Step5To6WallPaletteComesFromTheLowestSectorHoldingTheWall) {
  // Sector 0 holds walls 0-1, sector 1 walls 1-3 (overlapping), sector 2 none, sector 3 walls 5-6.
  const MapFile map = Version5WithSectors({{0, 2, 11}, {1, 3, 12}, {4, 0, 13}, {5, 2, 14}});
  const MapFile v6 = Upgraded(map);
  const std::int32_t expected[8] = {11, 11, 12, 12, 0, 14, 14, 0};
  for (std::int32_t wall = 0; wall < 8; ++wall) {
    EXPECT_EQ(GetField(v6, kWall, wall, pal), expected[wall]) << "wall " << wall;
  }
}

TEST(UpgradeTest, Step5To6SpritePaletteFollowsTheSectorsCeilingOrFloor) {
  MapFile map = EmptyMap(5, 2, 1, 4);
  SetField(map, kSector, 0, ceilingstat, 1);
  SetField(map, kSector, 0, ceilingpal, 4);
  SetField(map, kSector, 0, floorpal, 6);
  SetField(map, kSector, 1, ceilingpal, 4);
  SetField(map, kSector, 1, floorpal, 6);
  const std::int32_t sectors[4] = {0, 1, -1, 2};
  for (std::int32_t sprite = 0; sprite < 4; ++sprite) {
    SetField(map, kSprite, sprite, sectnum, sectors[sprite]);
    SetField(map, kSprite, sprite, cstat, 128 + 1);
  }
  const MapFile v6 = Upgraded(map);
  const std::int32_t expected[4] = {4, 6, 0, 0};
  for (std::int32_t sprite = 0; sprite < 4; ++sprite) {
    SCOPED_TRACE(sprite);
    EXPECT_EQ(GetField(v6, kSprite, sprite, pal), expected[sprite]);
    EXPECT_EQ(GetField(v6, kSprite, sprite, clipdist), 32);
    EXPECT_EQ(GetField(v6, kSprite, sprite, xoffset), 0);
    EXPECT_EQ(GetField(v6, kSprite, sprite, yoffset), 0);
    EXPECT_EQ(GetField(v6, kSprite, sprite, cstat), 129) << "a centred sprite stays visible";
    EXPECT_EQ(GetField(v6, kSprite, sprite, sectnum), sectors[sprite]);
  }
}

TEST(UpgradeTest, Step5To6KeepsSectorsByteForByte) {
  MapFile map = EmptyMap(5, 3, 1, 0);
  for (std::size_t i = 0; i < map.sectordata.size(); ++i) map.sectordata[i] = static_cast<std::uint8_t>(i * 7);
  const MapFile v6 = Upgraded(map);
  EXPECT_EQ(v6.sectordata, map.sectordata);
}

TEST(UpgradeTest, Step6To7RescalesSlopesAndWidensStatus) {
  struct Case {
    std::int32_t stat, slope, expected_slope;
  };
  const Case cases[] = {{2, 100, 3200}, {2, 2000, 32767}, {2, -2000, -32768}, {0, 100, 0}, {130, 5, 160}};
  MapFile map = EmptyMap(6, static_cast<std::int16_t>(std::size(cases)), 1, 0);
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(cases)); ++i) {
    SetField(map, kSector, i, ceilingstat, cases[i].stat);
    SetField(map, kSector, i, ceilingheinum, cases[i].slope);
    SetField(map, kSector, i, floorstat, cases[i].stat);
    SetField(map, kSector, i, floorheinum, cases[i].slope);
  }
  const MapFile v7 = Upgraded(map);
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(cases)); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(GetField(v7, kSector, i, ceilingheinum), cases[i].expected_slope);
    EXPECT_EQ(GetField(v7, kSector, i, floorheinum), cases[i].expected_slope);
    EXPECT_EQ(GetField(v7, kSector, i, ceilingstat), cases[i].stat) << "status widens with zeros";
    EXPECT_EQ(GetField(v7, kSector, i, filler), 0);
  }
}

TEST(UpgradeTest, Step6To7SwapsNextSectorAndNextWallPlaces) {
  MapFile map = EmptyMap(6, 1, 1, 1);
  map.walldata[10] = 2;  // nextsector
  map.walldata[12] = 9;  // nextwall
  SetField(map, kSprite, 0, picnum, 1405);
  SetField(map, kSprite, 0, owner, -1);
  const MapFile v7 = Upgraded(map);
  EXPECT_EQ(v7.walldata[10], 9);
  EXPECT_EQ(v7.walldata[12], 2);
  EXPECT_EQ(GetField(v7, kWall, 0, nextwall), 9);
  EXPECT_EQ(GetField(v7, kWall, 0, nextsector), 2);
  EXPECT_EQ(GetField(v7, kSprite, 0, picnum), 1405);
  EXPECT_EQ(GetField(v7, kSprite, 0, owner), -1);
}

TEST(UpgradeTest, ClampBoundsBothWays) {
  EXPECT_EQ(Clamp(5, 0, 10), 5);
  EXPECT_EQ(Clamp(-1, 0, 10), 0);
  EXPECT_EQ(Clamp(11, 0, 10), 10);
  EXPECT_EQ(Clamp(10, 0, 10), 10);
}

}  // namespace
}  // namespace tessaro

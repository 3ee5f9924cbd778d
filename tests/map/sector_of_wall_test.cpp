#include <gtest/gtest.h>

#include <random>

#include "map/conversion.hpp"
#include "map/records.hpp"
#include "tests/map/map_builder.hpp"

namespace tessaro {
namespace {

using enum Field;

// The one-sweep answer must be the plain definition's: the lowest sector whose range holds the wall.
TEST(SectorOfWallTest, SweepAgreesWithThePlainScanOnRandomRanges) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const auto sectors = static_cast<std::int16_t>(1 + random() % 40);
    const auto walls = static_cast<std::int16_t>(1 + random() % 120);
    MapFile map = testing::EmptyMap(5, sectors, walls, 0);
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
  MapFile map = testing::EmptyMap(5, 3, 10, 0);
  SetField(map, RecordKind::Sector, 0, wallptr, 4);
  SetField(map, RecordKind::Sector, 0, wallnum, 2);
  SetField(map, RecordKind::Sector, 1, wallptr, 0);
  SetField(map, RecordKind::Sector, 1, wallnum, 6);
  SetField(map, RecordKind::Sector, 2, wallptr, 0);
  SetField(map, RecordKind::Sector, 2, wallnum, 0);
  EXPECT_EQ(SectorOfWall(map, 0), 1);
  EXPECT_EQ(SectorOfWall(map, 4), 0);
  EXPECT_EQ(SectorOfWall(map, 5), 0);
  EXPECT_EQ(SectorOfWall(map, 6), -1);
  EXPECT_EQ(SectorOfWall(map, -1), -1);
  map.mapversion = 6;
  EXPECT_EQ(SectorOfWall(map, 0), -1) << "only defined on version 5";
}

TEST(SectorOfWallTest, HugeOverlappingRangesStayLinear) {
  MapFile map = testing::EmptyMap(5, 32767, 32767, 0);
  for (std::int32_t sector = 0; sector < 32767; ++sector) {
    SetField(map, RecordKind::Sector, sector, wallptr, 0);
    SetField(map, RecordKind::Sector, sector, wallnum, 0xFFFF);
  }
  const std::vector<std::int32_t> swept = SectorsOfWalls(map);
  for (std::int32_t owner : swept) ASSERT_EQ(owner, 0);
}

}  // namespace
}  // namespace tessaro

// The version steps: the rules of steps.cases on hand-built records, the whole conversion against
// the single steps, and the sectors that own each wall. The shipped samples, made at version 7 and
// stepped down, are what the end-to-end runs expect of every step down.
#include "map/conversion.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>

#include "map/map_format.hpp"
#include "map/records.hpp"
#include "tests/map/field_cells.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/case_table.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Apply;
using testing::EmptyMap;
using testing::SameMap;

TEST(StepTest, EachRuleOfTheTable) {
  for (const testing::CaseRow& row : testing::ReadCases("map/steps.cases")) {
    std::istringstream step(row.given[0] + " " + row.given[1]);
    std::int32_t version = 0;
    std::string way;
    int sectors = 0, walls = 0, sprites = 0;
    step >> version >> way >> sectors >> walls >> sprites;
    MapFile map = EmptyMap(version, static_cast<std::int16_t>(sectors), static_cast<std::int16_t>(walls),
                           static_cast<std::int16_t>(sprites));
    Apply(map, row.given[2], false, row.where);
    ASSERT_EQ(way == "up" ? UpgradeMap(map) : DowngradeMap(map), Ok) << row.where;
    EXPECT_EQ(map.mapversion, version + (way == "up" ? 1 : -1)) << row.where;
    Apply(map, row.expected[0], true, row.where);
  }
}

TEST(StepTest, VersionsThatCannotGoOnAreLeftUntouched) {
  for (const std::int32_t version : {7, 2, 8, 0, 3}) {
    MapFile map = EmptyMap(7, 1, 2, 1);
    map.mapversion = version;
    map.walldata[5] = 42;
    const MapFile before = map;
    EXPECT_TRUE(version == 3 || UpgradeMap(map) == CannotUpgrade) << version;
    EXPECT_TRUE(version == 7 || DowngradeMap(map) == CannotDowngrade) << version;
    EXPECT_TRUE(SameMap(map, before)) << version;
  }
}

// The single steps one after the other, and the code of the first that fails.
MapError StepByStep(MapFile& map, std::int32_t target) {
  while (map.mapversion != target) {
    const MapError error = map.mapversion < target ? UpgradeMap(map) : DowngradeMap(map);
    if (error != Ok) return error;
  }
  return Ok;
}

void ExpectSameAsSteps(const MapFile& source, std::int32_t target) {
  SCOPED_TRACE("v" + std::to_string(source.mapversion) + " to v" + std::to_string(target));
  MapFile stepped = source;
  MapFile at_once = source;
  const MapError stepped_error = StepByStep(stepped, target);
  EXPECT_EQ(ConvertMap(at_once, target), stepped_error);
  EXPECT_TRUE(stepped_error != Ok || SameMap(at_once, stepped));
}

// ConvertMap joins steps into fewer passes: random records, arrays shorter than their counts
// (the first step adds zero records, which the later ones convert), and versions beyond 3 to 7.
TEST(ConvertMapTest, GivesTheBytesOfTheSingleSteps) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 40; ++round) {
    for (int from = kLowestVersion; from <= kHighestVersion; ++from) {
      MapFile source = testing::RandomMap(from, rng, 60);
      if (round % 4 == 3) {
        source.walldata.resize(source.walldata.size() / 2);
        source.spritedata.resize(source.spritedata.size() / 3);
      }
      for (int to = kLowestVersion - 1; to <= kHighestVersion + 1; ++to) {
        if (to != from) ExpectSameAsSteps(source, to);
      }
    }
  }
}

// The largest arrays take their storage apart from the small ones, and cross many batches.
TEST(ConvertMapTest, LargestMapsGiveTheBytesOfTheSingleSteps) {
  std::mt19937 rng(32767);
  ExpectSameAsSteps(testing::RandomMap(3, rng, 32767, true), 7);
  ExpectSameAsSteps(testing::RandomMap(7, rng, 32767, true), 3);
}

// A step reuses the storage maps let go of: records the array lacks come out zero, and nothing
// of a larger map converted before shows through.
TEST(ConvertMapTest, StorageLeftBehindNeverShowsThrough) {
  std::mt19937 rng(7);
  for (const bool up : {true, false}) {
    for (const RecordKind kind : {RecordKind::Wall, RecordKind::Sprite}) {
      MapFile large = testing::RandomMap(5, rng, 300, true);
      ASSERT_EQ(up ? UpgradeMap(large) : DowngradeMap(large), Ok);
      FreeMap(large);
      MapFile map = testing::RandomMap(5, rng, 40, true);
      const std::uint32_t size = LayoutOf(5, kind).size;
      RecordBytes(map, kind).resize(25 * size + size / 2);  // 25 and a half records for a count of 40
      ASSERT_EQ(up ? UpgradeMap(map) : DowngradeMap(map), Ok);
      const RecordArray& array = RecordBytes(map, kind);
      ASSERT_EQ(array.size(), 40u * LayoutOf(map.mapversion, kind).size);
      EXPECT_TRUE(std::all_of(array.begin() + 25 * LayoutOf(map.mapversion, kind).size, array.end(),
                              [](std::uint8_t b) { return b == 0; })) << (up ? "up" : "down");
    }
  }
}

// The one-sweep answer must be the plain definition's: the lowest sector whose range holds the wall.
TEST(SectorOfWallTest, SweepAgreesWithThePlainScan) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const auto sectors = static_cast<std::int16_t>(1 + random() % 40);
    const auto walls = static_cast<std::int16_t>(1 + random() % 120);
    MapFile map = EmptyMap(5, sectors, walls, 0);
    for (std::int32_t sector = 0; sector < sectors; ++sector) {
      // Mostly plausible ranges, some empty, overlapping, past the end, or negative as signed.
      const auto kind = random() % 10;
      auto first = static_cast<std::int32_t>(random() % (static_cast<std::uint32_t>(walls) + 10));
      auto count = static_cast<std::int32_t>(random() % 12);
      if (kind == 0) count = 0;
      if (kind == 1) first = 0xFFF0;
      if (kind == 2) count = 0xFFFF;
      SetField(map, RecordKind::Sector, sector, Field::wallptr, first);
      SetField(map, RecordKind::Sector, sector, Field::wallnum, count);
    }
    const std::vector<std::int32_t> swept = SectorsOfWalls(map);
    ASSERT_EQ(swept.size(), static_cast<std::size_t>(walls));
    for (std::int32_t wall = 0; wall < walls; ++wall) {
      ASSERT_EQ(swept[static_cast<std::size_t>(wall)], SectorOfWall(map, wall)) << "round " << round << " wall " << wall;
    }
  }
  MapFile map = EmptyMap(5, 1, 10, 0);
  SetField(map, RecordKind::Sector, 0, Field::wallnum, 6);
  EXPECT_EQ(SectorOfWall(map, -1), -1);
  map.mapversion = 6;
  EXPECT_EQ(SectorOfWall(map, 0), -1) << "only defined on version 5";
}

}  // namespace
}  // namespace tessaro

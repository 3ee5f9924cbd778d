// ConvertMap against UpgradeMap and DowngradeMap taken one version at a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "map/conversion.hpp"
#include "map/records.hpp"
#include "tests/map/map_builder.hpp"

namespace tessaro {
namespace {

using testing::SameMap;

// The chain of single steps, and its code when a step fails.
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
  if (stepped_error == Ok) {
    EXPECT_TRUE(SameMap(at_once, stepped));
  }
}

// Random bytes in every record, with the fields that lead to other records often pointing at one,
// so that the rules reading the sector of a wall or a sprite and the masked-wall pass find them.
MapFile RandomMap(std::int32_t version, std::mt19937& random, int fewest = 1, int most = 60) {
  std::uniform_int_distribution<int> count(fewest, most);
  const auto sectors = static_cast<std::int16_t>(count(random));
  const auto walls = static_cast<std::int16_t>(count(random));
  MapFile map = testing::EmptyMap(version, sectors, walls, static_cast<std::int16_t>(count(random)));
  std::uniform_int_distribution<int> byte(0, 255);
  for (RecordArray* bytes : {&map.sectordata, &map.walldata, &map.spritedata}) {
    for (std::uint8_t& b : *bytes) b = static_cast<std::uint8_t>(byte(random));
  }
  std::uniform_int_distribution<int> small(-2, 70);
  auto sometimes = [&](RecordKind kind, std::int32_t index, Field field) {
    if (byte(random) < 160) SetField(map, kind, index, field, small(random));
  };
  for (std::int32_t s = 0; s < map.numsectors; ++s) {
    sometimes(RecordKind::Sector, s, Field::wallptr);
    if (byte(random) < 200) SetField(map, RecordKind::Sector, s, Field::wallnum, byte(random) % 6);
  }
  for (std::int32_t w = 0; w < map.numwalls; ++w) {
    sometimes(RecordKind::Wall, w, Field::nextwall);
    if (byte(random) < 128) SetField(map, RecordKind::Wall, w, Field::overpicnum, 0);
  }
  for (std::int32_t s = 0; s < map.numsprites; ++s) sometimes(RecordKind::Sprite, s, Field::sectnum);
  return map;
}

TEST(ConvertMapTest, SamplesGiveTheBytesOfTheSteps) {
  for (int from = kLowestVersion; from <= kHighestVersion; ++from) {
    for (const char* level : {"courtyard", "warehouse"}) {
      MapFile source;
      ASSERT_EQ(testing::OpenQuietly(testing::SamplePath(from, level), source), Ok);
      for (int to = kLowestVersion; to <= kHighestVersion; ++to) {
        if (to != from) ExpectSameAsSteps(source, to);
      }
    }
  }
}

TEST(ConvertMapTest, RandomRecordsGiveTheBytesOfTheSteps) {
  std::mt19937 random(20261206);
  for (int round = 0; round < 40; ++round) {
    for (int from = kLowestVersion; from <= kHighestVersion; ++from) {
      const MapFile source = RandomMap(from, random);
      for (int to = kLowestVersion; to <= kHighestVersion; ++to) {
        if (to != from) ExpectSameAsSteps(source, to);
      }
    }
  }
}

// The largest arrays take their storage apart from the small ones, and cross many batches.
TEST(ConvertMapTest, LargestMapsGiveTheBytesOfTheSteps) {
  std::mt19937 random(32767);
  for (const int from : {kLowestVersion, kHighestVersion}) {
    const MapFile source = RandomMap(from, random, 32767, 32767);
    ExpectSameAsSteps(source, from == kLowestVersion ? kHighestVersion : kLowestVersion);
  }
}

// A short array gains zero records in the first step, which the later steps convert.
TEST(ConvertMapTest, ShortArraysGiveTheBytesOfTheSteps) {
  std::mt19937 random(7);
  for (int from = kLowestVersion; from <= kHighestVersion; ++from) {
    MapFile source = RandomMap(from, random);
    source.walldata.resize(source.walldata.size() / 2);
    source.spritedata.resize(source.spritedata.size() / 3);
    for (int to = kLowestVersion; to <= kHighestVersion; ++to) {
      if (to != from) ExpectSameAsSteps(source, to);
    }
  }
}

TEST(ConvertMapTest, BeyondTheVersionsFailsAsTheStepsDo) {
  MapFile map;
  ASSERT_EQ(testing::OpenQuietly(testing::SamplePath(3, "courtyard"), map), Ok);
  ExpectSameAsSteps(map, kHighestVersion + 1);
  ExpectSameAsSteps(map, kLowestVersion - 1);
  MapFile up = map;
  EXPECT_EQ(ConvertMap(up, kHighestVersion + 1), CannotUpgrade);
  MapFile down = map;
  EXPECT_EQ(ConvertMap(down, kLowestVersion - 1), CannotDowngrade);
}

}  // namespace
}  // namespace tessaro

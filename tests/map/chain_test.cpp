// Whole maps through chains of steps: the shipped samples were built at version 7 and stepped down.
#include <gtest/gtest.h>

#include "map/conversion.hpp"
#include "map/records.hpp"
#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/sample_level.hpp"

namespace tessaro {
namespace {

using enum Field;

MapFile OpenSample(int version, const char* level) {
  testing::ScopedConsoleCapture quiet;
  MapFile map;
  EXPECT_EQ(OpenMap(testing::SamplePath(version, level), map), Ok);
  return map;
}

bool SameMap(const MapFile& a, const MapFile& b) {
  return a.mapversion == b.mapversion && a.posx == b.posx && a.posy == b.posy && a.posz == b.posz &&
         a.ang == b.ang && a.cursectnum == b.cursectnum && a.numsectors == b.numsectors &&
         a.numwalls == b.numwalls && a.numsprites == b.numsprites && a.sectordata == b.sectordata &&
         a.walldata == b.walldata && a.spritedata == b.spritedata;
}

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
      if (version > 3) {
        ASSERT_EQ(DowngradeMap(map), Ok);
      }
    }
  }
}

// Every step down and back up keeps what the format can hold at the lower version.
TEST(ChainTest, UpAgainFromEachVersionKeepsWhatNoStepLoses) {
  for (int version = 3; version <= 6; ++version) {
    SCOPED_TRACE(version);
    MapFile map = OpenSample(version, "warehouse");
    const MapFile original = map;
    ASSERT_EQ(UpgradeMap(map), Ok);
    ASSERT_EQ(DowngradeMap(map), Ok);
    EXPECT_TRUE(SameMap(map, original)) << "one step up and down again";
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

}  // namespace
}  // namespace tessaro

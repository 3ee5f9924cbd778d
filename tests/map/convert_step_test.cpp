// How a step treats the storage of the arrays: the records it makes never depend on it.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "map/conversion.hpp"
#include "map/records.hpp"
#include "tests/map/map_builder.hpp"

namespace tessaro {
namespace {

using testing::EmptyMap;

constexpr RecordKind kKinds[] = {RecordKind::Sector, RecordKind::Wall, RecordKind::Sprite};

// Every byte of every record from a fixed sequence, so that all fields and bits take part.
MapFile NoisyMap(std::int32_t version, std::int16_t records, std::uint32_t seed) {
  MapFile map = EmptyMap(version, records, records, records);
  std::uint32_t state = seed * 2654435761u + 1u;
  for (const RecordKind kind : kKinds) {
    for (std::uint8_t& byte : RecordBytes(map, kind)) {
      state = state * 1664525u + 1013904223u;
      byte = static_cast<std::uint8_t>(state >> 24);
    }
  }
  return map;
}

MapError Step(MapFile& map, bool up) { return up ? UpgradeMap(map) : DowngradeMap(map); }

// Arrays with no room beyond their records, or with much more.
MapFile WithRoom(MapFile map, bool room) {
  for (const RecordKind kind : kKinds) {
    RecordArray& array = RecordBytes(map, kind);
    if (room) {
      array.reserve(array.size() * 2);
    } else {
      array.shrink_to_fit();
    }
  }
  return map;
}

TEST(ConvertStepTest, RecordsAreTheSameWhetherTheArraysHaveRoomOrNot) {
  for (std::int32_t version = kLowestVersion; version <= kHighestVersion; ++version) {
    for (const bool up : {true, false}) {
      if ((up && version == kHighestVersion) || (!up && version == kLowestVersion)) continue;
      // Counts below and above a batch of records, and one record alone.
      for (const std::int16_t records : {std::int16_t{1}, std::int16_t{31}, std::int16_t{100}}) {
        const MapFile source = NoisyMap(version, records, static_cast<std::uint32_t>(version * 100 + records));
        MapFile tight = WithRoom(source, false);
        MapFile roomy = WithRoom(source, true);
        ASSERT_EQ(Step(tight, up), Ok);
        ASSERT_EQ(Step(roomy, up), Ok);
        EXPECT_EQ(tight.mapversion, roomy.mapversion);
        for (const RecordKind kind : kKinds) {
          EXPECT_EQ(RecordBytes(tight, kind), RecordBytes(roomy, kind))
              << "version " << version << (up ? " up" : " down") << ", " << records << " records, kind "
              << static_cast<int>(kind);
        }
      }
    }
  }
}

TEST(ConvertStepTest, RecordsTheArrayLacksComeOutZero) {
  for (const bool up : {true, false}) {
    for (const bool room : {true, false}) {
      for (const RecordKind kind : {RecordKind::Wall, RecordKind::Sprite}) {
        MapFile map = NoisyMap(5, 40, 7);
        // The count says 40; the array holds 25 records and half of another.
        const std::uint32_t size = LayoutOf(5, kind).size;
        RecordBytes(map, kind).resize(25 * size + size / 2);
        map = WithRoom(map, room);
        ASSERT_EQ(Step(map, up), Ok);
        const RecordArray& array = RecordBytes(map, kind);
        const std::uint32_t new_size = LayoutOf(map.mapversion, kind).size;
        ASSERT_EQ(array.size(), 40u * new_size);
        for (std::size_t byte = 25u * new_size; byte < array.size(); ++byte) {
          ASSERT_EQ(array[byte], 0) << "byte " << byte << (up ? " up" : " down") << (room ? ", room" : "");
        }
      }
    }
  }
}

TEST(ConvertStepTest, StorageALargerMapLeftBehindDoesNotShowThrough) {
  const MapFile source = NoisyMap(7, 20, 2);
  MapFile expected = source;
  for (int step = 0; step < 4; ++step) ASSERT_EQ(DowngradeMap(expected), Ok);

  MapFile large = NoisyMap(7, 300, 1);
  for (int step = 0; step < 4; ++step) ASSERT_EQ(DowngradeMap(large), Ok);
  FreeMap(large);

  MapFile small = source;
  for (int step = 0; step < 4; ++step) ASSERT_EQ(DowngradeMap(small), Ok);
  for (const RecordKind kind : kKinds) EXPECT_EQ(RecordBytes(small, kind), RecordBytes(expected, kind));
}

}  // namespace
}  // namespace tessaro

#include "map/map_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "tests/map/map_builder.hpp"
#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::EmptyMap;
using testing::OpenQuietly;
using testing::ReadBytes;
using testing::SamplePath;
using testing::SaveQuietly;
using testing::ScopedConsoleCapture;
using testing::TempDir;
using testing::WriteBytes;

TEST(MapFileTest, OpenAndSaveReproduceEverySampleByteForByteDroppingTrailingBytes) {
  TempDir dir;
  for (int version = 3; version <= 7; ++version) {
    for (const char* level : {"courtyard", "warehouse"}) {
      for (const Bytes& tail : {Bytes{}, Bytes{1, 2, 3, 4, 5}}) {
        SCOPED_TRACE(std::string(level) + " v" + std::to_string(version) + " tail " + std::to_string(tail.size()));
        const Bytes original = ReadBytes(SamplePath(version, level));
        ASSERT_FALSE(original.empty());
        Bytes file = original;
        file.insert(file.end(), tail.begin(), tail.end());
        WriteBytes(dir / "in.map", file);
        MapFile map;
        ASSERT_EQ(OpenQuietly(dir / "in.map", map), Ok);
        EXPECT_EQ(map.mapversion, version);
        ASSERT_EQ(SaveQuietly(dir / "copy.map", map), Ok);
        EXPECT_EQ(ReadBytes(dir / "copy.map"), original);
      }
    }
  }
}

TEST(MapFileTest, StageLinesAndMessages) {
  TempDir dir;
  ScopedConsoleCapture capture;
  MapFile map;
  EXPECT_EQ(OpenMap(dir / "missing.map", map), SourceNotFound);
  for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1}) PrintMapError(code);
  EXPECT_EQ(capture.Text(), ":: Opening " + (dir / "missing.map") + "...\r\n"
                            "   Source file corrupted\r\n"
                            "   Source file no found\r\n"
                            "   No handle available\r\n"
                            "   Source file format unsupported\r\n"
                            "   I/O error\r\n"
                            "   Cannot upgrade source file any further\r\n"
                            "   Cannot downgrade source file any further\r\n"
                            "   No upgrade/downgrade needed\r\n");
}

// A header of `version`, the counts from offset 20 on (two bytes each), cut or filled to `size`.
Bytes Crafted(std::int32_t version, std::initializer_list<std::uint16_t> counts, std::size_t size,
              std::uint8_t fill = 0) {
  Bytes bytes(20, 0);
  bytes[0] = static_cast<std::uint8_t>(version);
  for (std::uint16_t count : counts) {
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8)});
  }
  bytes.resize(size, fill);
  return bytes;
}

// Short, empty, unknown versions, counts of zero or below, counts past the end of the file.
TEST(MapFileTest, OddFilesOpenCleanly) {
  struct Case {
    const char* what;
    Bytes file;
    MapError expected;
    std::uint32_t sector_bytes = 0, wall_bytes = 0, sprite_bytes = 0;
  };
  const Case cases[] = {
      {"empty", {}, SourceCorrupted},
      {"25 bytes, valid version", Crafted(7, {}, 25), SourceCorrupted},
      {"version 9", Crafted(9, {}, 26), FormatUnsupported},
      {"version 2", Crafted(2, {}, 26), FormatUnsupported},
      {"no sectors", Crafted(3, {0, 1, 0}, 26), SourceCorrupted},
      {"no walls", Crafted(3, {1, 0, 0}, 26), SourceCorrupted},
      {"negative sectors", Crafted(4, {0x8000, 1, 0}, 26), SourceCorrupted},
      {"negative walls", Crafted(4, {1, 0xFFFF, 0}, 26), SourceCorrupted},
      {"negative sprites", Crafted(3, {1, 1, 0x8000}, 26), SourceCorrupted},
      {"negative sectors, v7", Crafted(7, {0x8000}, 64), SourceCorrupted},
      {"negative sectors, v7, all bits", Crafted(7, {0xFFFF}, 64), SourceCorrupted},
      {"ends after the sectors, v7", Crafted(7, {2}, 22 + 2 * 40, 7), SourceCorrupted},
      {"26 bytes, v3", Crafted(3, {1, 1, 0}, 26), Ok, 30, 31, 0},
      {"largest counts", Crafted(4, {0x7FFF, 0x7FFF, 0x7FFF}, 26), Ok, 0x7FFF * 32, 0x7FFF * 32, 0x7FFF * 40},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(dir / "odd.map", c.file);
    MapFile map = EmptyMap(6, 1, 1, 1);
    ASSERT_EQ(OpenQuietly(dir / "odd.map", map), c.expected);
    if (c.expected != Ok) {
      EXPECT_TRUE(testing::SameMap(map, MapFile{})) << "a failed open leaves the map empty";
      continue;
    }
    // What the file lacks of its records reads as zero bytes.
    EXPECT_EQ(map.sectorbytes(), c.sector_bytes);
    EXPECT_EQ(map.wallbytes(), c.wall_bytes);
    EXPECT_EQ(map.spritebytes(), c.sprite_bytes);
    for (const auto* data : {&map.sectordata, &map.walldata, &map.spritedata}) {
      EXPECT_TRUE(std::all_of(data->begin(), data->end(), [](std::uint8_t b) { return b == 0; }));
    }
  }
}

TEST(MapFileTest, SaveWritesEachVersionsLayoutAndEnding) {
  TempDir dir;
  ASSERT_EQ(SaveQuietly(dir / "five.map", EmptyMap(5, 1, 1, 0)), Ok);
  const Bytes five = ReadBytes(dir / "five.map");
  ASSERT_EQ(five.size(), 20u + 2 + 37 + 2 + 35 + 2);
  EXPECT_EQ(five[five.size() - 2], 0);
  EXPECT_EQ(five[five.size() - 1], 0);

  MapFile map = EmptyMap(3, 1, 1, 0);
  map.walldata.back() = 0xAB;
  ASSERT_EQ(SaveQuietly(dir / "three.map", map), Ok);
  const Bytes three = ReadBytes(dir / "three.map");
  ASSERT_EQ(three.size(), 26u + 30 + 31);
  EXPECT_EQ(three.back(), 0xAB) << "a version 3 map without sprites ends with its last wall";
}

TEST(MapFileTest, SaveRefusesUnknownVersionsWithoutCreatingAFile) {
  TempDir dir;
  MapFile map = EmptyMap(3, 1, 1, 0);
  map.mapversion = 2;
  ScopedConsoleCapture capture;
  EXPECT_EQ(SaveMap(dir / "two.map", map), FormatUnsupported);
  EXPECT_EQ(capture.Text(), ":: Saving " + (dir / "two.map") + "...\r\n");
  EXPECT_TRUE(dir.Entries().empty());
}

TEST(MapFileTest, FreeMapEmptiesEverything) {
  MapFile map = EmptyMap(6, 2, 3, 4);
  map.posx = 5;
  map.cursectnum = 1;
  FreeMap(map);
  EXPECT_TRUE(testing::SameMap(map, MapFile{}));
}

// Growing past the size that moves an array from the heap into a block of its own, and back.
TEST(MapFileTest, ArraysKeepTheirBytesAcrossTheChangeOfStorage) {
  const std::size_t large = RecordAllocator<std::uint8_t>::kLargeArray;
  RecordArray array(1000);
  std::iota(array.begin(), array.end(), std::uint8_t{0});
  array.resize(large + 4096);
  EXPECT_EQ(array[999], static_cast<std::uint8_t>(999));
  EXPECT_EQ(array[large + 4095], 0);
  RecordArray copy = array;
  copy.resize(1000);
  copy.shrink_to_fit();
  EXPECT_TRUE(std::equal(copy.begin(), copy.end(), array.begin()));
}

}  // namespace
}  // namespace tessaro

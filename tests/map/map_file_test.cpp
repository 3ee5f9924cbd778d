// Map files: opening and saving the samples, damaged and odd files, the messages, and what a
// save refuses. Properties over generated maps are in properties_test.cpp.
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
using testing::SaveQuietly;
using testing::TempDir;
using testing::WriteBytes;

TEST(MapFileTest, OpenAndSaveGiveEverySampleBackWithoutTrailingBytes) {
  TempDir dir;
  for (int version = 3; version <= 7; ++version) {
    for (const char* level : {"courtyard", "warehouse"}) {
      SCOPED_TRACE(std::string(level) + " v" + std::to_string(version));
      const Bytes original = ReadBytes(testing::SamplePath(version, level));
      Bytes file = original;
      file.insert(file.end(), {1, 2, 3, 4, 5});
      WriteBytes(dir / "in.map", file);
      MapFile map;
      ASSERT_EQ(OpenQuietly(dir / "in.map", map), Ok);
      EXPECT_EQ(map.mapversion, version);
      ASSERT_EQ(SaveQuietly(dir / "copy.map", map), Ok);
      EXPECT_EQ(ReadBytes(dir / "copy.map"), original);
    }
  }
}

TEST(MapFileTest, StageLinesAndMessages) {
  TempDir dir;
  testing::ScopedConsoleCapture capture;
  MapFile map;
  EXPECT_EQ(OpenMap(dir / "missing.map", map), SourceNotFound);
  for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1}) PrintMapError(code);
  EXPECT_EQ(capture.Text(), ":: Opening " + (dir / "missing.map") + "...\r\n"
                            "   Source file corrupted\r\n   Source file no found\r\n   No handle available\r\n"
                            "   Source file format unsupported\r\n   I/O error\r\n"
                            "   Cannot upgrade source file any further\r\n"
                            "   Cannot downgrade source file any further\r\n   No upgrade/downgrade needed\r\n");
}

// A header of `version`, the counts from offset 20 on (two bytes each), cut or filled to `size`.
Bytes Crafted(std::int32_t version, std::initializer_list<std::uint16_t> counts, std::size_t size) {
  Bytes bytes(20, 0);
  bytes[0] = static_cast<std::uint8_t>(version);
  for (std::uint16_t count : counts) {
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8)});
  }
  bytes.resize(size, 0);
  return bytes;
}

// Short, unknown versions, counts of zero or below; what a file lacks of its records reads as
// zero bytes, and a failed open leaves the map empty.
TEST(MapFileTest, OddFilesOpenCleanly) {
  struct Case {
    const char* what;
    Bytes file;
    MapError expected;
    std::uint32_t sector_bytes = 0, wall_bytes = 0, sprite_bytes = 0;
  };
  const Case cases[] = {
      {"empty", {}, SourceCorrupted},
      {"25 bytes", Crafted(7, {}, 25), SourceCorrupted},
      {"version 9", Crafted(9, {}, 26), FormatUnsupported},
      {"version 2", Crafted(2, {}, 26), FormatUnsupported},
      {"no sectors", Crafted(3, {0, 1, 0}, 26), SourceCorrupted},
      {"no walls", Crafted(3, {1, 0, 0}, 26), SourceCorrupted},
      {"negative sectors", Crafted(4, {0x8000, 1, 0}, 26), SourceCorrupted},
      {"negative walls", Crafted(4, {1, 0xFFFF, 0}, 26), SourceCorrupted},
      {"negative sprites", Crafted(3, {1, 1, 0x8000}, 26), SourceCorrupted},
      {"negative sectors, v7", Crafted(7, {0xFFFF}, 64), SourceCorrupted},
      {"no walls, v7", Crafted(7, {1}, 64), SourceCorrupted},
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
      EXPECT_TRUE(testing::SameMap(map, MapFile{}));
      continue;
    }
    EXPECT_EQ(std::tuple(map.sectorbytes(), map.wallbytes(), map.spritebytes()),
              std::tuple(c.sector_bytes, c.wall_bytes, c.sprite_bytes));
    for (const auto* data : {&map.sectordata, &map.walldata, &map.spritedata}) {
      EXPECT_TRUE(std::all_of(data->begin(), data->end(), [](std::uint8_t b) { return b == 0; }));
    }
  }
}

// Version 5 and later put each count in front of its array; a map whose arrays disagree with its
// counts, or of a version the format does not know, makes no file at all.
TEST(MapFileTest, SaveWritesEachVersionsLayoutAndRefusesWhatCannotBeReadBack) {
  TempDir dir;
  MapFile five = EmptyMap(5, 1, 1, 0);
  SetField(five, RecordKind::Wall, 0, Field::x, 0x0102);
  ASSERT_EQ(SaveQuietly(dir / "five.map", five), Ok);
  Bytes expected = {5, 0, 0, 0};
  expected.resize(20, 0);
  expected.insert(expected.end(), {1, 0});
  expected.resize(expected.size() + 37, 0);
  expected.insert(expected.end(), {1, 0, 2, 1});
  expected.resize(expected.size() + 33 + 2, 0);
  EXPECT_EQ(ReadBytes(dir / "five.map"), expected);

  MapFile three = EmptyMap(3, 1, 1, 0);
  three.walldata.back() = 0xAB;
  ASSERT_EQ(SaveQuietly(dir / "three.map", three), Ok);
  const Bytes saved = ReadBytes(dir / "three.map");
  ASSERT_EQ(saved.size(), 26u + 30 + 31);
  EXPECT_EQ(std::vector<std::uint8_t>(saved.begin() + 20, saved.begin() + 26), (Bytes{1, 0, 1, 0, 0, 0}));
  EXPECT_EQ(saved.back(), 0xAB) << "a version 3 map without sprites ends with its last wall";

  MapFile two = EmptyMap(3, 1, 1, 0);
  two.mapversion = 2;
  MapFile short_walls = EmptyMap(7, 1, 2, 0);
  short_walls.walldata.pop_back();
  testing::ScopedConsoleCapture capture;
  EXPECT_EQ(SaveMap(dir / "two.map", two), FormatUnsupported);
  EXPECT_EQ(SaveMap(dir / "short.map", short_walls), FormatUnsupported);
  EXPECT_EQ(capture.Text(), ":: Saving " + (dir / "two.map") + "...\r\n:: Saving " + (dir / "short.map") + "...\r\n");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"five.map", "three.map"}));
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

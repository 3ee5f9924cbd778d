// The map format over bytes: the samples, damaged and odd files, what a written file holds and
// what cannot be written; the file shell around it; where the record layouts put each field; and
// what the browser page shows of a map.
#include "map/map_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "map/file_fit.hpp"
#include "map/map_format.hpp"
#include "map/map_messages.hpp"
#include "map/map_report.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::EmptyMap;
using testing::ReadBytes;
using testing::TempDir;
using enum Field;

TEST(MapFormatTest, ReadAndWriteGiveEverySampleBackWithoutTrailingBytes) {
  for (int version = 3; version <= 7; ++version) {
    for (const char* level : {"courtyard", "warehouse"}) {
      const Bytes original = ReadBytes(testing::SamplePath(version, level));
      Bytes file = original;
      file.insert(file.end(), {1, 2, 3, 4, 5});
      MapFile map;
      ASSERT_EQ(ReadMap(file, map), Ok);
      EXPECT_EQ(map.mapversion, version);
      Bytes written;
      ASSERT_EQ(WriteMap(map, written), Ok);
      EXPECT_EQ(written, original) << level << " v" << version;
    }
  }
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
// zero bytes, and a failed read leaves the map empty.
TEST(MapFormatTest, OddFilesReadCleanly) {
  struct Case {
    Bytes file;
    MapError expected;
    std::uint32_t sector_bytes = 0, wall_bytes = 0, sprite_bytes = 0;
  };
  const Case cases[] = {
      {{}, SourceCorrupted},
      {Crafted(7, {}, 25), SourceCorrupted},
      {Crafted(9, {}, 26), FormatUnsupported},
      {Crafted(2, {}, 26), FormatUnsupported},
      {Crafted(3, {0, 1, 0}, 26), SourceCorrupted},
      {Crafted(3, {1, 0, 0}, 26), SourceCorrupted},
      {Crafted(4, {0x8000, 1, 0}, 26), SourceCorrupted},
      {Crafted(4, {1, 0xFFFF, 0}, 26), SourceCorrupted},
      {Crafted(3, {1, 1, 0x8000}, 26), SourceCorrupted},
      {Crafted(7, {0xFFFF}, 64), SourceCorrupted},
      {Crafted(7, {1}, 64), SourceCorrupted},  // no walls after the sector
      {Crafted(3, {1, 1, 0}, 26), Ok, 30, 31, 0},
      {Crafted(4, {0x7FFF, 0x7FFF, 0x7FFF}, 26), Ok, 0x7FFF * 32, 0x7FFF * 32, 0x7FFF * 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    MapFile map = EmptyMap(6, 1, 1, 1);
    ASSERT_EQ(ReadMap(c.file, map), c.expected);
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
TEST(MapFormatTest, WriteGivesEachVersionsLayoutAndRefusesWhatCannotBeReadBack) {
  MapFile five = EmptyMap(5, 1, 1, 0);
  SetField(five, RecordKind::Wall, 0, x, 0x0102);
  Bytes expected = {5, 0, 0, 0};
  expected.resize(20, 0);
  expected.insert(expected.end(), {1, 0});
  expected.resize(expected.size() + 37, 0);
  expected.insert(expected.end(), {1, 0, 2, 1});
  expected.resize(expected.size() + 33 + 2, 0);
  Bytes written;
  ASSERT_EQ(WriteMap(five, written), Ok);
  EXPECT_EQ(written, expected);

  MapFile three = EmptyMap(3, 1, 1, 0);
  three.walldata.back() = 0xAB;
  ASSERT_EQ(WriteMap(three, written), Ok);
  ASSERT_EQ(written.size(), 26u + 30 + 31);
  EXPECT_EQ(Bytes(written.begin() + 20, written.begin() + 26), (Bytes{1, 0, 1, 0, 0, 0}));
  EXPECT_EQ(written.back(), 0xAB) << "a version 3 map without sprites ends with its last wall";

  MapFile two = EmptyMap(3, 1, 1, 0);
  two.mapversion = 2;
  MapFile short_walls = EmptyMap(7, 1, 2, 0);
  short_walls.walldata.pop_back();
  EXPECT_EQ(WriteMap(two, written), FormatUnsupported);
  EXPECT_EQ(WriteMap(short_walls, written), FormatUnsupported);
  FreeMap(short_walls);
  EXPECT_TRUE(testing::SameMap(short_walls, MapFile{}));
}

// The shell prints its stage line first; a file it refuses is not created, one it writes is the
// bytes WriteMap gives, and what a failure means is printed by its caller.
TEST(MapFileTest, OpenAndSaveAroundTheFormat) {
  TempDir dir;
  testing::ScopedConsoleCapture capture;
  MapFile map;
  EXPECT_EQ(OpenMap(dir / "missing.map", map), SourceNotFound);
  EXPECT_EQ(SaveMap(dir / "two.map", EmptyMap(2, 1, 1, 0)), FormatUnsupported);
  ASSERT_EQ(OpenMap(testing::SamplePath(5, "courtyard"), map), Ok);
  ASSERT_EQ(SaveMap(dir / "copy.map", map), Ok);
  for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, -1}) PrintMapError(code);
  EXPECT_EQ(capture.Text(), ":: Opening " + (dir / "missing.map") + "...\r\n:: Saving " + (dir / "two.map") +
                                "...\r\n:: Opening " + testing::SamplePath(5, "courtyard") + "...\r\n:: Saving " +
                                (dir / "copy.map") + "...\r\n"
                                "   Source file corrupted\r\n   Source file no found\r\n   No handle available\r\n"
                                "   Source file format unsupported\r\n   I/O error\r\n"
                                "   Cannot upgrade source file any further\r\n"
                                "   Cannot downgrade source file any further\r\n   No upgrade/downgrade needed\r\n"
                                "   Member name not a plain file name\r\n   Cannot write into a group file\r\n"
                                "   Compression method not supported\r\n   Member is encrypted\r\n");
  EXPECT_EQ(ReadBytes(dir / "copy.map"), ReadBytes(testing::SamplePath(5, "courtyard")));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"copy.map"});
  EXPECT_EQ(ConversionLine(3, 7) + ConversionLine(7, 6), ":: Upgrading from v3 to v7:: Downgrading from v7 to v6");
}

// Where the tile numbers lie, by version 3 to 7: the tile pass depends on exactly these.
TEST(RecordLayoutTest, TileFieldsLieWhereTheFormatPutsThem) {
  const std::tuple<RecordKind, Field, std::array<int, 5>> rows[] = {
      {RecordKind::Sector, ceilingpicnum, {11, 12, 4, 4, 16}}, {RecordKind::Sector, floorpicnum, {22, 24, 6, 6, 24}},
      {RecordKind::Wall, picnum, {15, 16, 10, 14, 16}},        {RecordKind::Wall, overpicnum, {17, 18, 12, 16, 18}},
      {RecordKind::Sprite, picnum, {16, 16, 16, 21, 14}},
  };
  for (const auto& [kind, field, offsets] : rows) {
    for (int version = 3; version <= 7; ++version) {
      const FieldSpec* place = LayoutOf(version, kind).Find(field);
      ASSERT_NE(place, nullptr) << FieldName(field) << " v" << version;
      EXPECT_TRUE(place->offset == offsets[static_cast<std::size_t>(version - 3)] && place->size == 2 &&
                  place->sign == Sign::Signed)
          << FieldName(field) << " v" << version;
    }
  }
}

// Records follow each other at the record size; 8-bit status fields are bit fields, read unsigned.
TEST(RecordLayoutTest, FieldsAreReadWhereTheirRecordPutsThemWithTheirSign) {
  MapFile five = EmptyMap(5, 2, 1, 0);
  SetField(five, RecordKind::Sector, 1, lotag, -2);
  EXPECT_EQ(five.sectordata[37 + 31], 0xFE);
  EXPECT_EQ(five.sectordata[37 + 32], 0xFF);
  EXPECT_EQ(GetField(five, RecordKind::Sector, 0, lotag), 0);
  EXPECT_EQ(GetField(five, RecordKind::Sector, 1, lotag), -2);
  MapFile four = EmptyMap(4, 1, 1, 1);
  four.walldata[10] = 0x80;  // cstat
  four.walldata[11] = 0x80;  // shade
  std::fill_n(four.spritedata.begin() + 36, 4, 0xFF);  // a 32-bit extra
  EXPECT_EQ(GetField(four, RecordKind::Wall, 0, cstat), 128);
  EXPECT_EQ(GetField(four, RecordKind::Wall, 0, shade), -128);
  EXPECT_EQ(GetField(four, RecordKind::Sprite, 0, extra), -1);
}

TEST(RecordLayoutTest, AccessOutsideTheArraysDoesNothing) {
  MapFile map = EmptyMap(7, 1, 1, 0);
  SetField(map, RecordKind::Sector, 1, lotag, 5);
  SetField(map, RecordKind::Sprite, 0, picnum, 5);
  SetField(map, RecordKind::Wall, -1, picnum, 5);
  SetField(map, RecordKind::Wall, 0, spare, 5);
  EXPECT_TRUE(testing::SameMap(map, EmptyMap(7, 1, 1, 0)));
  EXPECT_EQ(GetField(map, RecordKind::Wall, 3, picnum), 0);
  map.walldata[16] = 9;
  EXPECT_EQ(GetField(map, RecordKind::Wall, 0, picnum), 9);
  map.numwalls = 5;  // a count larger than the array is never trusted
  EXPECT_EQ(RecordsHeld(map, RecordKind::Wall), 1);
  map.walldata.pop_back();
  EXPECT_EQ(RecordsHeld(map, RecordKind::Wall), 0);
  EXPECT_EQ(GetField(map, RecordKind::Wall, 0, picnum), 0);
  map.numwalls = -3;
  EXPECT_EQ(RecordCount(map, RecordKind::Wall), 0);
  EXPECT_EQ(LayoutOf(2, RecordKind::Wall).size, 0u) << "an unknown version has no fields";
  EXPECT_EQ(LayoutOf(8, RecordKind::Wall).Find(x), nullptr);
}

// Growing past the size that moves an array from the heap into a block of its own (taken from the
// system, zeroed), and back.
TEST(MapFormatTest, ArraysKeepTheirBytesAcrossTheChangeOfStorage) {
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

// A wall is drawn to the next point of its loop, when that lies in the map.
TEST(MapReportTest, WallLinesFollowEachLoop) {
  MapFile map = EmptyMap(7, 1, 4, 0);
  const std::int32_t walls[4][4] = {{10, -20, 1, 2}, {30, 40, 2, -1}, {-5, 6, 0, 0}, {1, 1, 4, 3}};  // x, y, point2, nextwall
  for (std::int32_t w = 0; w < 4; ++w) {
    for (const auto& [field, value] : {std::pair{x, walls[w][0]}, {y, walls[w][1]},
                                       {point2, walls[w][2]}, {nextwall, walls[w][3]}}) {
      SetField(map, RecordKind::Wall, w, field, value);
    }
  }
  const std::vector<WallLine> lines = WallLines(map);
  ASSERT_EQ(lines.size(), 3u) << "wall 3's next point lies beyond the walls";
  EXPECT_TRUE(lines[0].x1 == 10 && lines[0].y1 == -20 && lines[0].x2 == 30 && lines[0].y2 == 40 && lines[0].two_sided);
  EXPECT_TRUE(lines[1].x1 == 30 && lines[1].x2 == -5 && lines[1].y2 == 6 && !lines[1].two_sided);
  EXPECT_TRUE(lines[2].x2 == 10 && lines[2].y2 == -20 && lines[2].two_sided) << "back to the loop's first wall";
}

// Every field a step down does not copy, and the records where it does not come back; the map
// itself stays as it was.
TEST(MapReportTest, LossesCountTheRecordsThatChange) {
  MapFile map = EmptyMap(6, 2, 3, 1);
  SetField(map, RecordKind::Wall, 1, pal, 7);
  SetField(map, RecordKind::Sprite, 0, clipdist, 32);  // what the way up gives back
  const MapFile before = map;
  std::vector<std::string> lines;
  for (const FieldLoss& loss : LossesDownTo(map, 4)) lines.push_back(LossLine(loss));
  EXPECT_TRUE(testing::SameMap(map, before));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "wall palettes: 1 of 3 walls", "sprite flags: 0 of 1 sprites", "sprite palettes: 0 of 1 sprites",
                       "sprite clipping distances: 0 of 1 sprites", "sprite x offsets: 0 of 1 sprites",
                       "sprite y offsets: 0 of 1 sprites", "sector ceiling palettes: 0 of 2 sectors",
                       "sector floor palettes: 0 of 2 sectors", "sector visibilities: 0 of 2 sectors",
                       "sector extra values: 2 of 2 sectors", "wall flags: 0 of 3 walls", "wall extra values: 3 of 3 walls",
                       "sprite extra values: 1 of 1 sprites"}));
  EXPECT_TRUE(LossesDownTo(map, 6).empty());
  FieldLoss many{7, RecordKind::Wall, pal, 1234, 32767};
  EXPECT_EQ(LossLine(many), "wall palettes: 1,234 of 32,767 walls");
}

// Whether a file was whole, as the page and the console say it: a cut names the records read as
// zeros, from version 5 on a count the file lacks too; bytes after the last record are counted
// unless every one is zero, as real version 5 files end.
TEST(MapReportTest, ExtentNotesSayWhatAShortOrLongFileLost) {
  auto notes = [](const MapFile& written, std::int64_t change, std::uint8_t tail = 0x5a) {
    Bytes file;
    EXPECT_EQ(WriteMap(written, file), Ok);
    file.resize(static_cast<std::size_t>(static_cast<std::int64_t>(file.size()) + change), tail);
    MapFile map;
    SourceExtent extent;
    EXPECT_EQ(ReadMap(file, map, &extent), Ok);
    EXPECT_EQ(extent.bytes, file.size());
    std::string text;
    const FileFit fit = FitOf(map, extent);
    for (const std::string& line : ExtentNotes(fit)) text += line + "|";
    for (const std::string& line : FitLines(fit)) text += line + "|";
    return text;
  };
  const MapFile large = EmptyMap(7, 1, 2000, 300);  // walls of 32 bytes, sprites of 44
  EXPECT_EQ(notes(large, 0), "");
  EXPECT_EQ(notes(large, 2, 0), "");
  EXPECT_EQ(notes(large, 1), "1 byte after the last record is not carried over.|   1 byte after the last record not carried over|");
  EXPECT_EQ(notes(large, 2000), "2,000 bytes after the last record are not carried over.|"
                                "   2000 bytes after the last record not carried over|");
  EXPECT_EQ(notes(large, -1), "The file ends 1 byte early: its last records were read as zeros.|Read as zeros: sprite 299.|"
                              "   File ends 1 byte early: sprite 299 read as zeros|");
  EXPECT_EQ(notes(large, -(93 * 44 - 10)),
            "The file ends 4,082 bytes early: its last records were read as zeros.|Read as zeros: sprites 207 to 299.|"
            "   File ends 4082 bytes early: sprites 207 to 299 read as zeros|");
  EXPECT_EQ(notes(large, -(300 * 44 + 2 + 1000 * 32 - 5)),
            "The file ends 31,997 bytes early: its last records were read as zeros.|"
            "Read as zeros: walls 1,000 to 1,999, the number of sprites.|"
            "   File ends 31997 bytes early: walls 1000 to 1999, the number of sprites read as zeros|");
  EXPECT_EQ(notes(large, -(300 * 44 + 2)),
            "The file ends 2 bytes early: its last records were read as zeros.|Read as zeros: the number of sprites.|"
            "   File ends 2 bytes early: the number of sprites read as zeros|");
  EXPECT_EQ(notes(EmptyMap(3, 5, 10, 2), -(4 * 30 + 10 * 31 + 2 * 38 - 1)),
            "The file ends 505 bytes early: its last records were read as zeros.|"
            "Read as zeros: sectors 1 to 4, walls 0 to 9, sprites 0 to 1.|"
            "   File ends 505 bytes early: sectors 1 to 4, walls 0 to 9, sprites 0 to 1 read as zeros|");
  // A zero byte far behind the first non-zero one is no reason to stop looking.
  Bytes tail;
  EXPECT_EQ(WriteMap(large, tail), Ok);
  tail.resize(tail.size() + 200000);
  tail.back() = 1;
  MapFile map;
  SourceExtent extent;
  EXPECT_EQ(ReadMap(tail, map, &extent), Ok);
  EXPECT_FALSE(extent.zero_tail);
  EXPECT_EQ(WithCommas(-1234567), "-1,234,567");
  EXPECT_EQ(WithCommas(-123), "-123");
}

}  // namespace
}  // namespace tessaro

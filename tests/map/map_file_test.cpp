// The map format over bytes: the samples, damaged and odd files, what a written file holds and
// what cannot be written; the file shell around it; where the record layouts put each field; and
// what the browser page shows of a map.
#include "map/map_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <sstream>

#include "map/file_fit.hpp"
#include "map/map_format.hpp"
#include "map/map_messages.hpp"
#include "map/map_report.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/case_table.hpp"
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

// Short, unknown versions, counts of zero or below (read.cases); what a file lacks of its records
// reads as zero bytes, and a failed read leaves the map empty.
TEST(MapFormatTest, OddFilesReadCleanly) {
  for (const testing::CaseRow& row : testing::ReadCases("map/read.cases")) {
    Bytes file(20, 0);
    file[0] = static_cast<std::uint8_t>(std::stoi(row.given[0]));
    std::istringstream counts(row.given[1]);
    for (std::uint32_t count = 0; counts >> std::hex >> count;) {
      file.insert(file.end(), {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8)});
    }
    file.resize(std::stoul(row.given[2]), 0);
    MapFile map = EmptyMap(6, 1, 1, 1);
    const MapError read = ReadMap(file, map);
    std::string got = MapErrorMessage(read).empty() ? "Ok" : std::string(MapErrorMessage(read).substr(3));
    for (const auto* data : {&map.sectordata, &map.walldata, &map.spritedata}) {
      const bool zeros = std::all_of(data->begin(), data->end(), [](std::uint8_t b) { return b == 0; });
      got += " " + std::to_string(data->size()) + (zeros ? "" : "!");
    }
    EXPECT_EQ(got, row.expected[0]) << row.where;
    EXPECT_TRUE(read == Ok || testing::SameMap(map, MapFile{})) << row.where;
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
  map.mapversion = 2;
  EXPECT_EQ(RecordsHeld(map, RecordKind::Wall), 0) << "nor records";
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

// Whether a file was whole, as the page and the console say it (file_fit.cases), and a tail that
// holds a byte other than zero far behind the records.
TEST(MapReportTest, ExtentNotesSayWhatAShortOrLongFileLost) {
  for (const testing::CaseRow& row : testing::ReadCases("map/file_fit.cases")) {
    std::istringstream given(row.given[0]);
    int version = 0, sectors = 0, walls = 0, sprites = 0, change = 0, tail = 0;
    given >> version >> sectors >> walls >> sprites >> change >> tail;
    Bytes file;
    EXPECT_EQ(WriteMap(EmptyMap(version, static_cast<std::int16_t>(sectors), static_cast<std::int16_t>(walls),
                                static_cast<std::int16_t>(sprites)), file), Ok);
    file.resize(static_cast<std::size_t>(static_cast<std::int64_t>(file.size()) + change), static_cast<std::uint8_t>(tail));
    if (row.given[0].ends_with("far")) file.back() = 1;
    MapFile map;
    SourceExtent extent;
    EXPECT_EQ(ReadMap(file, map, &extent), Ok);
    EXPECT_EQ(extent.bytes, file.size());
    std::vector<std::string> lines = ExtentNotes(FitOf(map, extent));
    for (std::string& line : FitLines(FitOf(map, extent))) lines.push_back(line);
    EXPECT_EQ(lines, std::vector<std::string>(row.expected.begin(), row.expected.end() - (row.expected.back().empty() ? 1 : 0)))
        << row.where;
  }
  EXPECT_EQ(WithCommas(-1234567) + WithCommas(-123), "-1,234,567-123");
}

}  // namespace
}  // namespace tessaro

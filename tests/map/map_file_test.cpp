#include "map/map_file.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "tests/map/map_builder.hpp"
#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::SamplePath;
using testing::ScopedConsoleCapture;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kLevels[] = {"courtyard", "warehouse"};

Bytes Header(std::int32_t version) {
  Bytes bytes(20, 0);
  bytes[0] = static_cast<std::uint8_t>(version);
  return bytes;
}

void AppendCount(Bytes& bytes, std::uint16_t count) {
  bytes.push_back(static_cast<std::uint8_t>(count & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(count >> 8));
}

MapError OpenQuietly(const std::string& path, MapFile& map) {
  ScopedConsoleCapture quiet;
  return OpenMap(path, map);
}

MapError SaveQuietly(const std::string& path, const MapFile& map) {
  ScopedConsoleCapture quiet;
  return SaveMap(path, map);
}

TEST(MapFileTest, OpenAndSaveReproduceEverySampleByteForByte) {
  TempDir dir;
  for (int version = 3; version <= 7; ++version) {
    for (const char* level : kLevels) {
      SCOPED_TRACE(std::string(level) + " v" + std::to_string(version));
      const Bytes original = ReadBytes(SamplePath(version, level));
      ASSERT_FALSE(original.empty());
      MapFile map;
      ASSERT_EQ(OpenQuietly(SamplePath(version, level), map), Ok);
      EXPECT_EQ(map.mapversion, version);
      ASSERT_EQ(SaveQuietly(dir / "copy.map", map), Ok);
      EXPECT_EQ(ReadBytes(dir / "copy.map"), original);
    }
  }
}

TEST(MapFileTest, TrailingBytesAreDroppedOnSaving) {
  TempDir dir;
  Bytes bytes = ReadBytes(SamplePath(5, "courtyard"));
  const Bytes original = bytes;
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
  WriteBytes(dir / "tail.map", bytes);
  MapFile map;
  ASSERT_EQ(OpenQuietly(dir / "tail.map", map), Ok);
  ASSERT_EQ(SaveQuietly(dir / "out.map", map), Ok);
  EXPECT_EQ(ReadBytes(dir / "out.map"), original);
}

TEST(MapFileTest, StageLinesAndMessages) {
  TempDir dir;
  ScopedConsoleCapture capture;
  MapFile map;
  EXPECT_EQ(OpenMap(dir / "missing.map", map), SourceNotFound);
  PrintMapError(SourceNotFound);
  EXPECT_EQ(capture.Text(), ":: Opening " + (dir / "missing.map") + "...\r\n   Source file no found\r\n");
}

TEST(MapFileTest, PrintMapErrorTexts) {
  ScopedConsoleCapture capture;
  for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1}) PrintMapError(code);
  EXPECT_EQ(capture.Text(),
            "   Source file corrupted\r\n"
            "   Source file no found\r\n"
            "   No handle available\r\n"
            "   Source file format unsupported\r\n"
            "   I/O error\r\n"
            "   Cannot upgrade source file any further\r\n"
            "   Cannot downgrade source file any further\r\n"
            "   No upgrade/downgrade needed\r\n");
}

TEST(MapFileTest, ShortAndOddFiles) {
  TempDir dir;
  const std::string path = dir / "odd.map";
  MapFile map;

  Bytes bytes = Header(7);
  bytes.resize(25);
  WriteBytes(path, bytes);
  EXPECT_EQ(OpenQuietly(path, map), SourceCorrupted) << "25 bytes, even with a valid version";

  bytes = Header(9);
  bytes.resize(26);
  WriteBytes(path, bytes);
  EXPECT_EQ(OpenQuietly(path, map), FormatUnsupported);

  bytes = Header(2);
  bytes.resize(26);
  WriteBytes(path, bytes);
  EXPECT_EQ(OpenQuietly(path, map), FormatUnsupported);

  WriteBytes(path, {});
  EXPECT_EQ(OpenQuietly(path, map), SourceCorrupted);
}

TEST(MapFileTest, TwentySixByteVersion3FileLoadsZeroFilledRecords) {
  TempDir dir;
  Bytes bytes = Header(3);
  AppendCount(bytes, 1);
  AppendCount(bytes, 1);
  AppendCount(bytes, 0);
  WriteBytes(dir / "tiny.map", bytes);
  MapFile map;
  ASSERT_EQ(OpenQuietly(dir / "tiny.map", map), Ok);
  EXPECT_EQ(map.numsectors, 1);
  EXPECT_EQ(map.numwalls, 1);
  EXPECT_EQ(map.numsprites, 0);
  EXPECT_EQ(map.sectordata, Bytes(30, 0));
  EXPECT_EQ(map.walldata, Bytes(31, 0));
  EXPECT_TRUE(map.spritedata.empty());
  EXPECT_EQ(map.spritebytes(), 0u);
}

TEST(MapFileTest, ZeroAndNegativeCounts) {
  TempDir dir;
  const std::string path = dir / "counts.map";
  MapFile map;
  struct Case {
    std::int32_t version;
    std::uint16_t sectors, walls, sprites;
    MapError expected;
  };
  const Case cases[] = {
      {3, 0, 1, 0, SourceCorrupted},     {3, 1, 0, 0, SourceCorrupted},
      {4, 0x8000, 1, 0, SourceCorrupted}, {4, 1, 0xFFFF, 0, SourceCorrupted},
      {3, 1, 1, 0x8000, SourceCorrupted}, {4, 0x7FFF, 0x7FFF, 0x7FFF, Ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sectors);
    Bytes bytes = Header(c.version);
    AppendCount(bytes, c.sectors);
    AppendCount(bytes, c.walls);
    AppendCount(bytes, c.sprites);
    WriteBytes(path, bytes);
    EXPECT_EQ(OpenQuietly(path, map), c.expected);
  }
  EXPECT_EQ(map.sectorbytes(), 0x7FFFu * 32) << "the largest counts load, zero-filled";

  for (std::uint16_t huge : {std::uint16_t{0x8000}, std::uint16_t{0xFFFF}}) {
    Bytes bytes = Header(7);
    AppendCount(bytes, huge);
    bytes.resize(64, 0);
    WriteBytes(path, bytes);
    EXPECT_EQ(OpenQuietly(path, map), SourceCorrupted);
  }
}

TEST(MapFileTest, CountPastTheEndReadsAsZero) {
  TempDir dir;
  Bytes bytes = Header(7);
  AppendCount(bytes, 2);
  bytes.resize(bytes.size() + 2 * 40, 7);  // the sector array, then the file ends
  WriteBytes(dir / "cut.map", bytes);
  MapFile map;
  EXPECT_EQ(OpenQuietly(dir / "cut.map", map), SourceCorrupted);
  EXPECT_EQ(map.mapversion, 0) << "a failed open leaves the map empty";
}

// The bytes a file cut at `length` holds from `offset` on, zero where the cut file has none.
Bytes CutSlice(const Bytes& whole, std::size_t length, std::size_t offset, std::size_t size) {
  Bytes slice(size, 0);
  for (std::size_t i = 0; i < size && offset + i < length; ++i) slice[i] = whole[offset + i];
  return slice;
}

// Every shorter length of a real map opens to the result the format rules give, never a crash.
TEST(MapFileTest, EveryPrefixOfASampleOpensCleanly) {
  TempDir dir;
  const std::string path = dir / "prefix.map";
  for (int version : {3, 5, 7}) {
    const Bytes whole = ReadBytes(SamplePath(version, "courtyard"));
    MapFile full;
    ASSERT_EQ(OpenQuietly(SamplePath(version, "courtyard"), full), Ok);
    const bool together = version <= 4;
    const std::size_t sectors_at = together ? 26 : 22;
    const std::size_t walls_at = sectors_at + full.sectorbytes() + (together ? 0 : 2);
    for (std::size_t length = 0; length < whole.size(); ++length) {
      SCOPED_TRACE(std::to_string(version) + " length " + std::to_string(length));
      WriteBytes(path, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
      MapFile map;
      const MapError result = OpenQuietly(path, map);
      // The wall count's low byte alone still reads as the right count.
      if (length < 26 || (!together && length <= walls_at - 2)) {
        EXPECT_EQ(result, SourceCorrupted);
        continue;
      }
      ASSERT_EQ(result, Ok);
      EXPECT_EQ(map.sectordata, CutSlice(whole, length, sectors_at, full.sectorbytes()));
      EXPECT_EQ(map.walldata, CutSlice(whole, length, walls_at, full.wallbytes()));
    }
  }
}

TEST(MapFileTest, ReadOnlySourceIsReadButHiddenFilesAndDirectoriesAreNot) {
  TempDir dir;
  const Bytes sample = ReadBytes(SamplePath(6, "courtyard"));
  WriteBytes(dir / "disc.map", sample);
  chmod((dir / "disc.map").c_str(), 0444);
  WriteBytes(dir / ".hidden.map", sample);
  mkdir((dir / "folder.map").c_str(), 0755);
  MapFile map;
  EXPECT_EQ(OpenQuietly(dir / "disc.map", map), Ok);
  EXPECT_EQ(OpenQuietly(dir / ".hidden.map", map), SourceNotFound);
  EXPECT_EQ(OpenQuietly(dir / "folder.map", map), SourceNotFound);
}

TEST(MapFileTest, FifoIsNeverOpened) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "pipe.map").c_str(), 0644), 0);
  MapFile map;
  EXPECT_EQ(OpenQuietly(dir / "pipe.map", map), SourceNotFound);
}

TEST(MapFileTest, NamesAreFoundIgnoringTheCaseOfLetters) {
  TempDir dir;
  mkdir((dir / "Maps").c_str(), 0755);
  WriteBytes(dir / "Maps/E1L1.MAP", ReadBytes(SamplePath(4, "courtyard")));
  MapFile map;
  EXPECT_EQ(OpenQuietly(dir / "maps/e1l1.map", map), Ok);
  EXPECT_EQ(map.mapversion, 4);
}

TEST(MapFileTest, SaveWritesEachVersionsLayoutAndEnding) {
  TempDir dir;
  MapFile map = testing::EmptyMap(5, 1, 1, 0);
  ASSERT_EQ(SaveQuietly(dir / "five.map", map), Ok);
  const Bytes five = ReadBytes(dir / "five.map");
  ASSERT_EQ(five.size(), 20u + 2 + 37 + 2 + 35 + 2);
  EXPECT_EQ(five[five.size() - 2], 0);
  EXPECT_EQ(five[five.size() - 1], 0);

  map = testing::EmptyMap(3, 1, 1, 0);
  map.walldata.back() = 0xAB;
  ASSERT_EQ(SaveQuietly(dir / "three.map", map), Ok);
  const Bytes three = ReadBytes(dir / "three.map");
  ASSERT_EQ(three.size(), 26u + 30 + 31);
  EXPECT_EQ(three.back(), 0xAB) << "a version 3 map without sprites ends with its last wall";
}

TEST(MapFileTest, SaveRefusesUnknownVersionsWithoutCreatingAFile) {
  TempDir dir;
  MapFile map = testing::EmptyMap(3, 1, 1, 0);
  map.mapversion = 2;
  ScopedConsoleCapture capture;
  EXPECT_EQ(SaveMap(dir / "two.map", map), FormatUnsupported);
  EXPECT_EQ(capture.Text(), ":: Saving " + (dir / "two.map") + "...\r\n");
  EXPECT_TRUE(dir.Entries().empty());
}

TEST(MapFileTest, SaveReplacesALongerFileEntirelyAndKeepsItsPermissions) {
  TempDir dir;
  const std::string path = dir / "out.map";
  WriteBytes(path, Bytes(10000, 0xEE));
  chmod(path.c_str(), 0640);
  const MapFile map = testing::EmptyMap(7, 1, 1, 0);
  ASSERT_EQ(SaveQuietly(path, map), Ok);
  EXPECT_EQ(ReadBytes(path).size(), 20u + 2 + 40 + 2 + 32 + 2);
  struct stat info{};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.map"});
}

TEST(MapFileTest, ReadOnlyOrHiddenTargetIsNotReplaced) {
  TempDir dir;
  const Bytes old_content(100, 0x11);
  WriteBytes(dir / "locked.map", old_content);
  chmod((dir / "locked.map").c_str(), 0444);
  WriteBytes(dir / ".hidden.map", old_content);
  const MapFile map = testing::EmptyMap(7, 1, 1, 0);
  EXPECT_EQ(SaveQuietly(dir / "locked.map", map), IoError);
  EXPECT_EQ(SaveQuietly(dir / ".hidden.map", map), IoError);
  EXPECT_EQ(ReadBytes(dir / "locked.map"), old_content);
  EXPECT_EQ(ReadBytes(dir / ".hidden.map"), old_content);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{".hidden.map", "locked.map"}));
}

TEST(MapFileTest, SaveIntoAMissingDirectoryFails) {
  TempDir dir;
  EXPECT_EQ(SaveQuietly(dir / "no/such/out.map", testing::EmptyMap(7, 1, 1, 0)), IoError);
}

// A save cut short by the file size limit: the old file stays as it was, no temporary is left.
TEST(MapFileTest, FailedWriteLeavesTheTargetAndNoTemporary) {
  TempDir dir;
  const std::string path = dir / "big.map";
  const Bytes old_content(500, 0x22);
  WriteBytes(path, old_content);
  MapFile map = testing::EmptyMap(7, 100, 100, 100);

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const MapError result = SaveQuietly(path, map);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(result, IoError);
  EXPECT_EQ(ReadBytes(path), old_content);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"big.map"});
}

TEST(MapFileTest, FreeMapEmptiesEverything) {
  MapFile map = testing::EmptyMap(6, 2, 3, 4);
  map.posx = 5;
  map.cursectnum = 1;
  FreeMap(map);
  EXPECT_EQ(map.mapversion, 0);
  EXPECT_EQ(map.posx, 0);
  EXPECT_EQ(map.cursectnum, 0);
  EXPECT_EQ(map.numsectors + map.numwalls + map.numsprites, 0);
  EXPECT_TRUE(map.sectordata.empty() && map.walldata.empty() && map.spritedata.empty());
}

}  // namespace
}  // namespace tessaro

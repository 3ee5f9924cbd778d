// Runs with a swap script: the script is read once and applied to every map of the run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "map/records.hpp"
#include "tests/e2e/run_program.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ConvertedSample;
using testing::ReadBytes;
using testing::RedirectedBanner;
using testing::RunTessaro;
using testing::SamplePath;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kLevels[] = {"courtyard", "warehouse"};

std::string Stages(const std::string& script) {
  std::string expected = RedirectedBanner() + ":: Parsing command line parameters\r\n:: Loading " + script +
                         " as a script\r\n";
  for (const char* level : kLevels) {
    expected += ":: Opening " + std::string(level) + ".map...\r\n:: Upgrading from v6 to v7\r\n"
                ":: Replacing tiles\r\n:: Saving " + level + "_v7.map...\r\n";
  }
  return expected;
}

struct Folder {
  TempDir dir;
  Folder() {
    for (const char* level : kLevels) WriteBytes(dir / (std::string(level) + ".map"), ReadBytes(SamplePath(6, level)));
  }
  MapFile Output(const char* level) const {
    MapFile map;
    EXPECT_EQ(testing::OpenQuietly(dir / (std::string(level) + "_v7.map"), map), Ok);
    return map;
  }
};

TEST(SwapScriptRunTest, WildcardRunRenamesTilesInEveryOutput) {
  Folder folder;
  WriteBytes(folder.dir / "swaps.txt", {'1', '0', '0', '-', '1', '3', '0', ',', ' ', '9', '9', '9', '\r', '\n',
                                        '1', '4', '0', '0', '-', '1', '4', '5', '0', ',', '5'});
  const auto run = RunTessaro(folder.dir.path(), {"-In", "*.map", "-Version", "7", "-ST", "SWAPS"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, Stages("swaps.txt"));
  for (const char* level : kLevels) {
    SCOPED_TRACE(level);
    // What the conversion alone gives, with the script's two ranges applied by hand.
    TempDir scratch;
    WriteBytes(scratch / "expected.map", ConvertedSample(6, level, 7));
    MapFile expected;
    ASSERT_EQ(testing::OpenQuietly(scratch / "expected.map", expected), Ok);
    for (std::int32_t wall = 0; wall < expected.numwalls; ++wall) {
      const std::int32_t tile = GetField(expected, RecordKind::Wall, wall, Field::picnum);
      ASSERT_TRUE(tile >= 100 && tile <= 130) << "the sample's wall tiles";
      SetField(expected, RecordKind::Wall, wall, Field::picnum, 999);
    }
    for (std::int32_t sprite = 0; sprite < expected.numsprites; ++sprite) {
      SetField(expected, RecordKind::Sprite, sprite, Field::picnum, 5);
    }
    EXPECT_TRUE(testing::SameMap(folder.Output(level), expected));
  }
}

// A script that cannot be used shows only its loading line; the pass still runs and changes nothing.
TEST(SwapScriptRunTest, MissingEmptyOrUnreadableScriptLeavesEveryTile) {
  for (const char* script : {"missing", "empty", "pipe"}) {
    SCOPED_TRACE(script);
    Folder folder;
    WriteBytes(folder.dir / "empty.txt", {});
    ASSERT_EQ(mkfifo((folder.dir / "pipe.txt").c_str(), 0644), 0);
    const auto run = RunTessaro(folder.dir.path(), {"-In", "*.map", "-Version", "7", "-SwapTiles", script});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, Stages(std::string(script) + ".txt"));
    for (const char* level : kLevels) {
      EXPECT_EQ(ReadBytes(folder.dir / (std::string(level) + "_v7.map")), ConvertedSample(6, level, 7)) << level;
    }
  }
}

}  // namespace
}  // namespace tessaro

// Map files the POSIX way: permission bits and names that begin with a dot. FIFOs and saves cut
// short are in tests/robustness.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "map/map_file.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::SaveQuietly;
using testing::WriteBytes;

// The program's listing never offers these; OpenMap refuses them on its own all the same.
TEST(MapFileTest, HiddenFilesAndDirectoriesAreNoSources) {
  testing::TempDir dir;
  WriteBytes(dir / ".hidden.map", ReadBytes(testing::SamplePath(6, "courtyard")));
  mkdir((dir / "folder.map").c_str(), 0755);
  MapFile map;
  EXPECT_EQ(testing::OpenQuietly(dir / ".hidden.map", map), SourceNotFound);
  EXPECT_EQ(testing::OpenQuietly(dir / "folder.map", map), SourceNotFound);
}

TEST(MapFileTest, SaveReplacesALongerFileEntirelyAndKeepsItsPermissions) {
  testing::TempDir dir;
  const std::string path = dir / "out.map";
  WriteBytes(path, Bytes(10000, 0xEE));
  chmod(path.c_str(), 0640);
  ASSERT_EQ(SaveQuietly(path, testing::EmptyMap(7, 1, 1, 0)), Ok);
  EXPECT_EQ(ReadBytes(path).size(), 20u + 2 + 40 + 2 + 32 + 2);
  struct stat info{};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.map"});
}

TEST(MapFileTest, ReadOnlyOrHiddenTargetIsNotReplaced) {
  testing::TempDir dir;
  const Bytes old_content(100, 0x11);
  WriteBytes(dir / "locked.map", old_content);
  chmod((dir / "locked.map").c_str(), 0444);
  WriteBytes(dir / ".hidden.map", old_content);
  for (const char* name : {"locked.map", ".hidden.map"}) {
    EXPECT_EQ(SaveQuietly(dir / name, testing::EmptyMap(7, 1, 1, 0)), IoError) << name;
    EXPECT_EQ(ReadBytes(dir / name), old_content) << name;
  }
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{".hidden.map", "locked.map"}));
}

}  // namespace
}  // namespace tessaro

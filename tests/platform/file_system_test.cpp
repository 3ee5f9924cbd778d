// The file-system layer as every platform has it. On POSIX, names found whatever the case of
// their letters come from a listing kept between calls, which must follow every change.
#include "platform/file_system.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Names = std::vector<std::string>;

FileStatus Replace(const std::string& path, const std::vector<Bytes>& pieces) {
  std::vector<std::span<const std::uint8_t>> spans(pieces.begin(), pieces.end());
  return ReplaceFile(path, spans);
}

std::string Found(const std::string& path) {
  std::string found;
  if (FindFile(path, kAttrReadOnly, found) != FileStatus::Ok) return "";
  return std::filesystem::path(found).filename().string();
}

// The pieces back to back, over an existing longer file of another spelling, which keeps its
// permissions, nothing else left; never into a missing directory or over a directory.
TEST(FileSystemTest, Replace) {
  TempDir dir;
  ASSERT_EQ(Replace(dir / "new.map", {{1, 2}, {}, {3}}), FileStatus::Ok);
  EXPECT_EQ(ReadBytes(dir / "new.map"), (Bytes{1, 2, 3}));
  WriteBytes(dir / "Old.map", Bytes(1000, 9));
  const auto kept = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                    std::filesystem::perms::group_read;
  std::filesystem::permissions(dir / "Old.map", kept);
  const auto permissions = std::filesystem::status(dir / "Old.map").permissions();
  ASSERT_EQ(Replace(dir / "old.map", {{7}}), FileStatus::Ok);
  EXPECT_EQ(ReadBytes(dir / "Old.map"), (Bytes{7}));
  EXPECT_EQ(std::filesystem::status(dir / "Old.map").permissions(), permissions);
  ASSERT_TRUE(std::filesystem::create_directory(dir / "folder.map"));
  EXPECT_EQ(Replace(dir / "no/such/out.map", {{1}}), FileStatus::IoError);
  EXPECT_EQ(Replace(dir / "folder.map", {{1}}), FileStatus::IoError);
  EXPECT_EQ(dir.Entries(), (Names{"Old.map", "folder.map", "new.map"}));
}

// In a directory last changed long ago, as most are when a run starts: names made, removed or
// renamed after a lookup, by this program or another, are seen by the next one.
TEST(FileSystemTest, LookupsFollowEveryChange) {
  TempDir dir;
  WriteBytes(dir / "A.MAP", {1});
  WriteBytes(dir / "B.MAP", {2});
  std::error_code error;
  std::filesystem::last_write_time(dir.path(), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1),
                                   error);
  if (error) GTEST_SKIP() << "a directory's time cannot be set here";
  EXPECT_EQ(Found(dir / "a.map") + Found(dir / "b.map") + Found(dir / "c.map"), "A.MAPB.MAP");
  WriteBytes(dir / "C.Map", {3});
  std::filesystem::remove(dir / "A.MAP");
  std::filesystem::rename(dir / "B.MAP", dir / "D.MAP");
  EXPECT_EQ(Found(dir / "a.map") + Found(dir / "b.map") + Found(dir / "c.map") + Found(dir / "d.map"), "C.MapD.MAP");
  for (const char* name : {"one.map", "two.map"}) {
    EXPECT_EQ(Found(dir / name), "");
    ASSERT_EQ(Replace(dir / name, {}), FileStatus::Ok);
  }
  EXPECT_EQ(Found(dir / "ONE.MAP") + Found(dir / "Two.Map"), "one.maptwo.map");
  // Saving under another spelling replaces the file there is, rather than making a second one.
  ASSERT_EQ(Replace(dir / "C.MAP", {{5}}), FileStatus::Ok);
  EXPECT_EQ(dir.Entries(), (Names{"C.Map", "D.MAP", "one.map", "two.map"}));
  EXPECT_EQ(ReadBytes(dir / "C.Map"), (Bytes{5}));
}

}  // namespace
}  // namespace tessaro

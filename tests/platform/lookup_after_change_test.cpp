// Names looked up whatever the case of their letters follow every change to their directory,
// whoever makes it, however often the directory has been looked into before.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/file_system.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::TempDir;
using testing::WriteBytes;

// A directory last changed long ago, as most are when a run starts.
void Age(const TempDir& dir) {
  std::filesystem::last_write_time(dir.path(), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
}

std::string Found(const std::string& path) {
  std::string found;
  if (FindFile(path, kAttrReadOnly, found) != FileStatus::Ok) return "";
  return std::filesystem::path(found).filename().string();
}

TEST(LookupAfterChangeTest, ANameMadeAfterALookupIsFound) {
  TempDir dir;
  WriteBytes(dir / "a.map", {1});
  Age(dir);
  EXPECT_EQ(Found(dir / "b.map"), "");
  WriteBytes(dir / "B.MAP", {2});
  EXPECT_EQ(Found(dir / "b.map"), "B.MAP");
}

TEST(LookupAfterChangeTest, ANameRemovedOrRenamedAfterALookupIsGone) {
  TempDir dir;
  WriteBytes(dir / "A.MAP", {1});
  WriteBytes(dir / "B.MAP", {2});
  Age(dir);
  EXPECT_EQ(Found(dir / "a.map"), "A.MAP");
  EXPECT_EQ(Found(dir / "b.map"), "B.MAP");
  std::filesystem::remove(dir / "A.MAP");
  EXPECT_EQ(Found(dir / "a.map"), "");
  std::filesystem::rename(dir / "B.MAP", dir / "C.Map");
  EXPECT_EQ(Found(dir / "b.map"), "");
  EXPECT_EQ(Found(dir / "c.map"), "C.Map");
}

TEST(LookupAfterChangeTest, EachSaveIsFoundByTheNextLookupAndReplacedByTheNextSave) {
  TempDir dir;
  Age(dir);
  const std::vector<std::span<const std::uint8_t>> nothing;
  for (const char* name : {"one.map", "two.map", "three.map"}) {
    EXPECT_EQ(Found(dir / name), "");
    ASSERT_EQ(ReplaceFile(dir / name, nothing), FileStatus::Ok);
  }
  EXPECT_EQ(Found(dir / "ONE.MAP"), "one.map");
  EXPECT_EQ(Found(dir / "Two.Map"), "two.map");
  // Saving under another spelling replaces the file there is, rather than making a second one.
  const Bytes content{5};
  const std::vector<std::span<const std::uint8_t>> pieces{content};
  ASSERT_EQ(ReplaceFile(dir / "THREE.MAP", pieces), FileStatus::Ok);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"one.map", "three.map", "two.map"}));
  EXPECT_EQ(testing::ReadBytes(dir / "three.map"), content);
}

}  // namespace
}  // namespace tessaro

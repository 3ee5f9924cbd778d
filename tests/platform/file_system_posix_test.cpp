// The file-system layer when the process has no file handle left: each operation says so, rather
// than that a file is missing or broken.
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/file_system.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

TEST(FileSystemTest, NoHandleLeft) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "a.map", {1});
  // A directory left alone for a while is remembered, so its names are found without a handle.
  std::filesystem::last_write_time(dir.path(), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  std::string found;
  ASSERT_EQ(FindFile(dir / "A.MAP", kAttrReadOnly, found), FileStatus::Ok);
  std::vector<std::string> names;
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowest_free = dup(STDIN_FILENO);
  close(lowest_free);
  rlimit none = saved;
  none.rlim_cur = static_cast<rlim_t>(lowest_free);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
  InputFile file;
  const FileStatus opened = file.Open(dir / "a.map");
  const FileStatus replaced = ReplaceFile(dir / "b.map", {});
  const FileStatus listed = ListDirectory("/", kAttrReadOnly, names);
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(opened, FileStatus::NoHandle);
  EXPECT_EQ(replaced, FileStatus::NoHandle);
  EXPECT_EQ(listed, FileStatus::NoHandle);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.map"});
}

}  // namespace
}  // namespace tessaro

// The file-system layer when the process has no file handle left: each operation says so, rather
// than that a file is missing or broken.
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file_system.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

TEST(FileSystemTest, NoHandleLeft) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "a.map", {1});
  std::vector<std::string> names;
  ASSERT_EQ(ListDirectory(dir.path(), kAttrReadOnly, names), FileStatus::Ok);  // now known without a handle
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

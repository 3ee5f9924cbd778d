// Map files the Windows way. Which attributes keep a file from being read or replaced is checked
// in tests/platform/file_system_win32_test.cpp and, for the program, in tests/e2e.
#include "platform/win32_api.hpp"

#include <gtest/gtest.h>

#include <string>

#include "map/map_file.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;

// Another program holds the old file open and lets nobody replace it: the save fails, the old
// file stays as it was and no temporary file is left.
TEST(MapFileTest, FailedSaveLeavesTheTargetAndNoTemporary) {
  testing::TempDir dir;
  const std::string path = dir / "busy.map";
  const Bytes old_content(500, 0x22);
  testing::WriteBytes(path, old_content);
  const HANDLE busy = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  const MapError result = testing::SaveQuietly(path, testing::EmptyMap(7, 100, 100, 100));
  CloseHandle(busy);
  EXPECT_EQ(result, IoError);
  EXPECT_EQ(testing::ReadBytes(path), old_content);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"busy.map"});
}

TEST(MapFileTest, DeviceNamesAreNeverOpened) {
  MapFile map;
  for (const char* name : {"NUL", "CON", "nul.map"}) EXPECT_NE(testing::OpenQuietly(name, map), Ok) << name;
}

}  // namespace
}  // namespace tessaro

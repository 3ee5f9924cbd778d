// Scripts the Windows way: the file attributes, set as a user or an archive would set them.
#include "platform/win32_api.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/tiles/swap_script_fixture.hpp"

namespace tessaro {
namespace {

using testing::ExpectTable;
using testing::SwapScriptTest;

std::string WithAttributes(const std::string& path, DWORD attributes) {
  EXPECT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
  return path;
}

TEST_F(SwapScriptTest, ReadOnlyScriptIsReadAndOnesThatCannotBeReadLeaveTheTable) {
  const std::string read_only = WithAttributes(Write("5, 6\n"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_EQ(LoadSwapScript(read_only, table_), ScriptLoaded);
  EXPECT_EQ(console_.Text(), LoadingLine(read_only));

  const std::string missing = dir_ / "missing.txt";
  const std::string empty = Write("", "empty.txt");
  const std::string hidden = WithAttributes(Write("1, 2\n", "hidden.txt"), FILE_ATTRIBUTE_HIDDEN);
  const std::string system = WithAttributes(Write("1, 2\n", "system.txt"), FILE_ATTRIBUTE_SYSTEM);
  const std::string directory = dir_ / "folder.txt";
  ASSERT_TRUE(std::filesystem::create_directory(directory));
  for (const std::string& path : {missing, empty, hidden, system, directory}) {
    SCOPED_TRACE(path);
    const std::size_t before = console_.Text().size();
    EXPECT_NE(LoadSwapScript(path, table_), ScriptLoaded);
    EXPECT_EQ(console_.Text().substr(before), LoadingLine(path));
    ExpectTable(table_, 5, {{5, 5, 6}});
  }
}

TEST_F(SwapScriptTest, ScriptLockedByAnotherProgramLeavesTheTable) {
  const std::string path = Write("1, 2\n");
  const HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const ScriptResult result = LoadSwapScript(path, table_);
  CloseHandle(lock);
  EXPECT_EQ(result, ScriptUnreadable);
  EXPECT_EQ(console_.Text(), LoadingLine(path));
  ExpectTable(table_, 0, {});
}

}  // namespace
}  // namespace tessaro

// Scripts the POSIX way: permission bits, names that begin with a dot, directories.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/tiles/swap_script_fixture.hpp"

namespace tessaro {
namespace {

using testing::ExpectTable;
using testing::SwapScriptTest;

TEST_F(SwapScriptTest, ReadOnlyScriptIsReadAndOnesThatCannotBeReadLeaveTheTable) {
  const std::string read_only = Write("5, 6\n");
  ASSERT_EQ(chmod(read_only.c_str(), 0444), 0);
  ASSERT_EQ(LoadSwapScript(read_only, table_), ScriptLoaded);
  EXPECT_EQ(console_.Text(), LoadingLine(read_only));

  const std::string missing = dir_ / "missing.txt";
  const std::string empty = Write("", "empty.txt");
  const std::string hidden = Write("1, 2\n", ".hidden.txt");
  const std::string directory = dir_ / "folder.txt";
  ASSERT_EQ(mkdir(directory.c_str(), 0755), 0);
  for (const std::string& path : {missing, empty, hidden, directory}) {
    SCOPED_TRACE(path);
    const std::size_t before = console_.Text().size();
    EXPECT_NE(LoadSwapScript(path, table_), ScriptLoaded);
    EXPECT_EQ(console_.Text().substr(before), LoadingLine(path));
    ExpectTable(table_, 5, {{5, 5, 6}});
  }
}

TEST_F(SwapScriptTest, UnreadableScriptLeavesTheTable) {
  if (geteuid() == 0) GTEST_SKIP() << "every file is readable for root";
  const std::string path = Write("1, 2\n");
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  EXPECT_EQ(LoadSwapScript(path, table_), ScriptUnreadable);
  EXPECT_EQ(console_.Text(), LoadingLine(path));
  ExpectTable(table_, 0, {});
}

}  // namespace
}  // namespace tessaro

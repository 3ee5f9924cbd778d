// Files the Windows way: the attributes a user or an archive sets (SetFileAttributesA), files
// another program holds open, and device names.
#include "platform/win32_api.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "map/map_file.hpp"
#include "platform/file_system.hpp"
#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"
#include "tiles/swap_script.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using Names = std::vector<std::string>;

class WindowsAttributeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [name, attributes] :
         {std::pair<const char*, DWORD>{"plain.map", 0}, {"archived.map", FILE_ATTRIBUTE_ARCHIVE},
          {"readonly.map", FILE_ATTRIBUTE_READONLY}, {"hidden.map", FILE_ATTRIBUTE_HIDDEN},
          {"system.map", FILE_ATTRIBUTE_SYSTEM},
          {"hiddenreadonly.map", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY}}) {
      testing::WriteBytes(dir_ / name, {1, 2, 3});
      if (attributes != 0) {
        ASSERT_TRUE(SetFileAttributesA((dir_ / name).c_str(), attributes)) << name;
      }
    }
    ASSERT_TRUE(std::filesystem::create_directory(dir_ / "folder.map"));
  }

  Names Listed(unsigned allowed) {
    Names names;
    EXPECT_EQ(ListDirectory(dir_.path(), allowed, names), FileStatus::Ok);
    return names;
  }

  bool Found(const std::string& name, unsigned allowed) {
    std::string found;
    return FindFile(dir_ / name, allowed, found) == FileStatus::Ok;
  }

  testing::TempDir dir_;
};

// Plain and archived files always; read-only ones when allowed; hidden and system ones, and
// directories, only when allowed by name.
TEST_F(WindowsAttributeTest, EachAttributeOnlyWhenAllowed) {
  EXPECT_EQ(Listed(0), (Names{"archived.map", "plain.map"}));
  EXPECT_EQ(Listed(kAttrReadOnly), (Names{"archived.map", "plain.map", "readonly.map"}));
  EXPECT_TRUE(Found("readonly.map", kAttrReadOnly));
  EXPECT_FALSE(Found("readonly.map", 0));
  for (const char* name : {"hidden.map", "system.map", "hiddenreadonly.map", "folder.map"}) {
    EXPECT_FALSE(Found(name, kAttrReadOnly)) << name;
  }
  EXPECT_EQ(Listed(kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory),
            (Names{"archived.map", "folder.map", "hidden.map", "hiddenreadonly.map", "plain.map", "readonly.map",
                   "system.map"}));
  EXPECT_TRUE(Found("HIDDEN.MAP", kAttrHidden));
  EXPECT_TRUE(Found("Folder.Map", kAttrDirectory));
}

// A replaced file keeps its archive bit and spelling, and no temporary file is left.
TEST_F(WindowsAttributeTest, ReadOnlyFileIsReadButNotReplaced) {
  InputFile file;
  ASSERT_EQ(file.Open(dir_ / "readonly.map"), FileStatus::Ok);
  Bytes content(8, 0);
  std::size_t got = 0;
  ASSERT_EQ(file.Read(content, got), FileStatus::Ok);
  EXPECT_EQ(got, 3u);
  const std::vector<std::span<const std::uint8_t>> nothing;
  for (const char* name : {"readonly.map", "hidden.map", "system.map", "hiddenreadonly.map", "folder.map"}) {
    EXPECT_EQ(ReplaceFile(dir_ / name, nothing), FileStatus::IoError) << name;
  }
  EXPECT_EQ(ReadBytes(dir_ / "readonly.map"), (Bytes{1, 2, 3}));
  EXPECT_EQ(ReplaceFile(dir_ / "ARCHIVED.MAP", nothing), FileStatus::Ok);
  EXPECT_TRUE(ReadBytes(dir_ / "archived.map").empty());
  EXPECT_NE(GetFileAttributesA((dir_ / "archived.map").c_str()) & FILE_ATTRIBUTE_ARCHIVE, 0u);
  EXPECT_EQ(Listed(0), (Names{"archived.map", "plain.map"}));
}

TEST_F(WindowsAttributeTest, WildcardsInANameFindNothing) {
  EXPECT_FALSE(Found("p*.map", kAttrReadOnly));
  EXPECT_FALSE(Found("plain.ma?", kAttrReadOnly));
  EXPECT_EQ(ReplaceFile(dir_ / "p*.map", std::vector<std::span<const std::uint8_t>>()), FileStatus::IoError);
  EXPECT_EQ(ReadBytes(dir_ / "plain.map"), (Bytes{1, 2, 3}));
}

TEST_F(WindowsAttributeTest, BackslashesSeparateAsSlashesDo) {
  std::string path = dir_ / "folder.map";
  std::replace(path.begin(), path.end(), '/', '\\');
  testing::WriteBytes(dir_ / "folder.map/inner.map", {4});
  Names names;
  ASSERT_EQ(ListDirectory(path, kAttrReadOnly, names), FileStatus::Ok);
  EXPECT_EQ(names, Names{"inner.map"});
  std::string found;
  ASSERT_EQ(FindFile(path + "\\INNER.MAP", kAttrReadOnly, found), FileStatus::Ok);
  EXPECT_EQ(found, path + "\\inner.map");
}

// Another program holds the file and lets nobody replace or read it: the save fails and leaves
// the old file and no temporary one; the script is unreadable and leaves the table.
TEST_F(WindowsAttributeTest, FilesAnotherProgramHoldsAreLeftAlone) {
  testing::ScopedConsoleCapture quiet;
  const HANDLE busy = CreateFileA((dir_ / "plain.map").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  MapFile map;
  map.mapversion = 7;
  const MapError saved = SaveMap(dir_ / "plain.map", map);
  TileSwapTable table;
  const ScriptResult loaded = LoadSwapScript(dir_ / "plain.map", table);
  CloseHandle(busy);
  EXPECT_EQ(saved, IoError);
  EXPECT_EQ(loaded, ScriptUnreadable);
  EXPECT_EQ(table.top(), 0);
  EXPECT_EQ(ReadBytes(dir_ / "plain.map"), (Bytes{1, 2, 3}));
  EXPECT_EQ(Listed(kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory).size(), 7u);
  for (const char* name : {"NUL", "CON", "nul.map"}) EXPECT_NE(OpenMap(name, map), Ok) << name;
}

}  // namespace
}  // namespace tessaro

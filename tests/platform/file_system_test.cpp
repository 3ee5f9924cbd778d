// The file-system layer as every platform has it.
#include "platform/file_system.hpp"

#include <gtest/gtest.h>

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

// Plain files in byte order, directories only when asked for; a missing directory lists nothing.
TEST(FileSystemTest, Listing) {
  TempDir dir;
  for (const char* name : {"b.map", "A.map", "a.txt", "C.MAP"}) WriteBytes(dir / name, {1});
  ASSERT_TRUE(std::filesystem::create_directory(dir / "sub.map"));
  Names names;
  ASSERT_EQ(ListDirectory(dir.path(), kAttrReadOnly, names), FileStatus::Ok);
  EXPECT_EQ(names, (Names{"A.map", "C.MAP", "a.txt", "b.map"}));
  ASSERT_EQ(ListDirectory(dir.path(), kAttrReadOnly | kAttrDirectory, names), FileStatus::Ok);
  EXPECT_EQ(names, (Names{"A.map", "C.MAP", "a.txt", "b.map", "sub.map"}));
  EXPECT_EQ(ListDirectory(dir / "missing/", kAttrReadOnly, names), FileStatus::NotFound);
  EXPECT_TRUE(names.empty());
}

TEST(FileSystemTest, NamesAreFoundWhateverTheCaseOfTheirLetters) {
  TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir / "Maps"));
  WriteBytes(dir / "Maps/E1L1.MAP", {1, 2, 3});
  std::string found;
  ASSERT_EQ(FindFile(dir / "maps/e1l1.map", kAttrReadOnly, found), FileStatus::Ok);
  EXPECT_TRUE(found.ends_with("E1L1.MAP")) << found;
  Names names;
  ASSERT_EQ(ListDirectory(dir / "MAPS/", 0, names), FileStatus::Ok);
  EXPECT_EQ(names, Names{"E1L1.MAP"});
  EXPECT_EQ(FindFile(dir / "maps/e1l2.map", kAttrReadOnly, found), FileStatus::NotFound);
  EXPECT_EQ(FindFile(dir / "Maps", kAttrReadOnly, found), FileStatus::NotFound) << "a directory";
}

TEST(FileSystemTest, InputFileTellsItsLengthAndStopsAtTheEnd) {
  TempDir dir;
  WriteBytes(dir / "five.bin", {1, 2, 3, 4, 5});
  InputFile file;
  ASSERT_EQ(file.Open(dir / "five.bin"), FileStatus::Ok);
  EXPECT_EQ(file.Length(), 5u);
  Bytes buffer(3, 0);
  std::vector<std::size_t> counts;
  for (int read = 0; read < 3; ++read) {
    std::size_t got = 0;
    ASSERT_EQ(file.Read(buffer, got), FileStatus::Ok);
    counts.push_back(got);
  }
  EXPECT_EQ(counts, (std::vector<std::size_t>{3, 2, 0}));
  EXPECT_EQ(buffer, (Bytes{4, 5, 3}));
  InputFile missing;
  EXPECT_EQ(missing.Open(dir / "missing.bin"), FileStatus::IoError);
}

// The pieces back to back, over an existing file of another spelling, nothing else left; never
// into a missing directory or over a directory.
TEST(FileSystemTest, Replace) {
  TempDir dir;
  ASSERT_EQ(Replace(dir / "new.map", {{1, 2}, {}, {3}}), FileStatus::Ok);
  EXPECT_EQ(ReadBytes(dir / "new.map"), (Bytes{1, 2, 3}));
  WriteBytes(dir / "Old.map", Bytes(1000, 9));
  ASSERT_EQ(Replace(dir / "old.map", {{7}}), FileStatus::Ok);
  EXPECT_EQ(ReadBytes(dir / "Old.map"), (Bytes{7}));
  ASSERT_TRUE(std::filesystem::create_directory(dir / "folder.map"));
  EXPECT_EQ(Replace(dir / "no/such/out.map", {{1}}), FileStatus::IoError);
  EXPECT_EQ(Replace(dir / "folder.map", {{1}}), FileStatus::IoError);
  EXPECT_EQ(dir.Entries(), (Names{"Old.map", "folder.map", "new.map"}));
}

}  // namespace
}  // namespace tessaro

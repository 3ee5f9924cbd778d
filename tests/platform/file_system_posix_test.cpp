// The POSIX file layer as a user meets it: names found and listed (file_system.cases), files that
// change, saves, and no file handle left.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "platform/file_system.hpp"
#include "tests/support/case_table.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {
void MakeEntries(const testing::TempDir& dir, const std::string& entries) {
  std::istringstream list(entries);
  for (std::string entry; std::getline(list >> std::ws, entry, ',');) {
    const std::size_t link = entry.find('@');
    const std::string name = entry.substr(0, link == std::string::npos ? entry.find_last_not_of("/!|") + 1 : link);
    std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
    if (link != std::string::npos) {
      std::filesystem::create_symlink(entry.substr(link + 1), dir / name);
    } else if (entry.back() == '/') {
      std::filesystem::create_directories(dir / name);
    } else if (entry.back() == '|') {
      mkfifo((dir / name).c_str(), 0666);
    } else {
      testing::WriteBytes(dir / name, {1});
      if (entry.back() == '!') chmod((dir / name).c_str(), 0444);
    }
  }
}

unsigned AllowedOf(std::string_view letters) {
  constexpr std::pair<char, unsigned> kLetters[] = {{'r', kAttrReadOnly}, {'h', kAttrHidden}, {'s', kAttrSystem}, {'d', kAttrDirectory}};
  unsigned allowed = 0;
  for (const auto& [letter, attribute] : kLetters) allowed |= letters.find(letter) != std::string_view::npos ? attribute : 0u;
  return allowed;
}

std::string StatusName(FileStatus status) { return status == FileStatus::NotFound ? "NotFound" : "IoError"; }

// A path starting with "./" is asked from inside the folder, any other one inside it from outside.
std::string Evaluate(const testing::CaseRow& row) {
  const testing::TempDir dir;
  MakeEntries(dir, row.given[1]);
  const std::string& asked = row.given[2];
  const bool relative = asked.starts_with("./");
  const std::string path = relative ? asked : dir / asked;
  const std::filesystem::path saved = std::filesystem::current_path();
  if (relative) std::filesystem::current_path(dir.path());
  std::string result;
  if (row.given[0] == "find") {
    std::string found;
    const FileStatus status = FindFile(path, AllowedOf(row.given[3]), found);
    result = status != FileStatus::Ok ? StatusName(status) : relative ? found : found.substr(dir.path().size());
  } else {
    std::vector<std::string> names;
    const FileStatus status = ListDirectory(path, AllowedOf(row.given[3]), names);
    for (const std::string& name : names) result += (result.empty() ? "" : ", ") + name;
    if (status != FileStatus::Ok) result = StatusName(status);
  }
  std::filesystem::current_path(saved);
  return result;
}

TEST(FileSystemCasesTest, EveryRowFindsOrListsWhatItExpects) {
  for (const testing::CaseRow& row : testing::ReadCases("platform/file_system.cases")) {
    EXPECT_EQ(Evaluate(row), row.expected.at(0)) << row.where;
  }
}

TEST(FileSystemTest, NoHandleLeft) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "a.map", {1});
  std::filesystem::create_directory(dir / "fresh");
  testing::WriteBytes(dir / "fresh/b.map", {1});
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
  const FileStatus scanned = FindFile(dir / "fresh/B.MAP", kAttrReadOnly, found);  // a folder not read yet
  const FileStatus replaced = ReplaceFile(dir / "b.map", {});
  const FileStatus listed = ListDirectory("/", kAttrReadOnly, names);
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(opened, FileStatus::NoHandle);
  EXPECT_EQ(replaced, FileStatus::NoHandle);
  EXPECT_EQ(listed, FileStatus::NoHandle);
  EXPECT_EQ(scanned, FileStatus::NoHandle);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.map", "fresh"}));
}

// A file read as it was when opened: one that shrinks meanwhile ends early without an error, one
// that grows keeps its length; FIFOs and devices are never read; a file gone since the folder was
// listed is gone, not damaged.
TEST(FileSystemTest, ReadsOfFilesThatChangeAndOfWhatIsNoFile) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "a.map", testing::Bytes(100, 7));
  InputFile shrinking;
  ASSERT_EQ(shrinking.Open(dir / "a.map"), FileStatus::Ok);
  std::filesystem::resize_file(dir / "a.map", 30);
  std::array<std::uint8_t, 64> into{};
  std::string reads;
  for (const std::size_t wanted : {64u, 64u, 5u}) {
    std::size_t got = 99;
    if (wanted == 5) shrinking.Seek(10);
    const bool read = shrinking.Read(std::span(into).first(wanted), got) == FileStatus::Ok;
    reads += std::to_string(read) + ":" + std::to_string(got) + " ";
  }
  EXPECT_EQ(reads + std::to_string(shrinking.Length()), "1:30 1:0 1:5 100");
  InputFile growing;
  ASSERT_EQ(growing.Open(dir / "a.map"), FileStatus::Ok);
  testing::WriteBytes(dir / "a.map", testing::Bytes(200, 8));
  EXPECT_EQ(growing.Length(), 30u);

  std::vector<std::string> names;
  ASSERT_EQ(ListDirectory(dir.path(), 0, names), FileStatus::Ok);
  std::filesystem::remove(dir / "a.map");
  ASSERT_EQ(mkfifo((dir / "pipe.map").c_str(), 0666), 0);
  InputFile gone, pipe, device;
  std::size_t got = 0;
  std::string found;
  EXPECT_EQ(gone.Open(dir / names.at(0)), FileStatus::IoError);
  EXPECT_EQ(gone.Read(into, got), FileStatus::IoError);
  EXPECT_EQ(FindFile(dir / names.at(0), kAttrReadOnly, found), FileStatus::NotFound);
  EXPECT_EQ(pipe.Open(dir / "pipe.map"), FileStatus::IoError) << "opened without waiting for a writer, never read";
  EXPECT_EQ(device.Open("/dev/zero"), FileStatus::IoError);
  EXPECT_EQ(device.Seek(UINT64_MAX), FileStatus::IoError);
}

// A save is whole or nothing (a write cut short: the end-to-end tables): a read-only, hidden or
// folderless target is kept, no temporary file left; a link stays one; thousands of pieces go.
TEST(FileSystemTest, SavesAreWholeOrNothing) {
  testing::TempDir dir;
  const testing::Bytes old(50, 3);
  for (const char* name : {"ro.map", ".hidden.map", "target.map"}) testing::WriteBytes(dir / name, old);
  chmod((dir / "ro.map").c_str(), 0444);
  std::filesystem::create_symlink("target.map", dir / "link.map");
  std::vector<testing::Bytes> many(3000, testing::Bytes{9});
  std::vector<std::span<const std::uint8_t>> pieces(many.begin(), many.end());
  EXPECT_EQ(ReplaceFile(dir / "LINK.MAP", pieces), FileStatus::Ok);
  EXPECT_EQ(testing::ReadBytes(dir / "target.map"), testing::Bytes(3000, 9));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.map"));
  for (const char* name : {"ro.map", ".hidden.map", "no/folder.map"}) {
    EXPECT_EQ(ReplaceFile(dir / name, pieces), FileStatus::IoError) << name;
  }
  EXPECT_EQ(testing::ReadBytes(dir / "ro.map"), old);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{".hidden.map", "link.map", "ro.map", "target.map"}));
}

TEST(FileSystemTest, FoldersRememberedAreToldApartByWhatTheyAreNotWhenTheyChanged) {
  testing::TempDir dir;
  for (const char* file : {"one/A.MAP", "two/B.MAP"}) {
    std::filesystem::create_directory(std::filesystem::path(dir / file).parent_path());
    testing::WriteBytes(dir / file, {1});
  }
  const auto moment = std::filesystem::file_time_type::clock::now() - std::chrono::hours(2);
  for (const char* folder : {"one", "two"}) std::filesystem::last_write_time(dir / folder, moment);
  std::string found, seen;
  for (const char* path : {"one/a.map", "two/b.map", "one/b.map", "two/a.map", "one/a.map"}) {
    seen += FindFile(dir / path, 0, found) == FileStatus::Ok ? found.substr(dir.path().size()) + " " : "- ";
  }
  EXPECT_EQ(seen, "one/A.MAP two/B.MAP - - one/A.MAP ");
}

}  // namespace
}  // namespace tessaro

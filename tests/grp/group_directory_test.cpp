// The group-file directory over bytes: where members lie, the names as a directory spells them,
// and the edges of a directory that fits its file.
#include "grp/group_directory.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaro {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& bytes, std::string_view text) { bytes.insert(bytes.end(), text.begin(), text.end()); }
void AppendSize(Bytes& bytes, std::uint32_t size) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
}

// Names of 12 bytes padded with zeros, and one that uses all 12 with no zero at all.
TEST(GroupDirectoryTest, MembersLieOneAfterAnotherBehindTheDirectory) {
  Bytes file;
  Append(file, "any 12 bytes");
  AppendSize(file, 3);
  for (const auto& [name, size] : {std::pair<std::string_view, std::uint32_t>{std::string_view("E1L1.MAP\0\0\0\0", 12), 5},
                                   {"ABCDEFGH.MAP", 0}, {std::string_view("X.MAP\0JUNK\0\0", 12), 3}}) {
    Append(file, name);
    AppendSize(file, size);
  }
  ASSERT_EQ(GroupDirectoryBytes(file, 72), 64u);
  const Bytes directory = file;
  std::vector<ArchiveMember> members;
  ASSERT_TRUE(ReadGroupDirectory(directory, 72, members));
  ASSERT_EQ(members.size(), 3u);
  EXPECT_EQ(members[0].name + "|" + members[1].name + "|" + members[2].name, "E1L1.MAP|ABCDEFGH.MAP|X.MAP");
  EXPECT_EQ(members[1].offset, 69u);
  EXPECT_EQ(members[2].offset, 69u);
  EXPECT_EQ(members[2].size, 3u);
  EXPECT_TRUE(ReadGroupDirectory(directory, 80, members)) << "bytes after the last member are no damage";
  EXPECT_EQ(members.size(), 3u);
  EXPECT_FALSE(ReadGroupDirectory(directory, 71, members)) << "the last member cut by one byte";
  EXPECT_TRUE(members.empty());
  EXPECT_FALSE(ReadGroupDirectory(Bytes(directory.begin(), directory.end() - 1), 72, members));

  EXPECT_EQ(GroupDirectoryBytes(Bytes(directory.begin(), directory.begin() + 15), 72), 0u);
  EXPECT_EQ(GroupDirectoryBytes(directory, 63), 0u);
  EXPECT_FALSE(ReadGroupDirectory({}, 0, members));
  file[12] = file[13] = file[14] = file[15] = 0xFF;
  EXPECT_EQ(GroupDirectoryBytes(file, UINT64_MAX / 2), std::uint64_t{16} << 32) << "no count wraps";
  file[12] = file[13] = file[14] = file[15] = 0;
  EXPECT_TRUE(ReadGroupDirectory(Bytes(file.begin(), file.begin() + 16), 16, members));
  EXPECT_TRUE(members.empty());
}

TEST(GroupDirectoryTest, OnlyPlainNamesBecomeFilesAndTitlesShowNoControlBytes) {
  for (const std::string_view name : {"E1L1.MAP", "..MAP", "E1L1.OLD.MAP", "#1 [A].MAP"}) {
    EXPECT_TRUE(IsPlainMemberName(name)) << name;
  }
  for (const std::string_view name : {"", ".", "..", "../E1.MAP", "SUB\\E1.MAP", "C:E1.MAP", "E1\x7f.MAP", "\x1b[2J"}) {
    EXPECT_FALSE(IsPlainMemberName(name)) << name;
  }
  EXPECT_EQ(MemberTitle("maps/GAME.GRP", "\x1b[2J\x7f.MAP"), "maps/GAME.GRP/?[2J?.MAP");
  EXPECT_TRUE(IsGroupFileName("Game.Grp") && IsGroupFileName(".GRP") && !IsGroupFileName("GRP") &&
              !IsGroupFileName("game.grp.map"));
}

}  // namespace
}  // namespace tessaro

// The zip directory reader over hand-made bytes: what zipfile in the end-to-end tables cannot
// write (ZIP64 fields without their extra field, entries whose methods and flags clash, damage
// at every length) and the CRC-32 against its check value.
#include "zip/zip_directory.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaro {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& bytes, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

struct Entry {
  std::string name = "maps/A.MAP";
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t size = 5;  // 0xFFFFFFFF: in a ZIP64 extra field when `extra`
  bool extra = false;
  std::uint16_t extra_length = 16;  // as the extra field states it
  bool timestamp = false;           // another extra field before the ZIP64 one
};

// A local header and "hello", its central entry, the end record and 3 bytes of junk after it.
Bytes Zip(const Entry& entry, std::size_t& directory) {
  Bytes zip;
  Put(zip, 0x04034b50, 4);
  zip.resize(26);
  Put(zip, entry.name.size(), 2);
  Put(zip, 0, 2);
  zip.insert(zip.end(), entry.name.begin(), entry.name.end());
  for (char c : std::string("hello")) zip.push_back(static_cast<std::uint8_t>(c));
  directory = zip.size();
  Put(zip, 0x02014b50, 4);
  Put(zip, 20, 4);
  Put(zip, entry.flags, 2);
  Put(zip, entry.method, 2);
  Put(zip, 0, 4);
  Put(zip, 0x3610a686, 4);  // the CRC-32 of "hello"
  Put(zip, entry.size, 4);
  Put(zip, entry.size, 4);
  Put(zip, entry.name.size(), 2);
  Put(zip, (entry.extra ? 20u : 0u) + (entry.timestamp ? 8u : 0u), 2);
  zip.resize(zip.size() + 10);
  Put(zip, 0, 4);
  zip.insert(zip.end(), entry.name.begin(), entry.name.end());
  if (entry.timestamp) Put(zip, 0x00045455, 8);  // its id, its length 4, its 4 bytes
  if (entry.extra) {
    Put(zip, 1, 2);
    Put(zip, entry.extra_length, 2);
    Put(zip, 5, 8);
    Put(zip, 5, 8);
  }
  const std::size_t bytes = zip.size() - directory;
  Put(zip, 0x06054b50, 4);
  Put(zip, 0, 4);
  Put(zip, 0x00010001, 4);
  Put(zip, bytes, 4);
  Put(zip, directory, 4);
  Put(zip, 0, 2);
  zip.insert(zip.end(), {'P', 'K', 5});
  return zip;
}

MapError Read(const Bytes& zip, std::vector<ArchiveMember>& members) {
  ZipDirectoryPlace place;
  const MapError found = FindZipDirectory(zip, zip.size(), place);
  if (found != Ok) return found;
  return ReadZipDirectory(std::span(zip).subspan(place.offset, place.bytes), place, members);
}

TEST(ZipDirectoryTest, MembersAndWhereTheirDataBegins) {
  std::size_t directory = 0;
  for (const Entry& entry : {Entry{}, Entry{.size = 0xFFFFFFFF, .extra = true},
                             Entry{.size = 0xFFFFFFFF, .extra = true, .timestamp = true}}) {
    const Bytes zip = Zip(entry, directory);
    std::vector<ArchiveMember> members;
    ASSERT_EQ(Read(zip, members), Ok);
    ASSERT_EQ(members.size(), 1u);
    const ArchiveMember& member = members[0];
    EXPECT_EQ(member.name + " " + std::to_string(member.offset) + " " + std::to_string(member.packed) + " " +
                  std::to_string(member.size), "maps/A.MAP 0 5 5");
    EXPECT_EQ(member.crc, Crc32(std::span(zip).subspan(40, 5)));
    EXPECT_EQ(member.refused, Ok);
    EXPECT_EQ(ZipDataOffset(zip, member, 45), 40u);
    EXPECT_EQ(ZipDataOffset(zip, member, 44), 0u) << "data past the end";
    EXPECT_EQ(ZipDataOffset(zip, member, 39), 0u) << "the local header past the end";
    EXPECT_EQ(ZipDataOffset(std::span(zip).subspan(1), member, 45), 0u) << "no local header";
    // Cut anywhere before the end of the end record, the zip has none.
    for (std::size_t length = 0; length + 3 < zip.size(); ++length) {
      const std::span cut = std::span(zip).first(length);
      EXPECT_NE(Read(Bytes(cut.begin(), cut.end()), members), Ok) << length;
    }
  }
  std::vector<ArchiveMember> members;
  EXPECT_EQ(Read(Zip(Entry{.size = 0xFFFFFFFF}, directory), members), SourceCorrupted) << "no ZIP64 field for it";
  EXPECT_EQ(Read(Zip(Entry{.size = 0xFFFFFFFF, .extra = true, .extra_length = 8}, directory), members), SourceCorrupted)
      << "a ZIP64 field too short for both sizes";
}

TEST(ZipDirectoryTest, RefusalsInTheirOrder) {
  struct Row {
    Entry entry;
    MapError refused;
  };
  for (const Row& row : {Row{{"../A.MAP", 1, 99}, MemberNameNotPlain}, Row{{"/A.MAP"}, MemberNameNotPlain},
                         Row{{"A.MAP/", 0}, MemberNameNotPlain}, Row{{"A.MAP", 1, 99}, MemberEncrypted},
                         Row{{"A.MAP", 64, 8}, MemberEncrypted}, Row{{"A.MAP", 0, 6}, CompressionUnsupported},
                         Row{{"A.MAP", 8, 8}, Ok}}) {
    std::size_t directory = 0;
    std::vector<ArchiveMember> members;
    ASSERT_EQ(Read(Zip(row.entry, directory), members), Ok);
    EXPECT_EQ(members.at(0).refused, row.refused) << row.entry.name << " " << row.entry.method;
  }
  const std::string check = "123456789";
  const Bytes bytes(check.begin(), check.end());
  EXPECT_EQ(Crc32(bytes), 0xCBF43926u);
  EXPECT_EQ(Crc32(std::span(bytes).subspan(4), Crc32(std::span(bytes).first(4))), 0xCBF43926u);
}

}  // namespace
}  // namespace tessaro

#include "map/record_layout.hpp"

#include <gtest/gtest.h>

#include "map/records.hpp"
#include "tests/map/map_builder.hpp"

namespace tessaro {
namespace {

using enum Field;
using testing::EmptyMap;

// Where the tile numbers lie, by version 3 to 7: the tile pass depends on exactly these.
TEST(RecordLayoutTest, TileFieldsLieWhereTheFormatPutsThem) {
  const std::tuple<RecordKind, Field, std::array<int, 5>> rows[] = {
      {RecordKind::Sector, ceilingpicnum, {11, 12, 4, 4, 16}}, {RecordKind::Sector, floorpicnum, {22, 24, 6, 6, 24}},
      {RecordKind::Wall, picnum, {15, 16, 10, 14, 16}},        {RecordKind::Wall, overpicnum, {17, 18, 12, 16, 18}},
      {RecordKind::Sprite, picnum, {16, 16, 16, 21, 14}},
  };
  for (const auto& [kind, field, offsets] : rows) {
    for (int version = 3; version <= 7; ++version) {
      const FieldSpec* spec = LayoutOf(version, kind).Find(field);
      ASSERT_NE(spec, nullptr) << FieldName(field) << " v" << version;
      EXPECT_TRUE(spec->offset == offsets[static_cast<std::size_t>(version - 3)] && spec->size == 2 &&
                  spec->sign == Sign::Signed)
          << FieldName(field) << " v" << version;
    }
  }
}

// Records follow each other at the record size; 8-bit status fields are bit fields, read unsigned.
TEST(RecordLayoutTest, FieldsAreReadWhereTheirRecordPutsThemWithTheirSign) {
  MapFile five = EmptyMap(5, 2, 1, 0);
  SetField(five, RecordKind::Sector, 1, lotag, -2);
  EXPECT_EQ(five.sectordata[37 + 31], 0xFE);
  EXPECT_EQ(five.sectordata[37 + 32], 0xFF);
  EXPECT_EQ(GetField(five, RecordKind::Sector, 0, lotag), 0);
  EXPECT_EQ(GetField(five, RecordKind::Sector, 1, lotag), -2);
  MapFile four = EmptyMap(4, 1, 1, 1);
  four.walldata[10] = 0x80;  // cstat
  four.walldata[11] = 0x80;  // shade
  std::fill_n(four.spritedata.begin() + 36, 4, 0xFF);  // a 32-bit extra
  EXPECT_EQ(GetField(four, RecordKind::Wall, 0, cstat), 128);
  EXPECT_EQ(GetField(four, RecordKind::Wall, 0, shade), -128);
  EXPECT_EQ(GetField(four, RecordKind::Sprite, 0, extra), -1);
}

TEST(RecordLayoutTest, AccessOutsideTheArraysDoesNothing) {
  MapFile map = EmptyMap(7, 1, 1, 0);
  SetField(map, RecordKind::Sector, 1, lotag, 5);
  SetField(map, RecordKind::Sprite, 0, picnum, 5);
  SetField(map, RecordKind::Wall, -1, picnum, 5);
  SetField(map, RecordKind::Wall, 0, spare, 5);
  EXPECT_TRUE(testing::SameMap(map, EmptyMap(7, 1, 1, 0)));
  EXPECT_EQ(GetField(map, RecordKind::Wall, 3, picnum), 0);
  map.walldata[16] = 9;
  EXPECT_EQ(GetField(map, RecordKind::Wall, 0, picnum), 9);
  map.numwalls = 5;  // a count larger than the array is never trusted
  EXPECT_EQ(RecordsHeld(map, RecordKind::Wall), 1);
  map.walldata.pop_back();
  EXPECT_EQ(RecordsHeld(map, RecordKind::Wall), 0);
  EXPECT_EQ(GetField(map, RecordKind::Wall, 0, picnum), 0);
  map.numwalls = -3;
  EXPECT_EQ(RecordCount(map, RecordKind::Wall), 0);
  EXPECT_EQ(LayoutOf(2, RecordKind::Wall).size, 0u) << "an unknown version has no fields";
  EXPECT_EQ(LayoutOf(8, RecordKind::Wall).Find(x), nullptr);
}

}  // namespace
}  // namespace tessaro

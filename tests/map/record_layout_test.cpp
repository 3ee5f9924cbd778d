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
  struct Row {
    RecordKind kind;
    Field field;
    int offsets[5];
  };
  const Row rows[] = {
      {RecordKind::Sector, ceilingpicnum, {11, 12, 4, 4, 16}}, {RecordKind::Sector, floorpicnum, {22, 24, 6, 6, 24}},
      {RecordKind::Wall, picnum, {15, 16, 10, 14, 16}},        {RecordKind::Wall, overpicnum, {17, 18, 12, 16, 18}},
      {RecordKind::Sprite, picnum, {16, 16, 16, 21, 14}},
  };
  for (const Row& row : rows) {
    for (int version = 3; version <= 7; ++version) {
      const FieldSpec* field = LayoutOf(version, row.kind).Find(row.field);
      ASSERT_NE(field, nullptr) << FieldName(row.field) << " v" << version;
      EXPECT_TRUE(field->offset == row.offsets[version - 3] && field->size == 2 && field->sign == Sign::Signed)
          << FieldName(row.field) << " v" << version;
    }
  }
}

TEST(RecordLayoutTest, FieldsAreReadWhereTheirRecordAndVersionPutThem) {
  MapFile five = EmptyMap(5, 2, 1, 0);
  SetField(five, RecordKind::Sector, 1, lotag, -2);
  EXPECT_EQ(five.sectordata[68], 0xFE) << "second record's lotag starts at 37 + 31";
  EXPECT_EQ(five.sectordata[69], 0xFF);
  EXPECT_EQ(GetField(five, RecordKind::Sector, 0, lotag), 0);

  // Walls of versions 6 and 7 have one size but another order.
  MapFile six = EmptyMap(6, 1, 1, 0);
  MapFile seven = EmptyMap(7, 1, 1, 0);
  for (MapFile* map : {&six, &seven}) {
    map->walldata[10] = 2;
    map->walldata[12] = 9;
  }
  EXPECT_EQ(GetField(six, RecordKind::Wall, 0, nextsector), 2);
  EXPECT_EQ(GetField(seven, RecordKind::Wall, 0, nextsector), 9);
  EXPECT_EQ(LayoutOf(6, RecordKind::Wall).Find(cstat)->offset, 20);
  EXPECT_EQ(LayoutOf(7, RecordKind::Wall).Find(cstat)->offset, 14);
}

TEST(RecordLayoutTest, StatusBytesReadAsBitFieldsAndOthersBySign) {
  MapFile map = EmptyMap(4, 1, 1, 1);
  map.walldata[10] = 0x80;  // cstat
  map.walldata[11] = 0x80;  // shade
  std::fill_n(map.spritedata.begin() + 36, 4, 0xFF);  // a 32-bit extra
  EXPECT_EQ(GetField(map, RecordKind::Wall, 0, cstat), 128);
  EXPECT_EQ(GetField(map, RecordKind::Wall, 0, shade), -128);
  EXPECT_EQ(GetField(map, RecordKind::Sprite, 0, extra), -1);
}

TEST(RecordLayoutTest, AccessOutsideTheArraysDoesNothing) {
  MapFile map = EmptyMap(7, 1, 1, 0);
  SetField(map, RecordKind::Sector, 1, lotag, 5);
  SetField(map, RecordKind::Sprite, 0, picnum, 5);
  SetField(map, RecordKind::Wall, -1, picnum, 5);
  SetField(map, RecordKind::Wall, 0, spare, 5);
  EXPECT_TRUE(testing::SameMap(map, EmptyMap(7, 1, 1, 0)));
  EXPECT_EQ(GetField(map, RecordKind::Wall, 3, picnum), 0);
  map.numwalls = 5;  // a count larger than the array is never trusted
  EXPECT_EQ(RecordsHeld(map, RecordKind::Wall), 1);
  map.numwalls = -3;
  EXPECT_EQ(RecordCount(map, RecordKind::Wall), 0);
  EXPECT_EQ(LayoutOf(2, RecordKind::Wall).size, 0u) << "an unknown version has no fields";
  EXPECT_EQ(LayoutOf(8, RecordKind::Wall).Find(x), nullptr);
}

}  // namespace
}  // namespace tessaro

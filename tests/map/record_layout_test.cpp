#include "map/record_layout.hpp"

#include <gtest/gtest.h>

#include "map/records.hpp"
#include "tests/map/map_builder.hpp"

namespace tessaro {
namespace {

using enum Field;

// Where the tile numbers lie, by version 3 to 7: the tile pass depends on exactly these.
TEST(RecordLayoutTest, TileFieldsLieWhereTheFormatPutsThem) {
  struct Row {
    RecordKind kind;
    Field field;
    int offsets[5];
  };
  const Row rows[] = {
      {RecordKind::Sector, ceilingpicnum, {11, 12, 4, 4, 16}},
      {RecordKind::Sector, floorpicnum, {22, 24, 6, 6, 24}},
      {RecordKind::Wall, picnum, {15, 16, 10, 14, 16}},
      {RecordKind::Wall, overpicnum, {17, 18, 12, 16, 18}},
      {RecordKind::Sprite, picnum, {16, 16, 16, 21, 14}},
  };
  for (const Row& row : rows) {
    for (int version = 3; version <= 7; ++version) {
      const FieldSpec* spec = LayoutOf(version, row.kind).Find(row.field);
      ASSERT_NE(spec, nullptr) << FieldName(row.field) << " v" << version;
      EXPECT_EQ(spec->offset, row.offsets[version - 3]) << FieldName(row.field) << " v" << version;
      EXPECT_EQ(spec->size, 2);
      EXPECT_EQ(spec->sign, Sign::Signed);
    }
  }
}

TEST(RecordLayoutTest, FieldsOfSomeVersionsOnly) {
  auto has = [](int version, RecordKind kind, Field field) {
    return LayoutOf(version, kind).Find(field) != nullptr;
  };
  for (int version = 3; version <= 7; ++version) {
    SCOPED_TRACE(version);
    EXPECT_EQ(has(version, RecordKind::Wall, pal), version >= 6);
    EXPECT_EQ(has(version, RecordKind::Sprite, clipdist), version >= 6);
    EXPECT_EQ(has(version, RecordKind::Sector, visibility), version >= 5);
    EXPECT_EQ(has(version, RecordKind::Wall, extra), version >= 5);
    EXPECT_EQ(has(version, RecordKind::Sprite, xvel), version >= 4);
    EXPECT_EQ(has(version, RecordKind::Sprite, spare), version == 3);
    EXPECT_EQ(has(version, RecordKind::Wall, nextwall2), version <= 5);
    EXPECT_EQ(has(version, RecordKind::Wall, panning), version == 3);
    EXPECT_EQ(has(version, RecordKind::Sector, filler), version == 7);
    EXPECT_EQ(LayoutOf(version, RecordKind::Sprite).Find(extra)->size, version <= 4 ? 4 : 2);
  }
  EXPECT_EQ(LayoutOf(2, RecordKind::Wall).size, 0u);
  EXPECT_EQ(LayoutOf(8, RecordKind::Wall).Find(x), nullptr);
}

TEST(RecordLayoutTest, FieldsAtOddOffsetsOfLaterRecords) {
  MapFile map = testing::EmptyMap(5, 2, 1, 0);
  SetField(map, RecordKind::Sector, 1, lotag, -2);
  EXPECT_EQ(map.sectordata[68], 0xFE) << "second record's lotag starts at 37 + 31";
  EXPECT_EQ(map.sectordata[69], 0xFF);
  EXPECT_EQ(GetField(map, RecordKind::Sector, 1, lotag), -2);
  EXPECT_EQ(GetField(map, RecordKind::Sector, 0, lotag), 0);
}

TEST(RecordLayoutTest, SameSizeWallsOfVersions6And7DifferInOrder) {
  MapFile six = testing::EmptyMap(6, 1, 1, 0);
  MapFile seven = testing::EmptyMap(7, 1, 1, 0);
  six.walldata[10] = 2;
  six.walldata[12] = 9;
  seven.walldata[10] = 2;
  seven.walldata[12] = 9;
  EXPECT_EQ(GetField(six, RecordKind::Wall, 0, nextsector), 2);
  EXPECT_EQ(GetField(seven, RecordKind::Wall, 0, nextsector), 9);
  EXPECT_EQ(LayoutOf(6, RecordKind::Wall).Find(cstat)->offset, 20);
  EXPECT_EQ(LayoutOf(7, RecordKind::Wall).Find(cstat)->offset, 14);
}

TEST(RecordLayoutTest, StatusBytesReadAsBitFieldsAndOthersBySign) {
  MapFile map = testing::EmptyMap(4, 1, 1, 1);
  map.walldata[10] = 0x80;  // cstat
  map.walldata[11] = 0x80;  // shade
  EXPECT_EQ(GetField(map, RecordKind::Wall, 0, cstat), 128);
  EXPECT_EQ(GetField(map, RecordKind::Wall, 0, shade), -128);
  map.spritedata[36] = 0xFF;  // a 32-bit extra
  map.spritedata[37] = 0xFF;
  map.spritedata[38] = 0xFF;
  map.spritedata[39] = 0xFF;
  EXPECT_EQ(GetField(map, RecordKind::Sprite, 0, extra), -1);
}

TEST(RecordLayoutTest, AccessOutsideTheArraysDoesNothing) {
  MapFile map = testing::EmptyMap(7, 1, 1, 0);
  SetField(map, RecordKind::Sector, 1, lotag, 5);
  SetField(map, RecordKind::Sprite, 0, picnum, 5);
  SetField(map, RecordKind::Wall, -1, picnum, 5);
  SetField(map, RecordKind::Wall, 0, spare, 5);
  EXPECT_EQ(map.sectordata, testing::EmptyMap(7, 1, 1, 0).sectordata);
  EXPECT_EQ(map.walldata, testing::EmptyMap(7, 1, 1, 0).walldata);
  EXPECT_EQ(GetField(map, RecordKind::Wall, 3, picnum), 0);
  map.numwalls = 5;  // a count larger than the array is never trusted
  EXPECT_EQ(RecordsHeld(map, RecordKind::Wall), 1);
  map.numwalls = -3;
  EXPECT_EQ(RecordCount(map, RecordKind::Wall), 0);
}

TEST(RecordLayoutTest, EveryFieldHasItsName) {
  EXPECT_EQ(FieldName(wallptr), "wallptr");
  EXPECT_EQ(FieldName(nextwall2), "nextwall2");
  EXPECT_EQ(FieldName(spare), "spare");
}

}  // namespace
}  // namespace tessaro

// The byte layouts of sector, wall and sprite records, one table per version and record kind.
// Conversions, the tile pass and the tests all reach fields through these tables.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "map/little_endian.hpp"
#include "map/map.hpp"

namespace tessaro {

// Every field name of every layout. Names follow version 7; an older field carries the name of
// the field the conversions map it to. The last six have no version 7 counterpart.
#define TESSARO_RECORD_FIELDS(X)                                                                   \
  X(wallptr) X(wallnum) X(ceilingz) X(floorz) X(ceilingstat) X(floorstat) X(ceilingpicnum)         \
  X(ceilingheinum) X(ceilingshade) X(ceilingpal) X(ceilingxpanning) X(ceilingypanning)             \
  X(floorpicnum) X(floorheinum) X(floorshade) X(floorpal) X(floorxpanning) X(floorypanning)        \
  X(visibility) X(filler) X(lotag) X(hitag) X(extra)                                               \
  X(x) X(y) X(z) X(point2) X(nextwall) X(nextsector) X(cstat) X(picnum) X(overpicnum) X(shade)     \
  X(pal) X(xrepeat) X(yrepeat) X(xpanning) X(ypanning) X(clipdist) X(xoffset) X(yoffset)           \
  X(sectnum) X(statnum) X(ang) X(owner) X(xvel) X(yvel) X(zvel)                                    \
  X(ceilingpanning) X(floorpanning) X(panning) X(nextsector2) X(nextwall2) X(spare)

enum class Field : std::uint8_t {
#define TESSARO_FIELD_ENUM(name) name,
  TESSARO_RECORD_FIELDS(TESSARO_FIELD_ENUM)
#undef TESSARO_FIELD_ENUM
};

std::string_view FieldName(Field field);

struct FieldSpec {
  Field field;
  std::uint8_t offset;
  std::uint8_t size;
  Sign sign;
};

enum class RecordKind : std::uint8_t { Sector, Wall, Sprite };

// "sector", "wall", "sprite": how every report names one record of the kind.
std::string_view KindName(RecordKind kind);

struct RecordLayout {
  std::span<const FieldSpec> fields;
  std::uint32_t size;

  constexpr const FieldSpec* Find(Field field) const {
    for (const FieldSpec& place : fields) {
      if (place.field == field) return &place;
    }
    return nullptr;
  }
};

// The layout of one record kind at one version; an unknown version has an empty layout.
const RecordLayout& LayoutOf(std::int32_t version, RecordKind kind);

// A field of one record. The record must be a whole record of the field's layout.
inline std::int32_t ReadField(const std::uint8_t* record, const FieldSpec& place) {
  return LoadLittleEndian(record + place.offset, place.size, place.sign);
}
inline void WriteField(std::uint8_t* record, const FieldSpec& place, std::int32_t value) {
  StoreLittleEndian(record + place.offset, place.size, value);
}

namespace layout {

using enum Field;

constexpr FieldSpec i8(Field f, std::uint8_t at) { return {f, at, 1, Sign::Signed}; }
constexpr FieldSpec u8(Field f, std::uint8_t at) { return {f, at, 1, Sign::Unsigned}; }
constexpr FieldSpec i16(Field f, std::uint8_t at) { return {f, at, 2, Sign::Signed}; }
constexpr FieldSpec i32(Field f, std::uint8_t at) { return {f, at, 4, Sign::Signed}; }
// The 8-bit status fields are bit fields, so they widen with zeros: taken as signed, bit 7 would
// smear into bits 8 to 15 and turn a translucent wall y-flipped. The engine reads them unsigned.
constexpr FieldSpec flags8(Field f, std::uint8_t at) { return u8(f, at); }

inline constexpr FieldSpec kSectorV3[] = {
    i16(wallptr, 0),          i16(wallnum, 2),        flags8(ceilingstat, 4),
    u8(ceilingpanning, 5),    i8(ceilingshade, 6),    i32(ceilingz, 7),
    i16(ceilingpicnum, 11),   i16(ceilingheinum, 13), flags8(floorstat, 15),
    u8(floorpanning, 16),     i8(floorshade, 17),     i32(floorz, 18),
    i16(floorpicnum, 22),     i16(floorheinum, 24),   i16(lotag, 26),
    i16(hitag, 28),
};

inline constexpr FieldSpec kSectorV4[] = {
    i16(wallptr, 0),         i16(wallnum, 2),        flags8(ceilingstat, 4),
    u8(ceilingxpanning, 5),  u8(ceilingypanning, 6), i8(ceilingshade, 7),
    i32(ceilingz, 8),        i16(ceilingpicnum, 12), i16(ceilingheinum, 14),
    flags8(floorstat, 16),   u8(floorxpanning, 17),  u8(floorypanning, 18),
    i8(floorshade, 19),      i32(floorz, 20),        i16(floorpicnum, 24),
    i16(floorheinum, 26),    i16(lotag, 28),         i16(hitag, 30),
};

// Versions 5 and 6 share this sector layout.
inline constexpr FieldSpec kSectorV5[] = {
    i16(wallptr, 0),         i16(wallnum, 2),         i16(ceilingpicnum, 4),
    i16(floorpicnum, 6),     i16(ceilingheinum, 8),   i16(floorheinum, 10),
    i32(ceilingz, 12),       i32(floorz, 16),         i8(ceilingshade, 20),
    i8(floorshade, 21),      u8(ceilingxpanning, 22), u8(floorxpanning, 23),
    u8(ceilingypanning, 24), u8(floorypanning, 25),   flags8(ceilingstat, 26),
    flags8(floorstat, 27),   u8(ceilingpal, 28),      u8(floorpal, 29),
    u8(visibility, 30),      i16(lotag, 31),          i16(hitag, 33),
    i16(extra, 35),
};
inline constexpr std::span<const FieldSpec> kSectorV6 = kSectorV5;

inline constexpr FieldSpec kSectorV7[] = {
    i16(wallptr, 0),         i16(wallnum, 2),         i32(ceilingz, 4),
    i32(floorz, 8),          i16(ceilingstat, 12),    i16(floorstat, 14),
    i16(ceilingpicnum, 16),  i16(ceilingheinum, 18),  i8(ceilingshade, 20),
    u8(ceilingpal, 21),      u8(ceilingxpanning, 22), u8(ceilingypanning, 23),
    i16(floorpicnum, 24),    i16(floorheinum, 26),    i8(floorshade, 28),
    u8(floorpal, 29),        u8(floorxpanning, 30),   u8(floorypanning, 31),
    u8(visibility, 32),      u8(filler, 33),          i16(lotag, 34),
    i16(hitag, 36),          i16(extra, 38),
};

inline constexpr FieldSpec kWallV3[] = {
    i32(x, 0),            i32(y, 4),           i16(point2, 8),       flags8(cstat, 10),
    i8(shade, 11),        u8(xrepeat, 12),     u8(yrepeat, 13),      u8(panning, 14),
    i16(picnum, 15),      i16(overpicnum, 17), i16(nextsector, 19),  i16(nextwall, 21),
    i16(nextsector2, 23), i16(nextwall2, 25),  i16(lotag, 27),       i16(hitag, 29),
};

inline constexpr FieldSpec kWallV4[] = {
    i32(x, 0),            i32(y, 4),           i16(point2, 8),       flags8(cstat, 10),
    i8(shade, 11),        u8(xrepeat, 12),     u8(yrepeat, 13),      u8(xpanning, 14),
    u8(ypanning, 15),     i16(picnum, 16),     i16(overpicnum, 18),  i16(nextsector, 20),
    i16(nextwall, 22),    i16(nextsector2, 24), i16(nextwall2, 26),  i16(lotag, 28),
    i16(hitag, 30),
};

inline constexpr FieldSpec kWallV5[] = {
    i32(x, 0),            i32(y, 4),            i16(point2, 8),      i16(picnum, 10),
    i16(overpicnum, 12),  i8(shade, 14),        i16(cstat, 15),      u8(xrepeat, 17),
    u8(yrepeat, 18),      u8(xpanning, 19),     u8(ypanning, 20),    i16(nextsector, 21),
    i16(nextwall, 23),    i16(nextsector2, 25), i16(nextwall2, 27),  i16(lotag, 29),
    i16(hitag, 31),       i16(extra, 33),
};

inline constexpr FieldSpec kWallV6[] = {
    i32(x, 0),            i32(y, 4),            i16(point2, 8),      i16(nextsector, 10),
    i16(nextwall, 12),    i16(picnum, 14),      i16(overpicnum, 16), i8(shade, 18),
    u8(pal, 19),          i16(cstat, 20),       u8(xrepeat, 22),     u8(yrepeat, 23),
    u8(xpanning, 24),     u8(ypanning, 25),     i16(lotag, 26),      i16(hitag, 28),
    i16(extra, 30),
};

// Same size as version 6, different order: a layout chosen by size alone reads the wrong fields.
inline constexpr FieldSpec kWallV7[] = {
    i32(x, 0),            i32(y, 4),            i16(point2, 8),      i16(nextwall, 10),
    i16(nextsector, 12),  i16(cstat, 14),       i16(picnum, 16),     i16(overpicnum, 18),
    i8(shade, 20),        u8(pal, 21),          u8(xrepeat, 22),     u8(yrepeat, 23),
    u8(xpanning, 24),     u8(ypanning, 25),     i16(lotag, 26),      i16(hitag, 28),
    i16(extra, 30),
};

inline constexpr FieldSpec kSpriteV3[] = {
    i32(x, 0),          i32(y, 4),          i32(z, 8),          flags8(cstat, 12),
    i8(shade, 13),      u8(xrepeat, 14),    u8(yrepeat, 15),    i16(picnum, 16),
    i16(ang, 18),       i16(spare, 20),     i16(zvel, 22),      i16(owner, 24),
    i16(sectnum, 26),   i16(statnum, 28),   i16(lotag, 30),     i16(hitag, 32),
    i32(extra, 34),
};

inline constexpr FieldSpec kSpriteV4[] = {
    i32(x, 0),          i32(y, 4),          i32(z, 8),          flags8(cstat, 12),
    i8(shade, 13),      u8(xrepeat, 14),    u8(yrepeat, 15),    i16(picnum, 16),
    i16(ang, 18),       i16(xvel, 20),      i16(yvel, 22),      i16(zvel, 24),
    i16(owner, 26),     i16(sectnum, 28),   i16(statnum, 30),   i16(lotag, 32),
    i16(hitag, 34),     i32(extra, 36),
};

// Equal to version 4 up to offset 35; `extra` narrows to 16 bits.
inline constexpr FieldSpec kSpriteV5[] = {
    i32(x, 0),          i32(y, 4),          i32(z, 8),          flags8(cstat, 12),
    i8(shade, 13),      u8(xrepeat, 14),    u8(yrepeat, 15),    i16(picnum, 16),
    i16(ang, 18),       i16(xvel, 20),      i16(yvel, 22),      i16(zvel, 24),
    i16(owner, 26),     i16(sectnum, 28),   i16(statnum, 30),   i16(lotag, 32),
    i16(hitag, 34),     i16(extra, 36),
};

inline constexpr FieldSpec kSpriteV6[] = {
    i32(x, 0),          i32(y, 4),          i32(z, 8),          i16(cstat, 12),
    i8(shade, 14),      u8(pal, 15),        u8(clipdist, 16),   u8(xrepeat, 17),
    u8(yrepeat, 18),    i8(xoffset, 19),    i8(yoffset, 20),    i16(picnum, 21),
    i16(ang, 23),       i16(xvel, 25),      i16(yvel, 27),      i16(zvel, 29),
    i16(owner, 31),     i16(sectnum, 33),   i16(statnum, 35),   i16(lotag, 37),
    i16(hitag, 39),     i16(extra, 41),
};

inline constexpr FieldSpec kSpriteV7[] = {
    i32(x, 0),          i32(y, 4),          i32(z, 8),          i16(cstat, 12),
    i16(picnum, 14),    i8(shade, 16),      u8(pal, 17),        u8(clipdist, 18),
    u8(filler, 19),     u8(xrepeat, 20),    u8(yrepeat, 21),    i8(xoffset, 22),
    i8(yoffset, 23),    i16(sectnum, 24),   i16(statnum, 26),   i16(ang, 28),
    i16(owner, 30),     i16(xvel, 32),      i16(yvel, 34),      i16(zvel, 36),
    i16(lotag, 38),     i16(hitag, 40),     i16(extra, 42),
};

// Fields follow each other without gaps and fill the record exactly.
constexpr bool Packed(std::span<const FieldSpec> fields, std::uint32_t record_size) {
  std::uint32_t next = 0;
  for (const FieldSpec& place : fields) {
    if (place.offset != next) return false;
    next += place.size;
  }
  return next == record_size;
}

static_assert(Packed(kSectorV3, RecordSizeTable[3].sector));
static_assert(Packed(kSectorV4, RecordSizeTable[4].sector));
static_assert(Packed(kSectorV5, RecordSizeTable[5].sector));
static_assert(Packed(kSectorV6, RecordSizeTable[6].sector));
static_assert(Packed(kSectorV7, RecordSizeTable[7].sector));
static_assert(Packed(kWallV3, RecordSizeTable[3].wall));
static_assert(Packed(kWallV4, RecordSizeTable[4].wall));
static_assert(Packed(kWallV5, RecordSizeTable[5].wall));
static_assert(Packed(kWallV6, RecordSizeTable[6].wall));
static_assert(Packed(kWallV7, RecordSizeTable[7].wall));
static_assert(Packed(kSpriteV3, RecordSizeTable[3].sprite));
static_assert(Packed(kSpriteV4, RecordSizeTable[4].sprite));
static_assert(Packed(kSpriteV5, RecordSizeTable[5].sprite));
static_assert(Packed(kSpriteV6, RecordSizeTable[6].sprite));
static_assert(Packed(kSpriteV7, RecordSizeTable[7].sprite));

}  // namespace layout

}  // namespace tessaro

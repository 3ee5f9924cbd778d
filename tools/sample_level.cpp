#include "tools/sample_level.hpp"

#include <array>

#include "map/records.hpp"

namespace tessaro {

namespace {

using enum Field;

constexpr std::int32_t kRoomSize = 1024;
constexpr std::int32_t kSpritesPerRoom = 3;

// Each room is taller than the one before; its west side is one wall for the first room, else two:
// the portal, as long as the east side of the room before, and the one-sided rest above it.
constexpr std::int32_t FirstWall(std::int32_t room) { return room == 0 ? 0 : 5 * room - 1; }
constexpr std::int32_t Height(std::int32_t room) { return kRoomSize + room * 256; }
// A small deterministic generator, so the samples come out the same on every machine.
class Dice {
 public:
  explicit Dice(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
  std::int32_t Roll(std::int32_t low, std::int32_t high) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return low + static_cast<std::int32_t>(state_ % static_cast<std::uint32_t>(high - low + 1));
  }

 private:
  std::uint32_t state_;
};

void AddRoom(MapFile& map, std::int32_t room, std::int32_t rooms, Dice& dice) {
  const std::int32_t first_wall = FirstWall(room);
  const std::int32_t walls = FirstWall(room + 1) - first_wall;
  const std::int32_t x0 = room * kRoomSize;
  const std::int32_t x1 = x0 + kRoomSize;
  const std::int32_t y0 = 0;
  const std::int32_t y1 = Height(room);
  const bool outdoor = room % 3 == 2;
  const bool sloped = room % 2 == 1;

  SetField(map, RecordKind::Sector, room, wallptr, first_wall);
  SetField(map, RecordKind::Sector, room, wallnum, walls);
  SetField(map, RecordKind::Sector, room, ceilingz, -(16 << 10) - room * 2048);
  SetField(map, RecordKind::Sector, room, floorz, (8 << 10) + room * 512);
  SetField(map, RecordKind::Sector, room, ceilingstat, outdoor ? 1 : 0);
  SetField(map, RecordKind::Sector, room, floorstat, sloped ? 2 : 0);
  SetField(map, RecordKind::Sector, room, ceilingpicnum, outdoor ? 80 : 180 + room);
  SetField(map, RecordKind::Sector, room, floorpicnum, 200 + dice.Roll(0, 20));
  SetField(map, RecordKind::Sector, room, floorheinum, sloped ? dice.Roll(-40, 40) * 32 + room : 0);
  SetField(map, RecordKind::Sector, room, ceilingshade, dice.Roll(-8, 24));
  SetField(map, RecordKind::Sector, room, floorshade, dice.Roll(-8, 24));
  SetField(map, RecordKind::Sector, room, ceilingpal, outdoor ? 1 : 0);
  SetField(map, RecordKind::Sector, room, floorpal, room % 4 == 3 ? 2 : 0);
  SetField(map, RecordKind::Sector, room, ceilingxpanning, room % 2 == 0 ? dice.Roll(1, 255) : 0);
  SetField(map, RecordKind::Sector, room, floorypanning, dice.Roll(0, 64));
  SetField(map, RecordKind::Sector, room, visibility, dice.Roll(0, 16));
  SetField(map, RecordKind::Sector, room, lotag, room == rooms - 1 ? 20 : 0);
  SetField(map, RecordKind::Sector, room, hitag, room);
  SetField(map, RecordKind::Sector, room, extra, -1);

  const std::int32_t corners[][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, room > 0 ? Height(room - 1) : 0}};
  for (std::int32_t side = 0; side < walls; ++side) {
    const std::int32_t wall = first_wall + side;
    SetField(map, RecordKind::Wall, wall, x, corners[side][0]);
    SetField(map, RecordKind::Wall, wall, y, corners[side][1]);
    SetField(map, RecordKind::Wall, wall, point2, first_wall + (side + 1) % walls);
    SetField(map, RecordKind::Wall, wall, nextwall, -1);
    SetField(map, RecordKind::Wall, wall, nextsector, -1);
    SetField(map, RecordKind::Wall, wall, picnum, 100 + dice.Roll(0, 30));
    SetField(map, RecordKind::Wall, wall, shade, dice.Roll(0, 16));
    SetField(map, RecordKind::Wall, wall, pal, room % 4 == 3 ? 2 : 0);
    SetField(map, RecordKind::Wall, wall, xrepeat, 8 * dice.Roll(1, 4));
    SetField(map, RecordKind::Wall, wall, yrepeat, 8);
    SetField(map, RecordKind::Wall, wall, xpanning, side == 2 ? dice.Roll(1, 200) : 0);
    SetField(map, RecordKind::Wall, wall, ypanning, side == 0 ? dice.Roll(1, 200) : 0);
    SetField(map, RecordKind::Wall, wall, extra, -1);
  }
  // The portal opens into the room before, through its east side; every second one is a masked grate.
  if (room > 0) {
    const std::int32_t east = FirstWall(room - 1) + 1;
    const std::int32_t portal = first_wall + 4;
    const bool grate = room % 2 == 1;
    for (const auto& [wall, other, sector] : {std::array{east, portal, room}, std::array{portal, east, room - 1}}) {
      SetField(map, RecordKind::Wall, wall, nextwall, other);
      SetField(map, RecordKind::Wall, wall, nextsector, sector);
      SetField(map, RecordKind::Wall, wall, cstat, grate ? 16 + 128 : 0);
      SetField(map, RecordKind::Wall, wall, overpicnum, grate ? 400 : 0);
    }
  }

  for (std::int32_t n = 0; n < kSpritesPerRoom; ++n) {
    const std::int32_t sprite = room * kSpritesPerRoom + n;
    SetField(map, RecordKind::Sprite, sprite, x, x0 + 256 + n * 256);
    SetField(map, RecordKind::Sprite, sprite, y, y0 + 512);
    SetField(map, RecordKind::Sprite, sprite, z, (8 << 10) + room * 512);
    SetField(map, RecordKind::Sprite, sprite, cstat, n == 0 ? 1 + 128 : 1);
    SetField(map, RecordKind::Sprite, sprite, picnum, 1400 + dice.Roll(0, 50));
    SetField(map, RecordKind::Sprite, sprite, shade, dice.Roll(-4, 12));
    SetField(map, RecordKind::Sprite, sprite, pal, n == 1 ? 1 : 0);
    SetField(map, RecordKind::Sprite, sprite, clipdist, 32);
    SetField(map, RecordKind::Sprite, sprite, xrepeat, 32 + dice.Roll(0, 32));
    SetField(map, RecordKind::Sprite, sprite, yrepeat, 32 + dice.Roll(0, 32));
    SetField(map, RecordKind::Sprite, sprite, sectnum, room);
    SetField(map, RecordKind::Sprite, sprite, statnum, 0);
    SetField(map, RecordKind::Sprite, sprite, ang, dice.Roll(0, 2047));
    SetField(map, RecordKind::Sprite, sprite, owner, -1);
    SetField(map, RecordKind::Sprite, sprite, lotag, n == 2 ? dice.Roll(1, 99) : 0);
    SetField(map, RecordKind::Sprite, sprite, extra, -1);
  }
}

}  // namespace

MapFile BuildSampleLevel(std::int32_t rooms, std::uint32_t seed) {
  MapFile map;
  map.mapversion = kHighestVersion;
  map.numsectors = static_cast<std::int16_t>(rooms);
  map.numwalls = static_cast<std::int16_t>(FirstWall(rooms));
  map.numsprites = static_cast<std::int16_t>(rooms * kSpritesPerRoom);
  const RecordSizes& sizes = RecordSizeTable[kHighestVersion];
  map.sectordata.assign(static_cast<std::size_t>(map.numsectors) * sizes.sector, 0);
  map.walldata.assign(static_cast<std::size_t>(map.numwalls) * sizes.wall, 0);
  map.spritedata.assign(static_cast<std::size_t>(map.numsprites) * sizes.sprite, 0);
  Dice dice(seed);
  for (std::int32_t room = 0; room < rooms; ++room) AddRoom(map, room, rooms, dice);
  map.posx = kRoomSize / 2;
  map.posy = kRoomSize / 2;
  map.posz = 8 << 10;
  map.ang = 512;
  map.cursectnum = 0;
  return map;
}

}  // namespace tessaro

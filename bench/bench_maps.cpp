#include "bench/bench_maps.hpp"

#include <algorithm>
#include <array>

#include "map/records.hpp"

namespace tessaro::bench {

namespace {

using enum Field;

// Fields written straight into one record of the map's own layout.
class RecordWriter {
 public:
  RecordWriter(MapFile& map, RecordKind kind)
      : layout_(LayoutOf(map.mapversion, kind)), bytes_(RecordBytes(map, kind).data()) {}
  void At(std::int32_t index) { record_ = bytes_ + static_cast<std::size_t>(index) * layout_.size; }
  void Put(Field field, std::int32_t value) {
    if (const FieldSpec* place = layout_.Find(field)) WriteField(record_, *place, value);
  }

 private:
  const RecordLayout& layout_;
  std::uint8_t* bytes_;
  std::uint8_t* record_ = nullptr;
};

// Tiles run past the swap table's top now and then, as in maps made for later art sets.
std::int32_t Tile(Dice& dice) { return dice.Chance(2) ? dice.Roll(6001, 9000) : dice.Roll(0, 6000); }

// Status bits: mostly none, sometimes a few of the low ones, rarely the high byte.
std::int32_t Status(Dice& dice, std::int32_t bits) {
  if (dice.Chance(60)) return 0;
  std::int32_t value = dice.Roll(0, (1 << std::min(bits, 9)) - 1);
  if (bits > 8 && dice.Chance(5)) value |= dice.Roll(1, 127) << 8;
  return value;
}

std::int32_t Panning(Dice& dice) { return dice.Chance(70) ? 0 : dice.Roll(1, 255); }

void FillSector(RecordWriter& out, std::int32_t sector, std::int32_t first_wall, std::int32_t walls, Dice& dice) {
  out.At(sector);
  out.Put(wallptr, first_wall);
  out.Put(wallnum, walls);
  out.Put(ceilingz, -dice.Roll(8, 64) * 1024);
  out.Put(floorz, dice.Roll(0, 64) * 1024);
  for (const auto& [stat, picnum, heinum, shade, pal, xpan, ypan] :
       {std::array{ceilingstat, ceilingpicnum, ceilingheinum, ceilingshade, ceilingpal, ceilingxpanning,
                   ceilingypanning},
        std::array{floorstat, floorpicnum, floorheinum, floorshade, floorpal, floorxpanning, floorypanning}}) {
    const bool sloped = dice.Chance(15);
    out.Put(stat, Status(dice, 16) | (sloped ? 2 : 0));
    out.Put(picnum, Tile(dice));
    // Some slopes are finer than 32, so a step down flattens them.
    out.Put(heinum, sloped ? dice.Roll(-4096, 4096) : 0);
    out.Put(shade, dice.Roll(-8, 24));
    out.Put(pal, dice.Chance(10) ? dice.Roll(1, 20) : 0);
    out.Put(xpan, Panning(dice));
    out.Put(ypan, Panning(dice));
  }
  out.Put(visibility, dice.Roll(0, 16));
  out.Put(lotag, dice.Chance(10) ? dice.Roll(1, 40) : 0);
  out.Put(hitag, dice.Chance(10) ? dice.Roll(1, 999) : 0);
  out.Put(extra, -1);
}

void FillWall(RecordWriter& out, std::int32_t wall, std::int32_t loop_start, std::int32_t loop_size,
              const MapShape& shape, Dice& dice) {
  out.At(wall);
  out.Put(x, dice.Roll(-65536, 65536));
  out.Put(y, dice.Roll(-65536, 65536));
  out.Put(point2, loop_start + (wall - loop_start + 1) % loop_size);
  const bool portal = dice.Chance(25);
  out.Put(nextwall, portal ? dice.Roll(0, shape.walls - 1) : -1);
  out.Put(nextsector, portal ? dice.Roll(0, shape.sectors - 1) : -1);
  out.Put(cstat, Status(dice, 16) | (portal && dice.Chance(30) ? 16 : 0));
  out.Put(picnum, Tile(dice));
  out.Put(overpicnum, portal ? Tile(dice) : 0);
  out.Put(shade, dice.Roll(0, 16));
  out.Put(pal, dice.Chance(10) ? dice.Roll(1, 20) : 0);
  out.Put(xrepeat, 8 * dice.Roll(1, 4));
  out.Put(yrepeat, 8);
  out.Put(xpanning, Panning(dice));
  out.Put(ypanning, Panning(dice));
  out.Put(lotag, dice.Chance(5) ? dice.Roll(1, 40) : 0);
  out.Put(hitag, 0);
  out.Put(extra, -1);
}

void FillSprite(RecordWriter& out, std::int32_t sprite, const MapShape& shape, Dice& dice) {
  out.At(sprite);
  out.Put(x, dice.Roll(-65536, 65536));
  out.Put(y, dice.Roll(-65536, 65536));
  out.Put(z, dice.Roll(-64, 64) * 1024);
  out.Put(cstat, Status(dice, 16));
  out.Put(picnum, Tile(dice));
  out.Put(shade, dice.Roll(-4, 12));
  out.Put(pal, dice.Chance(10) ? dice.Roll(1, 20) : 0);
  out.Put(clipdist, 32);
  out.Put(xrepeat, dice.Roll(16, 64));
  out.Put(yrepeat, dice.Roll(16, 64));
  out.Put(xoffset, dice.Chance(10) ? dice.Roll(-20, 20) : 0);
  out.Put(yoffset, dice.Chance(10) ? dice.Roll(-20, 20) : 0);
  out.Put(sectnum, dice.Roll(0, shape.sectors - 1));
  out.Put(statnum, dice.Chance(20) ? dice.Roll(1, 10) : 0);
  out.Put(ang, dice.Roll(0, 2047));
  out.Put(owner, -1);
  out.Put(xvel, dice.Chance(5) ? dice.Roll(-100, 100) : 0);
  out.Put(yvel, dice.Chance(5) ? dice.Roll(-100, 100) : 0);
  out.Put(zvel, 0);
  out.Put(lotag, dice.Chance(20) ? dice.Roll(1, 999) : 0);
  out.Put(hitag, 0);
  out.Put(extra, -1);
}

}  // namespace

std::int32_t Dice::Roll(std::int32_t low, std::int32_t high) {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  const auto span = static_cast<std::uint32_t>(high - low) + 1u;
  return low + static_cast<std::int32_t>(state_ % span);
}

MapFile BuildBenchMap(const MapShape& shape, std::uint32_t seed) {
  MapFile map;
  map.mapversion = kHighestVersion;
  map.numsectors = static_cast<std::int16_t>(shape.sectors);
  map.numwalls = static_cast<std::int16_t>(shape.walls);
  map.numsprites = static_cast<std::int16_t>(shape.sprites);
  const RecordSizes& sizes = RecordSizeTable[kHighestVersion];
  map.sectordata.assign(static_cast<std::size_t>(shape.sectors) * sizes.sector, 0);
  map.walldata.assign(static_cast<std::size_t>(shape.walls) * sizes.wall, 0);
  map.spritedata.assign(static_cast<std::size_t>(shape.sprites) * sizes.sprite, 0);
  map.posx = 512;
  map.posy = 512;
  map.posz = 8 << 10;
  map.ang = 512;

  Dice dice(seed);
  RecordWriter sectors(map, RecordKind::Sector);
  RecordWriter walls(map, RecordKind::Wall);
  RecordWriter sprites(map, RecordKind::Sprite);
  // The walls are shared out evenly, the first sectors taking one more when they do not divide.
  const std::int32_t each = shape.walls / shape.sectors;
  const std::int32_t more = shape.walls % shape.sectors;
  std::int32_t first_wall = 0;
  for (std::int32_t sector = 0; sector < shape.sectors; ++sector) {
    const std::int32_t count = each + (sector < more ? 1 : 0);
    FillSector(sectors, sector, first_wall, count, dice);
    for (std::int32_t wall = first_wall; wall < first_wall + count; ++wall) {
      FillWall(walls, wall, first_wall, count, shape, dice);
    }
    first_wall += count;
  }
  for (std::int32_t sprite = 0; sprite < shape.sprites; ++sprite) FillSprite(sprites, sprite, shape, dice);
  return map;
}

MapShape TypicalShape(Dice& dice) {
  const std::int32_t sectors = dice.Roll(300, 1500);
  const std::int32_t walls = std::clamp(sectors * dice.Roll(5, 8), 2000, 10000);
  return {sectors, walls, dice.Roll(200, 2000)};
}

std::string SwapScriptText(std::int32_t lines, std::uint32_t seed) {
  Dice dice(seed);
  std::string text = "; tiles of the old art set moved to the new one\r\n";
  for (std::int32_t line = 1; line < lines; ++line) {
    const std::int32_t source = dice.Roll(0, 6000);
    if (dice.Chance(10)) {
      text += std::to_string(source) + "-" + std::to_string(std::min(source + dice.Roll(1, 20), 6000));
    } else {
      text += std::to_string(source);
    }
    text += ", " + std::to_string(dice.Roll(0, 6000));
    if (dice.Chance(10)) text += "  ; moved";
    text += line % 2 == 0 ? "\n" : "\r\n";
  }
  return text;
}

}  // namespace tessaro::bench

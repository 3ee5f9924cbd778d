// The field rules of each step one version up; each table lists the new record's fields in order.
#include "map/conversion.hpp"
#include "map/convert_step.hpp"
#include "map/records.hpp"

namespace tessaro {

namespace {

using namespace rules;
using namespace layout;

constexpr FieldRule kSector3To4[] = {
    Copy(wallptr),
    Copy(wallnum),
    ClearBit(ceilingstat, 4),
    PanningIfBitClear(ceilingxpanning, ceilingpanning, ceilingstat, 4),
    PanningIfBitSet(ceilingypanning, ceilingpanning, ceilingstat, 4),
    Copy(ceilingshade),
    Copy(ceilingz),
    Copy(ceilingpicnum),
    Copy(ceilingheinum),
    ClearBit(floorstat, 4),
    PanningIfBitClear(floorxpanning, floorpanning, floorstat, 4),
    PanningIfBitSet(floorypanning, floorpanning, floorstat, 4),
    Copy(floorshade),
    Copy(floorz),
    Copy(floorpicnum),
    Copy(floorheinum),
    Copy(lotag),
    Copy(hitag),
};
static_assert(RulesFit(kSector3To4, kSectorV3, kSectorV4));

constexpr FieldRule kWall3To4[] = {
    Copy(x),
    Copy(y),
    Copy(point2),
    ClearBit(cstat, 64),
    Copy(shade),
    Copy(xrepeat),
    Copy(yrepeat),
    PanningIfBitClear(xpanning, panning, cstat, 64),
    PanningIfBitSet(ypanning, panning, cstat, 64),
    Copy(picnum),
    Copy(overpicnum),  // then the masked-wall pass
    Copy(nextsector),
    Copy(nextwall),
    Copy(nextsector2),
    Copy(nextwall2),
    Copy(lotag),
    Copy(hitag),
};
static_assert(RulesFit(kWall3To4, kWallV3, kWallV4));

constexpr FieldRule kSprite3To4[] = {
    Copy(x),     Copy(y),       Copy(z),       Copy(cstat),   Copy(shade),   Copy(xrepeat),
    Copy(yrepeat), Copy(picnum), Copy(ang),    Set(xvel, 0),  Set(yvel, 0),  Copy(zvel),
    Copy(owner), Copy(sectnum), Copy(statnum), Copy(lotag),   Copy(hitag),   Copy(extra),
};  // `spare` is dropped
static_assert(RulesFit(kSprite3To4, kSpriteV3, kSpriteV4));

// Version 3 masked walls kept their mask tile on the far side only; version 4 wants it on both.
// Later steps copy the fields it reads and sets, so it runs on whichever version a pass ends at.
void FillMaskedWalls(MapFile& map) {
  // Fields found once, as the pass visits every wall.
  const RecordLayout& layout = LayoutOf(map.mapversion, RecordKind::Wall);
  const FieldSpec* const next = layout.Find(nextwall);
  const FieldSpec* const status = layout.Find(cstat);
  const FieldSpec* const mask = layout.Find(overpicnum);
  const FieldSpec* const tile = layout.Find(picnum);
  if (next == nullptr || status == nullptr || mask == nullptr || tile == nullptr) return;
  const std::int32_t walls = RecordsHeld(map, RecordKind::Wall);
  std::uint8_t* const records = map.walldata.data();
  for (std::int32_t wall = 0; wall < walls; ++wall) {
    std::uint8_t* const record = records + static_cast<std::size_t>(wall) * layout.size;
    const std::int32_t other = LoadField(record, *next);
    const bool masked = (LoadField(record, *status) & 16) != 0;
    if (other < 0 || other >= walls || !masked) continue;
    if (LoadField(record, *mask) != 0) continue;
    const std::uint8_t* const far = records + static_cast<std::size_t>(other) * layout.size;
    StoreField(record + mask->offset, mask->size, LoadField(far, *tile));
  }
}

constexpr FieldRule kSector4To5[] = {
    Copy(wallptr),        Copy(wallnum),        Copy(ceilingpicnum),   Copy(floorpicnum),
    Copy(ceilingheinum),  Copy(floorheinum),    Copy(ceilingz),        Copy(floorz),
    Copy(ceilingshade),   Copy(floorshade),     Copy(ceilingxpanning), Copy(floorxpanning),
    Copy(ceilingypanning), Copy(floorypanning), Copy(ceilingstat),     Copy(floorstat),
    Set(ceilingpal, 0),   Set(floorpal, 0),     Set(visibility, 0),    Copy(lotag),
    Copy(hitag),          Set(extra, -1),
};
static_assert(RulesFit(kSector4To5, kSectorV4, kSectorV5));

constexpr FieldRule kWall4To5[] = {
    Copy(x),          Copy(y),          Copy(point2),      Copy(picnum),     Copy(overpicnum),
    Copy(shade),      Widen(cstat),     Copy(xrepeat),     Copy(yrepeat),    Copy(xpanning),
    Copy(ypanning),   Copy(nextsector), Copy(nextwall),    Copy(nextsector2), Copy(nextwall2),
    Copy(lotag),      Copy(hitag),      Set(extra, -1),
};
static_assert(RulesFit(kWall4To5, kWallV4, kWallV5));

constexpr FieldRule kSprite4To5[] = {
    Copy(x),     Copy(y),       Copy(z),       Copy(cstat),   Copy(shade),   Copy(xrepeat),
    Copy(yrepeat), Copy(picnum), Copy(ang),    Copy(xvel),    Copy(yvel),    Copy(zvel),
    Copy(owner), Copy(sectnum), Copy(statnum), Copy(lotag),   Copy(hitag),   Set(extra, -1),
};  // the 32-bit `extra` is dropped
static_assert(RulesFit(kSprite4To5, kSpriteV4, kSpriteV5));

constexpr FieldRule kWall5To6[] = {
    Copy(x),          Copy(y),           Copy(point2),    Copy(nextsector), Copy(nextwall),
    Copy(picnum),     Copy(overpicnum),  Copy(shade),     WallSectorFloorPal(pal),
    Copy(cstat),      Copy(xrepeat),     Copy(yrepeat),   Copy(xpanning),   Copy(ypanning),
    Copy(lotag),      Copy(hitag),       Copy(extra),
};  // `nextsector2` and `nextwall2` are dropped
static_assert(RulesFit(kWall5To6, kWallV5, kWallV6));

constexpr FieldRule kSprite5To6[] = {
    Copy(x),        Copy(y),          Copy(z),        Widen(cstat),   Copy(shade),
    SpriteSectorPal(pal),             Set(clipdist, 32),              Copy(xrepeat),
    Copy(yrepeat),  Set(xoffset, 0),  Set(yoffset, 0), Copy(picnum),  Copy(ang),
    Copy(xvel),     Copy(yvel),       Copy(zvel),     Copy(owner),    Copy(sectnum),
    Copy(statnum),  Copy(lotag),      Copy(hitag),    Copy(extra),
};
static_assert(RulesFit(kSprite5To6, kSpriteV5, kSpriteV6));

constexpr FieldRule kSector6To7[] = {
    Copy(wallptr),
    Copy(wallnum),
    Copy(ceilingz),
    Copy(floorz),
    Widen(ceilingstat),
    Widen(floorstat),
    Copy(ceilingpicnum),
    SlopeUp(ceilingheinum, ceilingstat),
    Copy(ceilingshade),
    Copy(ceilingpal),
    Copy(ceilingxpanning),
    Copy(ceilingypanning),
    Copy(floorpicnum),
    SlopeUp(floorheinum, floorstat),
    Copy(floorshade),
    Copy(floorpal),
    Copy(floorxpanning),
    Copy(floorypanning),
    Copy(visibility),
    Set(filler, 0),
    Copy(lotag),
    Copy(hitag),
    Copy(extra),
};
static_assert(RulesFit(kSector6To7, kSectorV6, kSectorV7));

constexpr FieldRule kWall6To7[] = {
    Copy(x),        Copy(y),        Copy(point2),   Copy(nextwall), Copy(nextsector),
    Copy(cstat),    Copy(picnum),   Copy(overpicnum), Copy(shade),  Copy(pal),
    Copy(xrepeat),  Copy(yrepeat),  Copy(xpanning), Copy(ypanning), Copy(lotag),
    Copy(hitag),    Copy(extra),
};
static_assert(RulesFit(kWall6To7, kWallV6, kWallV7));

constexpr FieldRule kSprite6To7[] = {
    Copy(x),        Copy(y),        Copy(z),        Copy(cstat),    Copy(picnum),
    Copy(shade),    Copy(pal),      Copy(clipdist), Set(filler, 0), Copy(xrepeat),
    Copy(yrepeat),  Copy(xoffset),  Copy(yoffset),  Copy(sectnum),  Copy(statnum),
    Copy(ang),      Copy(owner),    Copy(xvel),     Copy(yvel),     Copy(zvel),
    Copy(lotag),    Copy(hitag),    Copy(extra),
};
static_assert(RulesFit(kSprite6To7, kSpriteV6, kSpriteV7));

constexpr StepRules kUpgradeSteps[] = {
    {3, 4, kSector3To4, kWall3To4, kSprite3To4, FillMaskedWalls},
    {4, 5, kSector4To5, kWall4To5, kSprite4To5, nullptr},
    {5, 6, kSectorBetween5And6, kWall5To6, kSprite5To6, nullptr},
    {6, 7, kSector6To7, kWall6To7, kSprite6To7, nullptr},
};

}  // namespace

MapError UpgradeMap(MapFile& map) { return ConvertStep(map, kUpgradeSteps, CannotUpgrade); }

MapError ConvertMap(MapFile& map, std::int32_t target) {
  if (target > map.mapversion) return ConvertSteps(map, kUpgradeSteps, target, CannotUpgrade);
  return DowngradeMapTo(map, target);
}

}  // namespace tessaro

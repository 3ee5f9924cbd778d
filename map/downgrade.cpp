// The field rules of each step one version down; each table lists the new record's fields in order.
#include "map/conversion.hpp"
#include "map/convert_step.hpp"

namespace tessaro {

namespace {

using namespace rules;
using namespace layout;

// The slope loses its low 5 bits; a slope that shifts to 0 loses its slope bit as well.
constexpr FieldRule kSector7To6[] = {
    Copy(wallptr),        Copy(wallnum),        Copy(ceilingpicnum),   Copy(floorpicnum),
    SlopeDown(ceilingheinum),                   SlopeDown(floorheinum),
    Copy(ceilingz),       Copy(floorz),         Copy(ceilingshade),    Copy(floorshade),
    Copy(ceilingxpanning), Copy(floorxpanning), Copy(ceilingypanning), Copy(floorypanning),
    StatusAfterSlopeDown(ceilingstat, ceilingheinum),
    StatusAfterSlopeDown(floorstat, floorheinum),
    Copy(ceilingpal),     Copy(floorpal),       Copy(visibility),      Copy(lotag),
    Copy(hitag),          Copy(extra),
};  // `filler` is dropped
static_assert(RulesFit(kSector7To6, kSectorV7, kSectorV6));

constexpr FieldRule kWall7To6[] = {
    Copy(x),        Copy(y),        Copy(point2),     Copy(nextsector), Copy(nextwall),
    Copy(picnum),   Copy(overpicnum), Copy(shade),    Copy(pal),        Copy(cstat),
    Copy(xrepeat),  Copy(yrepeat),  Copy(xpanning),   Copy(ypanning),   Copy(lotag),
    Copy(hitag),    Copy(extra),
};
static_assert(RulesFit(kWall7To6, kWallV7, kWallV6));

constexpr FieldRule kSprite7To6[] = {
    Copy(x),        Copy(y),        Copy(z),        Copy(cstat),    Copy(shade),
    Copy(pal),      Copy(clipdist), Copy(xrepeat),  Copy(yrepeat),  Copy(xoffset),
    Copy(yoffset),  Copy(picnum),   Copy(ang),      Copy(xvel),     Copy(yvel),
    Copy(zvel),     Copy(owner),    Copy(sectnum),  Copy(statnum),  Copy(lotag),
    Copy(hitag),    Copy(extra),
};  // `filler` is dropped
static_assert(RulesFit(kSprite7To6, kSpriteV7, kSpriteV6));

constexpr FieldRule kWall6To5[] = {
    Copy(x),          Copy(y),          Copy(point2),     Copy(picnum),     Copy(overpicnum),
    Copy(shade),      Copy(cstat),      Copy(xrepeat),    Copy(yrepeat),    Copy(xpanning),
    Copy(ypanning),   Copy(nextsector), Copy(nextwall),   Set(nextsector2, -1),
    Set(nextwall2, -1),                 Copy(lotag),      Copy(hitag),      Copy(extra),
};  // `pal` is dropped
static_assert(RulesFit(kWall6To5, kWallV6, kWallV5));

constexpr FieldRule kSprite6To5[] = {
    Copy(x),        Copy(y),        Copy(z),        LowBits(cstat), Copy(shade),
    Copy(xrepeat),  Copy(yrepeat),  Copy(picnum),   Copy(ang),      Copy(xvel),
    Copy(yvel),     Copy(zvel),     Copy(owner),    Copy(sectnum),  Copy(statnum),
    Copy(lotag),    Copy(hitag),    Copy(extra),
};  // `pal`, `clipdist`, `xoffset` and `yoffset` are dropped
static_assert(RulesFit(kSprite6To5, kSpriteV6, kSpriteV5));

constexpr FieldRule kSector5To4[] = {
    Copy(wallptr),        Copy(wallnum),        Copy(ceilingstat),     Copy(ceilingxpanning),
    Copy(ceilingypanning), Copy(ceilingshade),  Copy(ceilingz),        Copy(ceilingpicnum),
    Copy(ceilingheinum),  Copy(floorstat),      Copy(floorxpanning),   Copy(floorypanning),
    Copy(floorshade),     Copy(floorz),         Copy(floorpicnum),     Copy(floorheinum),
    Copy(lotag),          Copy(hitag),
};  // `ceilingpal`, `floorpal`, `visibility` and `extra` are dropped
static_assert(RulesFit(kSector5To4, kSectorV5, kSectorV4));

constexpr FieldRule kWall5To4[] = {
    Copy(x),          Copy(y),          Copy(point2),     LowBits(cstat),   Copy(shade),
    Copy(xrepeat),    Copy(yrepeat),    Copy(xpanning),   Copy(ypanning),   Copy(picnum),
    Copy(overpicnum), Copy(nextsector), Copy(nextwall),   Copy(nextsector2), Copy(nextwall2),
    Copy(lotag),      Copy(hitag),
};  // `extra` is dropped
static_assert(RulesFit(kWall5To4, kWallV5, kWallV4));

// The 32-bit `extra` takes only the low byte of the 16-bit one, unsigned.
constexpr FieldRule kSprite5To4[] = {
    Copy(x),     Copy(y),       Copy(z),       Copy(cstat),   Copy(shade),   Copy(xrepeat),
    Copy(yrepeat), Copy(picnum), Copy(ang),    Copy(xvel),    Copy(yvel),    Copy(zvel),
    Copy(owner), Copy(sectnum), Copy(statnum), Copy(lotag),   Copy(hitag),   LowByte(extra),
};
static_assert(RulesFit(kSprite5To4, kSpriteV5, kSpriteV4));

// Version 3 keeps one panning byte per surface and a status bit telling its axis: the x panning
// when it is not 0, else the y panning; the other one is lost.
constexpr FieldRule kSector4To3[] = {
    Copy(wallptr),
    Copy(wallnum),
    StatusOfMergedPanning(ceilingstat, ceilingxpanning, 4),
    MergePanning(ceilingpanning, ceilingxpanning, ceilingypanning),
    Copy(ceilingshade),
    Copy(ceilingz),
    Copy(ceilingpicnum),
    Copy(ceilingheinum),
    StatusOfMergedPanning(floorstat, floorxpanning, 4),
    MergePanning(floorpanning, floorxpanning, floorypanning),
    Copy(floorshade),
    Copy(floorz),
    Copy(floorpicnum),
    Copy(floorheinum),
    Copy(lotag),
    Copy(hitag),
};
static_assert(RulesFit(kSector4To3, kSectorV4, kSectorV3));

constexpr FieldRule kWall4To3[] = {
    Copy(x),
    Copy(y),
    Copy(point2),
    StatusOfMergedPanning(cstat, xpanning, 64),
    Copy(shade),
    Copy(xrepeat),
    Copy(yrepeat),
    MergePanning(panning, xpanning, ypanning),
    Copy(picnum),
    Copy(overpicnum),
    Copy(nextsector),
    Copy(nextwall),
    Copy(nextsector2),
    Copy(nextwall2),
    Copy(lotag),
    Copy(hitag),
};
static_assert(RulesFit(kWall4To3, kWallV4, kWallV3));

constexpr FieldRule kSprite4To3[] = {
    Copy(x),     Copy(y),       Copy(z),       Copy(cstat),   Copy(shade),   Copy(xrepeat),
    Copy(yrepeat), Copy(picnum), Copy(ang),    Set(spare, 0), Copy(zvel),    Copy(owner),
    Copy(sectnum), Copy(statnum), Copy(lotag), Copy(hitag),   Copy(extra),
};  // `xvel` and `yvel` are dropped
static_assert(RulesFit(kSprite4To3, kSpriteV4, kSpriteV3));

constexpr StepRules kDowngradeSteps[] = {
    {7, 6, kSector7To6, kWall7To6, kSprite7To6, nullptr},
    {6, 5, kSectorBetween5And6, kWall6To5, kSprite6To5, nullptr},
    {5, 4, kSector5To4, kWall5To4, kSprite5To4, nullptr},
    {4, 3, kSector4To3, kWall4To3, kSprite4To3, nullptr},
};

}  // namespace

MapError DowngradeMap(MapFile& map) { return ConvertStep(map, kDowngradeSteps, CannotDowngrade); }

std::span<const StepRules> DowngradeSteps() { return kDowngradeSteps; }

MapError DowngradeMapTo(MapFile& map, std::int32_t target) {
  return ConvertSteps(map, kDowngradeSteps, target, CannotDowngrade);
}

}  // namespace tessaro

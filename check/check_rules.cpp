#include "check/check_rules.hpp"

#include <iterator>

#include "map/map.hpp"

namespace tessaro {

namespace {

using enum CheckCode;
using enum Severity;
using enum Subject;

constexpr CheckRule kRules[] = {
    {FileShort, "file-short", Error, File, "The file ends before its records do.",
     "Find a whole copy of the file: the records it lacks were read as zeros."},
    {FileLong, "file-long", Note, File, "Bytes that are not all zero follow the last record.",
     "Keep the original if they matter: a conversion does not carry them over."},
    {LimitSectors, "limit-sectors", Error, Map, "More sectors than the games of the version take.",
     "Keep the map at a version whose games take that many, or remove sectors."},
    {LimitWalls, "limit-walls", Error, Map, "More walls than the games of the version take.",
     "Keep the map at a version whose games take that many, or remove walls."},
    {LimitSprites, "limit-sprites", Error, Map, "More sprites than the games of the version take.",
     "Keep the map at a version whose games take that many, or remove sprites."},
    {SectorWallsOutside, "sector-walls-outside", Error, Sector, "A sector's walls lie outside the map's walls.",
     "Set the sector's first wall and wall count in an editor, or delete the sector."},
    {SectorTooFewWalls, "sector-too-few-walls", Warning, Sector, "A sector has fewer than 3 walls.",
     "Redraw the sector, or delete it."},
    {SectorWallsOrder, "sector-walls-order", Warning, Sector,
     "A sector's walls do not begin where those of the sector before end.",
     "Load and save the map in an editor, which renumbers the walls."},
    {WallsShared, "walls-shared", Warning, Sector, "A sector holds walls that a lower-numbered sector holds.",
     "Redraw one of the two sectors."},
    {WallsUnowned, "walls-unowned", Warning, Wall, "Walls that no sector holds.",
     "Harmless to the games; an editor may drop them."},
    {WallPoint2Outside, "wall-point2-outside", Error, Wall, "A wall's next point is not a wall of its sector.",
     "Redraw the sector's loop in an editor."},
    {SectorLoopsBroken, "sector-loops-broken", Warning, Sector, "Two walls of a sector lead to the same point.",
     "Redraw the sector's loops in an editor."},
    {WallZeroLength, "wall-zero-length", Warning, Wall, "A wall ends where it starts.",
     "Delete the doubled point in an editor."},
    {WallNextOutside, "wall-next-outside", Error, Wall, "A wall links to a wall or sector the map does not have.",
     "Make the wall one-sided, or join it again to the sector beyond, in an editor."},
    {WallNextHalf, "wall-next-half", Warning, Wall, "A wall links to a wall but no sector, or to a sector but no wall.",
     "Make the wall one-sided, or join it again, in an editor."},
    {WallNextSelf, "wall-next-self", Warning, Wall, "A wall links to its own sector.",
     "Make the wall one-sided, or join it again, in an editor."},
    {WallNextMismatch, "wall-next-mismatch", Warning, Wall, "A wall links to a wall that is not in the sector it links to.",
     "Join the two sectors again in an editor."},
    {WallNextOneway, "wall-next-oneway", Warning, Wall, "A wall links to a wall that does not link back.",
     "Join the two sectors again in an editor."},
    {WallNextApart, "wall-next-apart", Warning, Wall, "Two walls link to each other but do not share their ends.",
     "Move the points so that the walls meet, or make them one-sided."},
    {SpriteStatusOutside, "sprite-status-outside", Error, Sprite, "A sprite's status is outside 0 to 1023.",
     "Delete the sprite, or set its status, in an editor."},
    {SpriteSectorOutside, "sprite-sector-outside", Error, Sprite, "A sprite is in a sector the map does not have.",
     "Move the sprite into a sector in an editor, or delete it."},
    {SpriteOutsideSector, "sprite-outside-sector", Note, Sprite, "A sprite lies outside its sector.",
     "Usually harmless; move the sprite if players should meet it."},
    {StartSectorOutside, "start-sector-outside", Error, Start, "The start is in a sector the map does not have.",
     "Set the start position again in an editor."},
    {StartOutsideSector, "start-outside-sector", Note, Start, "The start position lies outside its sector.",
     "Set the start position again in an editor if players start in the wrong place."},
};

constexpr bool InCodeOrder() {
  for (std::size_t i = 0; i < std::size(kRules); ++i) {
    if (static_cast<std::size_t>(kRules[i].code) != i) return false;
  }
  return kCheckCodes == std::size(kRules);
}
static_assert(InCodeOrder());

}  // namespace

std::span<const CheckRule> CheckRules() { return kRules; }

const CheckRule& RuleOf(CheckCode code) { return kRules[static_cast<std::size_t>(code)]; }

std::string_view SeverityName(Severity severity) {
  static constexpr std::string_view kNames[] = {"error", "warning", "note"};
  return kNames[static_cast<std::size_t>(severity)];
}

std::string_view SubjectName(Subject subject) {
  static constexpr std::string_view kNames[] = {"file", "map", "sector", "wall", "sprite", "start"};
  return kNames[static_cast<std::size_t>(subject)];
}

VersionLimits LimitsOf(std::int32_t version) {
  // Versions 3 and 4 take what version 5, the earliest published, takes; 6 doubled the walls.
  if (!IsKnownVersion(version)) return {0, 0, 0};
  return version >= 6 ? VersionLimits{1024, 8192, 4096} : VersionLimits{1024, 4096, 4096};
}

}  // namespace tessaro

// The map checker's rules: one table of codes, severities, what each code is about, and one line
// each of what it means and what to do. The program's lines, its JSON report, the page's legend
// and the manual's list of codes all come from it. A code never changes meaning once published.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tessaro {

enum class CheckCode : std::uint8_t {
  FileShort,
  FileLong,
  LimitSectors,
  LimitWalls,
  LimitSprites,
  SectorWallsOutside,
  SectorTooFewWalls,
  SectorWallsOrder,
  WallsShared,
  WallsUnowned,
  WallPoint2Outside,
  SectorLoopsBroken,
  WallZeroLength,
  WallNextOutside,
  WallNextHalf,
  WallNextSelf,
  WallNextMismatch,
  WallNextOneway,
  WallNextApart,
  SpriteStatusOutside,
  SpriteSectorOutside,
  SpriteOutsideSector,
  StartSectorOutside,
  StartOutsideSector,
};
inline constexpr std::size_t kCheckCodes = static_cast<std::size_t>(CheckCode::StartOutsideSector) + 1;

// Error: the games of the map's version may crash on it or refuse it. Warning: it loads, but links
// or geometry are broken where an editor would flag them. Note: worth knowing, harmless.
enum class Severity : std::uint8_t { Error, Warning, Note };

// What a problem's index counts: nothing (the file, the start), a version (the map), or a record.
enum class Subject : std::uint8_t { File, Map, Sector, Wall, Sprite, Start };

struct CheckRule {
  CheckCode code;
  std::string_view name;  // "wall-next-outside"
  Severity severity;
  Subject subject;
  std::string_view summary;  // when it fires
  std::string_view advice;   // what to do about it
};

// Every rule, in the order of CheckCode, which is also the order of a map's report.
std::span<const CheckRule> CheckRules();
const CheckRule& RuleOf(CheckCode code);

std::string_view SeverityName(Severity severity);  // "error", "warning", "note"
std::string_view SubjectName(Subject subject);     // "file", "map", "sector", "wall", "sprite", "start"

// The most records of each kind that the games of a version load; all zero for an unknown version.
struct VersionLimits {
  std::int32_t sectors;
  std::int32_t walls;
  std::int32_t sprites;
};
VersionLimits LimitsOf(std::int32_t version);

// The highest sprite status the games keep lists for.
inline constexpr std::int32_t kHighestStatus = 1023;

}  // namespace tessaro

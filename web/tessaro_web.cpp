// The browser page's way into the core: plain C functions over bytes in the module's memory,
// one map at a time, with what the program would print for that map. No console, no files.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/paths.hpp"
#include "app/text.hpp"
#include "check/map_check.hpp"
#include "grp/group_directory.hpp"
#include "zip/zip_directory.hpp"
#include "map/conversion.hpp"
#include "map/file_fit.hpp"
#include "map/map_format.hpp"
#include "map/map_messages.hpp"
#include "map/map_report.hpp"
#include "map/records.hpp"
#include "tiles/renumber_tiles.hpp"
#include "tiles/swap_text.hpp"
#include "tiles/tiles_used.hpp"

namespace tessaro {
namespace {

struct Run {
  TileSwapTable table;
  bool with_script = false;
};

// What the last call made, kept until the next one.
struct Made {
  std::string report;
  std::vector<std::uint8_t> output;
  std::vector<std::int32_t> walls;  // x1, y1, x2, y2, kind: five numbers a wall
  std::vector<std::int32_t> marks;  // x, y, kind: three numbers a mark
};

// How the drawing shows a wall and a mark; the page's legend names them.
enum WallKind : std::int32_t { kOneSided, kTwoSided, kProblemWall };
enum MarkKind : std::int32_t { kSpriteMark, kStartMark, kWallMark };

Run run;
Made made;

std::string List(const std::vector<std::string>& texts) {
  std::string list = "[";
  for (const std::string& text : texts) list += (list.size() > 1 ? "," : "") + JsonString(text);
  return list + "]";
}

// The walls and the sprites a check's lines name.
struct Named {
  std::vector<bool> walls;
  std::vector<std::int32_t> sprites;
  bool start = false;
};

Named NamedBy(const MapCheck& check) {
  Named named{std::vector<bool>(static_cast<std::size_t>(check.walls), false), {}, false};
  auto wall = [&](std::int64_t first, std::int64_t last) {
    for (std::int64_t w = first; w <= last; ++w) named.walls[static_cast<std::size_t>(w)] = true;
  };
  for (const Problem& p : check.problems) {
    using enum CheckCode;
    switch (RuleOf(p.code).subject) {
      case Subject::Wall: wall(p.index, p.code == WallsUnowned ? p.values[0] : p.index); break;
      case Subject::Start: named.start = true; break;
      case Subject::Sprite:
        if (p.code != SpriteStatusOutside) named.sprites.push_back(p.index);
        break;
      case Subject::Sector:
        // The walls these lines name: one another sector holds too, two that lead to one point.
        if (p.code == WallsShared || p.code == SectorLoopsBroken) wall(p.values[0], p.values[0]);
        if (p.code == SectorLoopsBroken) wall(p.values[1], p.values[1]);
        break;
      default: break;
    }
  }
  return named;
}

// {"verdict", "errors", "warnings", "lines": [{"code", "severity", "text"}], "codes": [{"code",
// "severity", "summary", "advice"}] for the codes of the lines}; the drawing's walls and marks as
// the lines name them.
std::string CheckReport(const MapFile& map, const MapCheck& check) {
  std::string lines, codes;
  std::vector<bool> told(CheckRules().size(), false);
  for (const CheckLine& line : CheckLines(check, true)) {
    const CheckRule& rule = RuleOf(line.code);
    const std::string code = "{\"code\":" + JsonString(rule.name) + ",\"severity\":" + JsonString(SeverityName(rule.severity));
    lines += (lines.empty() ? "" : ",") + code + ",\"text\":" + JsonString(line.text) + "}";
    if (told[static_cast<std::size_t>(line.code)]) continue;
    told[static_cast<std::size_t>(line.code)] = true;
    codes += (codes.empty() ? "" : ",") + code + ",\"summary\":" + JsonString(rule.summary) + ",\"advice\":" +
             JsonString(rule.advice) + "}";
  }
  Named named = NamedBy(check);
  for (const WallLine& wall : WallLines(map)) {
    const bool problem = named.walls[static_cast<std::size_t>(wall.wall)];
    made.walls.insert(made.walls.end(), {wall.x1, wall.y1, wall.x2, wall.y2,
                                         problem ? kProblemWall : wall.two_sided ? kTwoSided : kOneSided});
    named.walls[static_cast<std::size_t>(wall.wall)] = false;
  }
  // A named wall that is not drawn, as its next point lies outside the map, is marked where it starts.
  for (std::int32_t w = 0; w < check.walls; ++w) {
    if (!named.walls[static_cast<std::size_t>(w)]) continue;
    made.marks.insert(made.marks.end(), {GetField(map, RecordKind::Wall, w, Field::x),
                                         GetField(map, RecordKind::Wall, w, Field::y), kWallMark});
  }
  for (const std::int32_t sprite : named.sprites) {
    made.marks.insert(made.marks.end(), {GetField(map, RecordKind::Sprite, sprite, Field::x),
                                         GetField(map, RecordKind::Sprite, sprite, Field::y), kSpriteMark});
  }
  if (named.start) made.marks.insert(made.marks.end(), {map.posx, map.posy, kStartMark});
  return ",\"check\":{\"verdict\":" + JsonString(Verdict(check, true)) + ",\"errors\":" +
         std::to_string(check.Count(Severity::Error)) + ",\"warnings\":" + std::to_string(check.Count(Severity::Warning)) +
         ",\"lines\":[" + lines + "],\"codes\":[" + codes + "]}";
}

const char* Report(const std::vector<std::string>& lines, const std::string& rest = "") {
  made.report = "{\"lines\":" + List(lines) + rest + "}";
  return made.report.c_str();
}

const char* Damaged(std::string_view name, MapError error) {
  return Report({OpeningLine(name), std::string(MapErrorMessage(error))});
}

// The maps of an archive, and the groups of a zip, as the worker reads them.
const char* Listed(std::string_view name, const std::vector<ArchiveMember>& members) {
  std::string listed;
  for (const ArchiveMember& member : members) {
    const bool group = member.storage != Storage::Plain && IsGroupFileName(member.name);
    if (!group && !EndsWithIgnoringCase(member.name, ".map")) continue;
    const std::string title = MemberTitle(name, member.name);
    const MapError refused = group ? member.refused : MapMemberRefusal(member);
    listed += (listed.empty() ? "{\"title\":" : ",{\"title\":") + JsonString(title);
    if (refused != Ok) {
      listed += ",\"lines\":" + List({OpeningLine(title), std::string(MapErrorMessage(refused))}) + "}";
      continue;
    }
    listed += ",\"offset\":" + std::to_string(member.offset) + ",\"packed\":" + std::to_string(member.packed) +
              ",\"size\":" + std::to_string(member.size) + ",\"crc\":" + std::to_string(member.crc) +
              ",\"zipped\":" + (member.storage != Storage::Plain ? "true" : "false") +
              ",\"deflated\":" + (member.storage == Storage::ZipDeflated ? "true" : "false") +
              ",\"group\":" + (group ? "true" : "false") + "}";
  }
  made.report = "{\"members\":[" + listed + "]}";
  return made.report.c_str();
}

}  // namespace
}  // namespace tessaro

using namespace tessaro;

extern "C" {

// Starts a run of maps: with a script, its bytes fill a fresh swap table, and the tiles of every
// map of the run are replaced through it, as the program does (a script that cannot be used
// leaves every tile). Reports {"lines": [...]}.
EMSCRIPTEN_KEEPALIVE const char* tessaro_start(const char* script_name, const std::uint8_t* script,
                                                std::size_t size, int with_script) {
  run = Run{};
  run.with_script = with_script != 0;
  if (!run.with_script) return Report({});
  ApplySwapScript(std::span(script, size), run.table);
  return Report({LoadingLine(script_name)});
}

// Converts one map as the program converts one file, and reports {"lines", and once the map is
// open "version", "sectors", "walls", "sprites", "output" (the file's name, "" when none was
// made), "loses" (for a lower version: its heading and lines), "notes" (whether the file of
// `file_bytes` bytes was whole), "check" (the map as read, with the target's limits), "tiles" (the
// tiles the output uses, or the map as read where there is none) and "template" (a swap script that
// keeps them)}. The file's bytes, the map's walls and the check's marks are then at tessaro_output,
// tessaro_walls and tessaro_marks.
EMSCRIPTEN_KEEPALIVE const char* tessaro_convert(const char* name, const std::uint8_t* bytes, std::size_t size,
                                                  std::int32_t target, double file_bytes) {
  made = Made{};
  std::vector<std::string> lines{OpeningLine(name)};
  MapFile map;
  SourceExtent extent;
  const MapError opened = ReadMap(std::span(bytes, size), map, &extent);
  if (opened != Ok) {
    lines.emplace_back(MapErrorMessage(opened));
    return Report(lines);
  }
  const std::int32_t version = map.mapversion;
  // Only the file's first bytes were read: of the rest, nobody knows that it is all zero.
  extent.zero_tail = extent.zero_tail && file_bytes <= static_cast<double>(size);
  extent.bytes = static_cast<std::uint64_t>(file_bytes);
  const FileFit fit = FitOf(map, extent);
  for (std::string& line : FitLines(fit)) lines.push_back(std::move(line));
  const std::string notes = ",\"notes\":" + List(ExtentNotes(fit));
  const std::string facts = ",\"version\":" + std::to_string(version) + ",\"sectors\":" +
                            std::to_string(map.numsectors) + ",\"walls\":" + std::to_string(map.numwalls) +
                            ",\"sprites\":" + std::to_string(map.numsprites);
  // The map as read, with the limits of the version chosen.
  const std::string checked = CheckReport(map, CheckMap(map, fit, target));
  std::string losses;
  if (target < version) {
    std::vector<std::string> lost;
    // Over several steps, each line says which step loses it.
    for (const FieldLoss& loss : LossesDownTo(map, target)) {
      const std::string step = "v" + std::to_string(loss.from) + " to v" + std::to_string(loss.from - 1) + ": ";
      lost.push_back((version - target > 1 ? step : "") + LossLine(loss));
    }
    losses = ",\"loses\":{\"heading\":" + JsonString("Converting to v" + std::to_string(target) + " loses:") +
             ",\"lines\":" + List(lost) + "}";
  }
  std::string output;
  if (target == version) {
    lines.emplace_back(MapErrorMessage(NoConversionNeeded));
  } else {
    lines.push_back(ConversionLine(version, target));
    const MapError converted = ConvertMap(map, target);
    if (converted != Ok) {
      lines.emplace_back(MapErrorMessage(converted));
    } else {
      for (std::string& note : LimitNotes(map, target)) lines.push_back(std::move(note));
      if (run.with_script) {
        lines.emplace_back(kReplacingLine);
        RenumberTiles(map, run.table);
      }
      // A group's member is saved beside the group, as the program saves it: under its own name.
      const std::string_view shown = name;
      output = OutputNameFor(shown.substr(shown.rfind('/') + 1), target);
      lines.push_back(SavingLine(output));
      WriteMap(map, made.output);
    }
  }
  const std::vector<std::int32_t> tiles = TilesUsed(map);
  const std::string used = ",\"tiles\":" + JsonString(TilesUsedLine(tiles)) + ",\"template\":" +
                           JsonString(SwapScriptTemplate(tiles, output.empty() ? name : output));
  FreeMap(map);
  return Report(lines, facts + notes + checked + used + ",\"output\":" + JsonString(output) + losses);
}

// How many of a group file's first bytes its directory takes, from its first 16 bytes and its
// length; 0 when the file is no group file whose directory fits.
EMSCRIPTEN_KEEPALIVE double tessaro_group_directory_bytes(const std::uint8_t* first, std::size_t size, double length) {
  return static_cast<double>(GroupDirectoryBytes(std::span(first, size), static_cast<std::uint64_t>(length)));
}

// The members of a group file that end in ".map", in directory order, from its directory's bytes:
// {"members": [{"title", "offset", "packed", "size", "crc", "zipped", "deflated"}, or {"title",
// "lines"} for a member that is refused]}; a damaged directory reports {"lines"} for the group.
EMSCRIPTEN_KEEPALIVE const char* tessaro_group(const char* name, const std::uint8_t* directory, std::size_t size,
                                                double length) {
  std::vector<ArchiveMember> members;
  if (!ReadGroupDirectory(std::span(directory, size), static_cast<std::uint64_t>(length), members)) {
    return Damaged(name, SourceCorrupted);
  }
  return Listed(name, members);
}

// How many of a zip's last bytes hold its end record.
EMSCRIPTEN_KEEPALIVE double tessaro_zip_tail_bytes(double length) {
  return static_cast<double>(std::min(static_cast<std::uint64_t>(length), kZipTailBytes));
}

// Where a zip's central directory lies, from its last tessaro_zip_tail_bytes bytes: {"offset",
// "bytes", "entries"}, or {"lines"} for the zip as a whole when it is damaged or not supported.
EMSCRIPTEN_KEEPALIVE const char* tessaro_zip(const char* name, const std::uint8_t* tail, std::size_t size,
                                              double length) {
  ZipDirectoryPlace place;
  const MapError found = FindZipDirectory(std::span(tail, size), static_cast<std::uint64_t>(length), place);
  if (found != Ok) return Damaged(name, found);
  made.report = "{\"offset\":" + std::to_string(place.offset) + ",\"bytes\":" + std::to_string(place.bytes) +
                ",\"entries\":" + std::to_string(place.entries) + "}";
  return made.report.c_str();
}

// The members of a zip that end in ".map" or ".grp", in directory order, from its central
// directory's bytes, as tessaro_group reports them; a group carries "group": true.
EMSCRIPTEN_KEEPALIVE const char* tessaro_zip_members(const char* name, const std::uint8_t* directory,
                                                      std::size_t size, double offset, double entries) {
  std::vector<ArchiveMember> members;
  const ZipDirectoryPlace place{static_cast<std::uint64_t>(offset), size, static_cast<std::uint64_t>(entries)};
  const MapError read = ReadZipDirectory(std::span(directory, size), place, members);
  return read == Ok ? Listed(name, members) : Damaged(name, read);
}

// Where a zip member's data begins, from the bytes of its local header; 0 when it cannot.
EMSCRIPTEN_KEEPALIVE double tessaro_zip_data(const std::uint8_t* header, std::size_t size, double offset,
                                             double packed, double length) {
  ArchiveMember member;
  member.offset = static_cast<std::uint64_t>(offset);
  member.packed = static_cast<std::uint64_t>(packed);
  return static_cast<double>(ZipDataOffset(std::span(header, size), member, static_cast<std::uint64_t>(length)));
}

// The CRC-32 of bytes that follow those whose CRC-32 is `crc`.
EMSCRIPTEN_KEEPALIVE double tessaro_crc32(const std::uint8_t* bytes, std::size_t size, double crc) {
  return Crc32(std::span(bytes, size), static_cast<std::uint32_t>(crc));
}

// The lines of a member that was not whole: {"lines"}.
EMSCRIPTEN_KEEPALIVE const char* tessaro_damaged(const char* name) { return Damaged(name, SourceCorrupted); }

EMSCRIPTEN_KEEPALIVE const std::uint8_t* tessaro_output() { return made.output.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t tessaro_output_size() { return made.output.size(); }
EMSCRIPTEN_KEEPALIVE const std::int32_t* tessaro_walls() { return made.walls.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t tessaro_wall_count() { return made.walls.size() / 5; }
EMSCRIPTEN_KEEPALIVE const std::int32_t* tessaro_marks() { return made.marks.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t tessaro_mark_count() { return made.marks.size() / 3; }

}  // extern "C"

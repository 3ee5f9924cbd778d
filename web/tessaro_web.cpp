// The browser page's way into the core: plain C functions over bytes in the module's memory,
// one map at a time, with what the program would print for that map. No console, no files.
#include <emscripten.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/paths.hpp"
#include "app/text.hpp"
#include "grp/group_directory.hpp"
#include "map/conversion.hpp"
#include "map/map_format.hpp"
#include "map/map_messages.hpp"
#include "map/map_report.hpp"
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
  std::vector<std::int32_t> walls;  // x1, y1, x2, y2, two-sided: five numbers a wall
};

Run run;
Made made;

// A JSON string: names come from the user's files and may hold any byte but zero.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      quoted += std::string("\\u00") + kHex[byte >> 4] + kHex[byte & 15];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string List(const std::vector<std::string>& texts) {
  std::string list = "[";
  for (const std::string& text : texts) list += (list.size() > 1 ? "," : "") + Quoted(text);
  return list + "]";
}

const char* Report(const std::vector<std::string>& lines, const std::string& rest = "") {
  made.report = "{\"lines\":" + List(lines) + rest + "}";
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
// `file_bytes` bytes was whole), "tiles" (the tiles the output uses, or the map as read where
// there is none) and "template" (a swap script that keeps them)}. The file's bytes and the map's
// walls are then at tessaro_output and tessaro_walls.
EMSCRIPTEN_KEEPALIVE const char* tessaro_convert(const char* name, const std::uint8_t* bytes, std::size_t size,
                                                  std::int32_t target, double file_bytes) {
  made = Made{};
  std::vector<std::string> lines{OpeningLine(name)};
  MapFile map;
  const MapError opened = ReadMap(std::span(bytes, size), map);
  if (opened != Ok) {
    lines.emplace_back(MapErrorMessage(opened));
    return Report(lines);
  }
  const std::int32_t version = map.mapversion;
  const std::string notes = ",\"notes\":" + List(ExtentNotes(map, static_cast<std::uint64_t>(file_bytes)));
  const std::string facts = ",\"version\":" + std::to_string(version) + ",\"sectors\":" +
                            std::to_string(map.numsectors) + ",\"walls\":" + std::to_string(map.numwalls) +
                            ",\"sprites\":" + std::to_string(map.numsprites);
  for (const WallLine& wall : WallLines(map)) {
    made.walls.insert(made.walls.end(), {wall.x1, wall.y1, wall.x2, wall.y2, wall.two_sided ? 1 : 0});
  }
  std::string losses;
  if (target < version) {
    std::vector<std::string> lost;
    // Over several steps, each line says which step loses it.
    for (const FieldLoss& loss : LossesDownTo(map, target)) {
      const std::string step = "v" + std::to_string(loss.from) + " to v" + std::to_string(loss.from - 1) + ": ";
      lost.push_back((version - target > 1 ? step : "") + LossLine(loss));
    }
    losses = ",\"loses\":{\"heading\":" + Quoted("Converting to v" + std::to_string(target) + " loses:") +
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
  const std::string used = ",\"tiles\":" + Quoted(TilesUsedLine(tiles)) + ",\"template\":" +
                           Quoted(SwapScriptTemplate(tiles, output.empty() ? name : output));
  FreeMap(map);
  return Report(lines, facts + notes + used + ",\"output\":" + Quoted(output) + losses);
}

// How many of a group file's first bytes its directory takes, from its first 16 bytes and its
// length; 0 when the file is no group file whose directory fits.
EMSCRIPTEN_KEEPALIVE double tessaro_group_directory_bytes(const std::uint8_t* first, std::size_t size, double length) {
  return static_cast<double>(GroupDirectoryBytes(std::span(first, size), static_cast<std::uint64_t>(length)));
}

// The members of a group file that end in ".map", in directory order, from its directory's bytes:
// {"members": [{"title", "offset", "size"}, or {"title", "lines"} for a name that is not a plain
// file name]}; a damaged directory reports {"lines"} for the group as a whole.
EMSCRIPTEN_KEEPALIVE const char* tessaro_group(const char* name, const std::uint8_t* directory, std::size_t size,
                                                double length) {
  std::vector<ArchiveMember> members;
  if (!ReadGroupDirectory(std::span(directory, size), static_cast<std::uint64_t>(length), members)) {
    return Report({OpeningLine(name), std::string(MapErrorMessage(SourceCorrupted))});
  }
  std::string listed;
  for (const ArchiveMember& member : members) {
    if (!EndsWithIgnoringCase(member.name, ".map")) continue;
    const std::string title = MemberTitle(name, member.name);
    listed += (listed.empty() ? "{\"title\":" : ",{\"title\":") + Quoted(title);
    listed += member.refused == Ok
                  ? ",\"offset\":" + std::to_string(member.offset) + ",\"size\":" + std::to_string(member.size) + "}"
                  : ",\"lines\":" + List({OpeningLine(title), std::string(MapErrorMessage(member.refused))}) + "}";
  }
  made.report = "{\"members\":[" + listed + "]}";
  return made.report.c_str();
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* tessaro_output() { return made.output.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t tessaro_output_size() { return made.output.size(); }
EMSCRIPTEN_KEEPALIVE const std::int32_t* tessaro_walls() { return made.walls.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t tessaro_wall_count() { return made.walls.size() / 5; }

}  // extern "C"

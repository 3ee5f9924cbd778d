#include "app/file_loop.hpp"

#include "app/overwrite.hpp"
#include "app/paths.hpp"
#include "check/map_check.hpp"
#include "console/console.hpp"
#include "archive/archive_file.hpp"
#include "map/conversion.hpp"
#include "map/file_fit.hpp"
#include "map/map_file.hpp"
#include "map/map_messages.hpp"
#include "tiles/replace_tiles.hpp"

namespace tessaro {

namespace {

// Opens the entry's map and says what its file lost, if anything.
MapError OpenToConvert(const SourceEntry& entry, MapFile& map) {
  SourceExtent extent;
  const MapError opened = OpenEntry(entry, map, extent, OpeningLine(entry.title));
  if (opened == Ok) {
    for (const std::string& line : FitLines(FitOf(map, extent))) PrintText(line, true);
  }
  return opened;
}

// Where the entry's map goes: beside its source, or into the -Out folder under the same name.
std::string OutputFor(const SourceEntry& entry, const std::string& folder) {
  if (folder.empty()) return entry.output;
  const std::string name = SplitPath(entry.output).name;
  return folder == "." ? name : folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Converts the map to the target version; on a failed step prints its message.
bool ConvertToTarget(MapFile& map, std::int32_t target, std::int32_t& error) {
  PrintText(ConversionLine(map.mapversion, target), true);
  error = ConvertMap(map, target);
  if (error != Ok) {
    FreeMap(map);
    PrintMapError(error);
    return false;
  }
  // The file is still written: it is what was asked for, and a port may take more.
  for (const std::string& note : LimitNotes(map, target)) PrintText(note, true);
  return true;
}

}  // namespace

bool ConvertFile(const SourceEntry& entry, RunState& state, MapFile& map, const TileSwapTable& table) {
  if (state.OutputPath.empty()) state.OutputPath = OutputFor(entry, state.OutputFolder);
  state.RunError = OpenToConvert(entry, map);
  if (state.RunError != Ok) {
    FreeMap(map);
    PrintMapError(state.RunError);
  } else if (state.TargetVersion == map.mapversion) {
    FreeMap(map);
    state.RunError = NoConversionNeeded;
    PrintMapError(state.RunError);
  } else if (ConvertToTarget(map, state.TargetVersion, state.RunError)) {
    if (!state.ScriptPath.empty()) ReplaceTiles(map, table);
    state.RunError = SaveAsked(state.OutputPath, state.OptionFlags, [&] { return SaveMap(state.OutputPath, map); });
  }
  state.OutputPath.clear();
  FreeMap(map);
  return state.RunError == Ok || state.RunError == NoConversionNeeded;
}

MapError OpenEntry(const SourceEntry& entry, MapFile& map, SourceExtent& extent, std::string_view stage) {
  if (entry.problem != Ok) {
    PrintText(stage, true);
    return entry.problem;
  }
  return entry.archive.empty() ? OpenMap(entry.title, map, &extent, stage)
                               : OpenArchiveMember(entry.archive, entry.members, entry.title, map, &extent, stage);
}

MapError SaveAsked(const std::string& path, std::uint32_t& option_flags, const std::function<MapError()>& save) {
  MapError error = Ok;
  if (IsInsideArchive(path)) {
    PrintText(SavingLine(path), true);
    error = InsideGroupFile;
  } else if (ConfirmOverwrite(path, option_flags, kReplaceAlways) == 1) {
    error = save();
  }
  PrintMapError(error);
  return error;
}

}  // namespace tessaro

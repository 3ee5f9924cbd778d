#include "app/file_loop.hpp"

#include "app/overwrite.hpp"
#include "app/paths.hpp"
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
MapError OpenEntry(const SourceEntry& entry, MapFile& map) {
  if (entry.problem != Ok) {
    PrintText(OpeningLine(entry.title), true);
    return entry.problem;
  }
  SourceExtent extent;
  const MapError opened = entry.archive.empty()
                              ? OpenMap(entry.title, map, &extent)
                              : OpenArchiveMember(entry.archive, entry.members, entry.title, map, &extent);
  if (opened == Ok) {
    for (const std::string& line : FitLines(FitOf(map, extent))) PrintText(line, true);
  }
  return opened;
}

// Saves unless the output lies inside a group file or a zip, or an existing one is to be kept.
void SaveOutput(RunState& state, const MapFile& map) {
  if (IsInsideArchive(state.OutputPath)) {
    PrintText(SavingLine(state.OutputPath), true);
    state.RunError = InsideGroupFile;
  } else if (ConfirmOverwrite(state.OutputPath, state.OptionFlags, kReplaceAlways) == 1) {
    state.RunError = SaveMap(state.OutputPath, map);
  }
  PrintMapError(state.RunError);
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
  return true;
}

}  // namespace

bool ConvertFile(const SourceEntry& entry, RunState& state, MapFile& map, const TileSwapTable& table) {
  if (state.OutputPath.empty()) state.OutputPath = OutputFor(entry, state.OutputFolder);
  state.RunError = OpenEntry(entry, map);
  if (state.RunError != Ok) {
    FreeMap(map);
    PrintMapError(state.RunError);
  } else if (state.TargetVersion == map.mapversion) {
    FreeMap(map);
    state.RunError = NoConversionNeeded;
    PrintMapError(state.RunError);
  } else if (ConvertToTarget(map, state.TargetVersion, state.RunError)) {
    if (!state.ScriptPath.empty()) ReplaceTiles(map, table);
    SaveOutput(state, map);
  }
  state.OutputPath.clear();
  FreeMap(map);
  return state.RunError == Ok || state.RunError == NoConversionNeeded;
}

}  // namespace tessaro

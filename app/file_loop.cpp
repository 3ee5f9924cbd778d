#include "app/file_loop.hpp"

#include "app/overwrite.hpp"
#include "app/paths.hpp"
#include "console/console.hpp"
#include "map/conversion.hpp"
#include "map/map_messages.hpp"
#include "platform/file_system.hpp"
#include "tiles/replace_tiles.hpp"

namespace tessaro {

namespace {

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

std::vector<std::string> BuildFileList(const std::string& source_path) {
  const PathParts parts = SplitPath(source_path);
  std::vector<std::string> names;
  std::vector<std::string> files;
  if (ListDirectory(parts.directory, kAttrReadOnly, names) != FileStatus::Ok) return files;
  for (const std::string& name : names) {
    if (MatchWildcard(parts.name, name)) files.push_back(parts.directory + name);
  }
  return files;
}

void ConvertFile(const std::string& entry, RunState& state, MapFile& map, const TileSwapTable& table) {
  if (state.OutputPath.empty()) state.OutputPath = OutputNameFor(entry, state.TargetVersion);
  state.RunError = OpenMap(entry, map);
  if (state.RunError != Ok) {
    FreeMap(map);
    PrintMapError(state.RunError);
  } else if (state.TargetVersion == map.mapversion) {
    FreeMap(map);
    state.RunError = NoConversionNeeded;
    PrintMapError(state.RunError);
  } else if (ConvertToTarget(map, state.TargetVersion, state.RunError)) {
    if (!state.ScriptPath.empty()) ReplaceTiles(map, table);
    if (ConfirmOverwrite(state.OutputPath, state.OptionFlags, kReplaceAlways) == 1) {
      state.RunError = SaveMap(state.OutputPath, map);
      PrintMapError(state.RunError);
    }
  }
  state.OutputPath.clear();
  FreeMap(map);
}

}  // namespace tessaro

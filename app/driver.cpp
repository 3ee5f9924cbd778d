#include "app/driver.hpp"

#include "app/arg_parser.hpp"
#include "app/arg_table.hpp"
#include "app/check_loop.hpp"
#include "app/file_loop.hpp"
#include "app/help.hpp"
#include "app/run_args.hpp"
#include "app/run_state.hpp"
#include "console/console.hpp"
#include "map/map_file.hpp"
#include "platform/file_system.hpp"
#include "tiles/swap_script.hpp"
#include "tiles/tile_swap_table.hpp"

namespace tessaro {

namespace {

constexpr char kRuleByte = static_cast<char>(196);  // the box-drawing line of the console's code page

void PrintCentred(std::string_view line) {
  const std::int32_t width = ConsoleColumns();
  PrintText(Spaces(width / 2 - static_cast<std::int32_t>(line.size()) / 2) + std::string(line), true);
}

void PrintBanner() {
  PrintText(RepeatChar(ConsoleColumns(), kRuleByte), false);
  PrintCentred("Tessaro converts Build Maps    Version 0.1    2014");
  PrintCentred("");
  PrintCentred("One hundred bucks to whoever recognize the layout I'm shamelessly ripping off.");
  PrintText(RepeatChar(ConsoleColumns(), kRuleByte), true);
}

// A run that ends before the file loop shows its reason, then waits for a key.
int StopWithMessage(std::string_view message) {
  if (!message.empty()) PrintText(message, true);
  WaitKey();
  return kStopped;
}

bool AsksForHelp(std::string_view word) { return word == "--help" || word == "-h" || word == "-?"; }

// Everything after the command line is read: the script, the maps, the loop.
int ConvertAll(RunState& state, TileSwapTable& tiles) {
  std::string folder;
  if (!state.OutputFolder.empty()) {
    if (FindFolder(state.OutputFolder, folder) != FileStatus::Ok) return StopWithMessage("   Output folder not found");
    state.OutputFolder = folder;
  }
  // A script that cannot be read would leave every tile as it was, which looks like success.
  if (!state.ScriptPath.empty()) {
    const ScriptResult loaded = LoadSwapScript(state.ScriptPath, tiles);
    if (loaded == ScriptNotFound || loaded == ScriptNoHandle || loaded == ScriptUnreadable) {
      return StopWithMessage("   Script not found");
    }
  }
  const std::vector<SourceEntry> files = BuildFileList(state.SourcePath, state.TargetVersion);
  if (files.empty()) return StopWithMessage("No file found...");
  MapFile map;
  bool all_made = true;
  for (const SourceEntry& entry : files) all_made = ConvertFile(entry, state, map, tiles) && all_made;
  return all_made ? kAllDone : kSomeFailed;
}

// Each map checked instead of converted; the version, when given, only adds its limits.
int CheckAll(RunState& state) {
  const std::vector<SourceEntry> files = BuildFileList(state.SourcePath, state.TargetVersion);
  if (files.empty()) return StopWithMessage("No file found...");
  return CheckFiles(files, state) ? kAllDone : kSomeFailed;
}

}  // namespace

int RunProgram(const std::vector<std::string>& words) {
  // What scripts and package tools ask of any program: nothing else on the line.
  if (words.size() > 1 && words[1] == "--version") {
    PrintText(std::string("tessaro ") + TESSARO_VERSION, true);
    RestoreConsole();
    return kAllDone;
  }
  RunState state;
  ArgTable table;
  TileSwapTable tiles;
  RegisterRunArgs(table, state);
  PrintBanner();

  int status = kAllDone;
  if (words.size() > 1 && AsksForHelp(words[1])) {
    PrintHelp(table, state, false);
  } else if (ParseCommandLine(words, table, state) != 0) {
    status = kStopped;
  } else if (state.RunError != 0) {
    status = StopWithMessage("");
  } else if (state.SourcePath.empty()) {
    status = StopWithMessage("Please specify a source file...");
  } else if (state.CheckOnly != 0) {
    status = CheckAll(state);
  } else if (state.TargetVersion == 0) {
    status = StopWithMessage("Please specify a version number...");
  } else {
    status = ConvertAll(state, tiles);
  }
  FreeArgTable(table);
  RestoreConsole();
  return status;
}

}  // namespace tessaro

#include "app/driver.hpp"

#include "app/arg_parser.hpp"
#include "app/arg_table.hpp"
#include "app/file_loop.hpp"
#include "app/run_args.hpp"
#include "app/run_state.hpp"
#include "console/console.hpp"
#include "map/map_file.hpp"
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
  return 1;
}

}  // namespace

int RunProgram(const std::vector<std::string>& words) {
  RunState state;
  ArgTable table;
  TileSwapTable tiles;
  RegisterRunArgs(table, state);
  PrintBanner();

  int status = 0;
  if (ParseCommandLine(words, table, state) != 0) {
    status = 1;
  } else if (state.RunError != 0) {
    status = StopWithMessage("");
  } else if (state.SourcePath.empty()) {
    status = StopWithMessage("Please specify a source file...");
  } else if (state.TargetVersion == 0) {
    status = StopWithMessage("Please specify a version number...");
  } else {
    if (!state.ScriptPath.empty()) LoadSwapScript(state.ScriptPath, tiles);
    const std::vector<SourceEntry> files = BuildFileList(state.SourcePath, state.TargetVersion);
    if (files.empty()) {
      status = StopWithMessage("No file found...");
    } else {
      MapFile map;
      for (const SourceEntry& entry : files) ConvertFile(entry, state, map, tiles);
    }
  }
  FreeArgTable(table);
  FlushConsole();
  return status;
}

}  // namespace tessaro

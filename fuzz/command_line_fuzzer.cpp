// Argument words through the parser; the input is the words, each ended by a zero byte.
#include <string>
#include <vector>

#include "app/arg_parser.hpp"
#include "app/paths.hpp"
#include "app/run_args.hpp"
#include "console/silent_terminal.hpp"
#include "fuzz/fuzz_support.hpp"

namespace {

// A stored path is in normal form with its type's extension.
void CheckStoredPath(const std::string& path, std::string_view extension) {
  if (path.empty()) return;
  TESSARO_FUZZ_CHECK(path.ends_with(extension));
  std::string again = path;
  tessaro::NormalizePath(again);
  TESSARO_FUZZ_CHECK(again == path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  // Installed afresh for every input, so that no input sees what an earlier one left behind.
  static SilentTerminal terminal;
  UseTerminal(&terminal);
  std::vector<std::string> words{"tessaro", ""};
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  if (words.back().empty()) words.pop_back();

  RunState state;
  ArgTable table;
  RegisterRunArgs(table, state);
  const std::int32_t result = ParseCommandLine(words, table, state);
  TESSARO_FUZZ_CHECK(result == 0 || result == 1);
  TESSARO_FUZZ_CHECK(state.RunError == 0 || state.RunError == 1);
  // Only a value above 2 and below 8 passes its check; rounded, halves to even, it is 2 to 8.
  TESSARO_FUZZ_CHECK(state.TargetVersion == 0 || (state.TargetVersion >= 2 && state.TargetVersion <= 8));
  TESSARO_FUZZ_CHECK((state.OptionFlags & ~kReplaceAlways) == 0);
  CheckStoredPath(state.SourcePath, ".map");
  CheckStoredPath(state.OutputPath, ".map");
  CheckStoredPath(state.ScriptPath, ".txt");
  FreeArgTable(table);
  return 0;
}

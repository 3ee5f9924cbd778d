// A swap script's bytes through the loader.
#include <algorithm>

#include "fuzz/fuzz_support.hpp"
#include "tiles/swap_script.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  fuzz::SilenceConsole();
  static fuzz::MemoryFile input;
  const std::string& path = input.Hold(data, size);
  TileSwapTable once;
  const ScriptResult result = LoadSwapScript(path, once);
  TESSARO_FUZZ_CHECK(once.top() >= 0 && once.top() <= TileSwapTable::kHighestTile);
  TESSARO_FUZZ_CHECK(once.entries().size() == static_cast<std::size_t>(once.top()) + 1);
  if (result != ScriptLoaded) return 0;

  // Each line sets what it names whatever the table held, so reading the script again changes nothing.
  TileSwapTable twice = once;
  TESSARO_FUZZ_CHECK(LoadSwapScript(path, twice) == ScriptLoaded);
  TESSARO_FUZZ_CHECK(twice.top() == once.top());
  TESSARO_FUZZ_CHECK(std::ranges::equal(twice.entries(), once.entries()));
  return 0;
}

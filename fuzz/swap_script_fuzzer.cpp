// A swap script's bytes through the reader.
#include <algorithm>

#include "fuzz/fuzz_support.hpp"
#include "tiles/swap_text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  const std::span<const std::uint8_t> text(data, size);
  TileSwapTable once;
  const ScriptResult result = ApplySwapScript(text, once);
  TESSARO_FUZZ_CHECK(once.top() >= 0 && once.top() <= TileSwapTable::kHighestTile);
  TESSARO_FUZZ_CHECK(once.entries().size() == static_cast<std::size_t>(once.top()) + 1);
  if (result != ScriptLoaded) return 0;

  // Each line sets what it names whatever the table held, so reading the script again changes
  // nothing; nor does reading it in pieces, as a file is read.
  TileSwapTable twice = once;
  TESSARO_FUZZ_CHECK(ApplySwapScript(text, twice) == ScriptLoaded);
  TileSwapTable pieces;
  SwapScriptReader reader(pieces);
  for (std::size_t at = 0; at < size && reader.Feed(text.subspan(at, std::min<std::size_t>(7, size - at)));) at += 7;
  TESSARO_FUZZ_CHECK(reader.Finish() == ScriptLoaded);
  for (const TileSwapTable* table : {&twice, &pieces}) {
    TESSARO_FUZZ_CHECK(table->top() == once.top() && std::ranges::equal(table->entries(), once.entries()));
  }
  return 0;
}

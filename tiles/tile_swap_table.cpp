#include "tiles/tile_swap_table.hpp"

#include <algorithm>

namespace tessaro {

TileSwapTable::TileSwapTable() {
  // Entries above top are never read; giving them their index now is what growing would do.
  for (std::size_t t = 0; t < entries_.size(); ++t) entries_[t] = static_cast<std::int16_t>(t);
}

std::int32_t TileSwapTable::Lookup(std::int32_t tile) const {
  if (tile < 0 || tile > top_) return tile;
  return entries_[static_cast<std::size_t>(tile)];
}

void TileSwapTable::GrowTo(std::int32_t high) {
  top_ = std::max(top_, std::min(high, kHighestTile));
}

void TileSwapTable::Fill(std::int32_t low, std::int32_t high, std::int16_t value) {
  low = std::max(low, 0);
  high = std::min(high, top_);
  if (low > high) return;
  std::fill(entries_.begin() + low, entries_.begin() + high + 1, value);
}

}  // namespace tessaro

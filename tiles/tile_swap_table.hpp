// Which tile number each tile number becomes: filled from a swap script, read by the tile pass.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tessaro {

// A dense table indexed 0 to `top`. It only grows, and never past kHighestTile, so its storage
// is fixed: growing never allocates and cannot fail. An entry that no line has set holds its own
// index, so a tile that a script does not name keeps its number.
class TileSwapTable {
 public:
  static constexpr std::int32_t kHighestTile = 6000;

  // One entry: tile 0 stays 0.
  TileSwapTable();

  std::int32_t top() const { return top_; }

  // Entries 0 to top.
  std::span<const std::int16_t> entries() const {
    return std::span<const std::int16_t>(entries_).first(static_cast<std::size_t>(top_) + 1);
  }

  // What the tile pass makes of `tile`: its entry from 0 to top, the tile itself elsewhere.
  std::int32_t Lookup(std::int32_t tile) const;

  // Raises top to `high`, at most kHighestTile; a lower `high` changes nothing.
  void GrowTo(std::int32_t high);

  // Sets entries low to high, as far as they lie within 0 to top.
  void Fill(std::int32_t low, std::int32_t high, std::int16_t value);

 private:
  std::int32_t top_ = 0;
  std::array<std::int16_t, kHighestTile + 1> entries_;
};

}  // namespace tessaro

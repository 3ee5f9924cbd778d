#include "tiles/tiles_used.hpp"

#include <algorithm>

#include "map/records.hpp"
#include "tiles/tile_fields.hpp"
#include "tiles/tile_swap_table.hpp"

namespace tessaro {

std::vector<std::int32_t> TilesUsed(const MapFile& map) {
  std::vector<std::int32_t> tiles;
  for (const auto& [kind, fields] : kTileFieldsByKind) {
    const RecordLayout& layout = LayoutOf(map.mapversion, kind);
    const std::uint8_t* bytes = RecordBytes(map, kind).data();
    const std::int32_t records = RecordsHeld(map, kind);
    for (const Field field : fields) {
      const FieldSpec* place = layout.Find(field);
      for (std::int32_t i = 0; place != nullptr && i < records; ++i) {
        tiles.push_back(LoadField(bytes + static_cast<std::size_t>(i) * layout.size, *place));
      }
    }
  }
  std::sort(tiles.begin(), tiles.end());
  tiles.erase(std::unique(tiles.begin(), tiles.end()), tiles.end());
  return tiles;
}

std::string TilesUsedLine(const std::vector<std::int32_t>& tiles) {
  std::string line = "Tiles used (" + std::to_string(tiles.size()) + "):";
  for (std::size_t first = 0; first < tiles.size();) {
    std::size_t last = first;
    while (last + 1 < tiles.size() && tiles[last + 1] == tiles[last] + 1) ++last;
    line += (first == 0 ? " " : ", ") + std::to_string(tiles[first]);
    if (last > first) line += "\u2013" + std::to_string(tiles[last]);
    first = last + 1;
  }
  return line;
}

std::string SwapScriptTemplate(const std::vector<std::int32_t>& tiles, std::string_view map_name) {
  // A line end in the name would end the comment and make the rest of the name a rule.
  std::string name(map_name);
  std::replace_if(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }, '?');
  std::string text = "; The tiles " + name + " uses, each kept as it is.\n"
                     "; To renumber a tile, change the number after its comma: \"17, 250\" turns tile 17 into 250.\n"
                     "; A range of tiles may become one tile: \"20-21, 5\". A line that starts with \";\" is a comment.\n";
  std::string unnamed;
  for (const std::int32_t tile : tiles) {
    if (tile < 0 || tile > TileSwapTable::kHighestTile) {
      unnamed += (unnamed.empty() ? "" : ", ") + std::to_string(tile);
    } else {
      text += std::to_string(tile) + ", " + std::to_string(tile) + "\n";
    }
  }
  if (!unnamed.empty()) {
    text += "; Tiles below 0 or above " + std::to_string(TileSwapTable::kHighestTile) +
            ", which a script cannot renumber: " + unnamed + "\n";
  }
  return text;
}

}  // namespace tessaro

// The fields that name a tile, by record kind: what the tile pass renumbers and what a map is said
// to use.
#pragma once

#include <span>

#include "map/record_layout.hpp"

namespace tessaro {

inline constexpr Field kSectorTileFields[] = {Field::ceilingpicnum, Field::floorpicnum};
inline constexpr Field kWallTileFields[] = {Field::picnum, Field::overpicnum};
inline constexpr Field kSpriteTileFields[] = {Field::picnum};

struct TileFields {
  RecordKind kind;
  std::span<const Field> fields;
};

inline constexpr TileFields kTileFieldsByKind[] = {{RecordKind::Sector, kSectorTileFields},
                                                   {RecordKind::Wall, kWallTileFields},
                                                   {RecordKind::Sprite, kSpriteTileFields}};

}  // namespace tessaro

// The record arrays of a map, reached by kind, index and field name.
#pragma once

#include <cstdint>
#include <vector>

#include "map/map_file.hpp"
#include "map/record_layout.hpp"

namespace tessaro {

std::vector<std::uint8_t>& RecordBytes(MapFile& map, RecordKind kind);
const std::vector<std::uint8_t>& RecordBytes(const MapFile& map, RecordKind kind);

// The count the header gives; a negative count holds no records.
std::int32_t RecordCount(const MapFile& map, RecordKind kind);

// The number of whole records the array really holds, never more than the count says.
std::int32_t RecordsHeld(const MapFile& map, RecordKind kind);

// A field of record `index` in the map's own layout; 0 when the record or the field does not exist.
std::int32_t GetField(const MapFile& map, RecordKind kind, std::int32_t index, Field field);

// Writes a field of record `index`; does nothing when the record or the field does not exist.
void SetField(MapFile& map, RecordKind kind, std::int32_t index, Field field, std::int32_t value);

}  // namespace tessaro

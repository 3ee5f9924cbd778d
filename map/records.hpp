// The record arrays of a map, reached by kind, index and field name.
#pragma once

#include <cstdint>
#include <vector>

#include "map/map.hpp"
#include "map/record_layout.hpp"

namespace tessaro {

RecordArray& RecordBytes(MapFile& map, RecordKind kind);
const RecordArray& RecordBytes(const MapFile& map, RecordKind kind);

// The count the header gives; a negative count holds no records.
std::int32_t RecordCount(const MapFile& map, RecordKind kind);

// The number of whole records the array really holds, never more than the count says.
std::int32_t RecordsHeld(const MapFile& map, RecordKind kind);

// ReadField and WriteField with the size spelt out, so that each case is one plain load or store,
// for the loops that visit every record. A field a layout lacks has size 0 and reads as 0.
inline std::int32_t LoadField(const std::uint8_t* record, const FieldSpec& place) {
  const std::uint8_t* at = record + place.offset;
  switch (place.size) {
    case 0: return 0;
    case 1: return LoadLittleEndian(at, 1, place.sign);
    case 2: return LoadLittleEndian(at, 2, place.sign);
    default: return LoadLittleEndian(at, 4, place.sign);
  }
}

// The low `size` bytes (1 to 4) of the value.
inline void StoreField(std::uint8_t* at, std::size_t size, std::int32_t value) {
  switch (size) {
    case 1: return StoreLittleEndian(at, 1, value);
    case 2: return StoreLittleEndian(at, 2, value);
    case 3: return StoreLittleEndian(at, 3, value);
    default: return StoreLittleEndian(at, 4, value);
  }
}

// Storage for record arrays. A map that lets go of its arrays (FreeMap, a conversion step) hands
// them back here, and the next array taken reuses them: a run over many maps, or one map through
// several steps, then works in the same memory instead of fresh pages for every array. A taken
// array has the size asked for and unspecified contents; it may throw std::bad_alloc.
RecordArray TakeArray(RecordKind kind, std::size_t records, std::uint32_t record_size);
void ReturnArray(RecordArray& array);

// A field of record `index` in the map's own layout; 0 when the record or the field does not exist.
std::int32_t GetField(const MapFile& map, RecordKind kind, std::int32_t index, Field field);

// Writes a field of record `index`; does nothing when the record or the field does not exist.
void SetField(MapFile& map, RecordKind kind, std::int32_t index, Field field, std::int32_t value);

}  // namespace tessaro

// The map file format in memory: reading a map from bytes and making the bytes of its file. The
// file operations (OpenMap, SaveMap) and the browser page are two shells around these.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "map/map.hpp"

namespace tessaro {

// Bytes read in order, from a file or from memory. Read fills `into` from the current position;
// at the end it stops early and `got` says how many bytes came. False only on a real failure.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Length() const = 0;
  virtual bool Read(std::span<std::uint8_t> into, std::size_t& got) = 0;
};

// Bytes held in memory.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Length() const override { return bytes_.size(); }
  bool Read(std::span<std::uint8_t> into, std::size_t& got) override;

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

// What the records cannot tell of the file they came from: its length, and whether every byte
// after the last record is zero.
struct SourceExtent {
  std::uint64_t bytes = 0;
  bool zero_tail = true;
};

// Reads a map as OpenMap does once the file is open: what the source lacks of its records reads
// as zero bytes, bytes after them are not part of the map (with `extent`, they are read to tell
// whether they are all zero). On failure the map is left empty.
MapError ReadMap(ByteSource& source, MapFile& map, SourceExtent* extent = nullptr);
MapError ReadMap(std::span<const std::uint8_t> bytes, MapFile& map, SourceExtent* extent = nullptr);

// The file a map makes, as the pieces that follow each other in it: header and counts, held
// here, and the record arrays, which stay in the map (so it must outlive this). Nothing is copied.
class MapFileContent {
 public:
  explicit MapFileContent(const MapFile& map);
  MapFileContent(const MapFileContent&) = delete;
  MapFileContent& operator=(const MapFileContent&) = delete;

  // FormatUnsupported for a version the format does not know, or arrays that disagree with their
  // counts: such a file could not be read back.
  MapError error() const { return error_; }
  std::span<const std::span<const std::uint8_t>> pieces() const { return std::span(pieces_).first(count_); }

 private:
  MapError error_ = Ok;
  std::array<std::uint8_t, 26> header_{};
  std::array<std::uint8_t, 2> wall_count_{};
  std::array<std::uint8_t, 2> sprite_count_{};
  std::array<std::span<const std::uint8_t>, 6> pieces_{};
  std::size_t count_ = 0;
};

// The bytes SaveMap would write.
MapError WriteMap(const MapFile& map, std::vector<std::uint8_t>& bytes);

}  // namespace tessaro

// The map file operations of the program: reading and writing map files, printing what failed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "map/map.hpp"
#include "map/map_format.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

// What a file system failure means for a map: no handle left, or `otherwise`.
MapError FromFileStatus(FileStatus status, MapError otherwise);

// A map's bytes in an open file, from its current position on: `length` bytes at most, and its
// length is that, so that a map inside a larger file reads as one of its own.
class FileSource final : public ByteSource {
 public:
  FileSource(InputFile& file, std::uint64_t length) : file_(file), length_(length) {}
  std::uint64_t Length() const override { return length_; }
  bool Read(std::span<std::uint8_t> into, std::size_t& got) override;

 private:
  InputFile& file_;
  std::uint64_t length_;
  std::uint64_t taken_ = 0;
};

// Reads a map file; prints `stage`, or ":: Opening <name>..." when none is given. On failure the
// map is left empty. With `extent`, what the records cannot tell of the file is kept there.
MapError OpenMap(const std::string& name, MapFile& map, SourceExtent* extent = nullptr, std::string_view stage = {});

// Writes the map in the format of its version; prints ":: Saving <name>...". An existing file is
// replaced only by a complete new one.
MapError SaveMap(const std::string& name, const MapFile& map);

// Prints the message line of codes 1 to kLastMapError; any other code prints nothing.
void PrintMapError(std::int32_t error);

}  // namespace tessaro

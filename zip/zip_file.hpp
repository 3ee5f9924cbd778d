// Zips on disk, read as read-only folders of maps: the program's shell around the directory
// reader, which inflates with zlib. A zip is opened for reading only, never written or locked.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "archive/archive_member.hpp"
#include "map/map.hpp"
#include "map/map_format.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

// The members of the zip at `path`, from its end record and central directory alone.
MapError ReadZipFile(const std::string& path, std::vector<ArchiveMember>& members);

// Moves the open zip to where the member's data begins, past its local header.
MapError SeekZipData(InputFile& file, const ArchiveMember& member);

// A zip member's bytes as they unpack from its packed bytes, which `packed` gives in order; as
// long as the member's stated size, and never longer. Finish tells whether the member was whole.
class UnpackedSource final : public ByteSource {
 public:
  UnpackedSource(ByteSource& packed, const ArchiveMember& member);
  ~UnpackedSource() override;
  UnpackedSource(const UnpackedSource&) = delete;
  UnpackedSource& operator=(const UnpackedSource&) = delete;

  std::uint64_t Length() const override { return size_; }
  // Damaged data ends the bytes early, as the end of a file would; Finish then says so.
  bool Read(std::span<std::uint8_t> into, std::size_t& got) override;
  // Unpacks what is left: SourceCorrupted unless the bytes were exactly the stated size, with the
  // stated CRC-32; IoError when the packed bytes could not be read.
  MapError Finish();

 private:
  struct Inflater;
  std::size_t Unpack(std::span<std::uint8_t> into);

  ByteSource& packed_;
  std::unique_ptr<Inflater> inflater_;  // none for a stored member
  std::uint64_t size_;
  std::uint32_t stated_crc_;
  std::uint64_t produced_ = 0;
  std::uint32_t crc_ = 0;
  MapError error_ = Ok;
};

}  // namespace tessaro

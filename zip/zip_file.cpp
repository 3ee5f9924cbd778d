#include "zip/zip_file.hpp"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <new>

#include "map/map_file.hpp"
#include "zip/zip_directory.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

MapError ReadAt(InputFile& file, std::uint64_t offset, std::span<std::uint8_t> into) {
  std::size_t got = 0;
  if (file.Seek(offset) != FileStatus::Ok || file.Read(into, got) != FileStatus::Ok) return IoError;
  // The file may have shrunk since its length was taken.
  return got == into.size() ? Ok : SourceCorrupted;
}

}  // namespace

MapError ReadZipFile(const std::string& path, std::vector<ArchiveMember>& members) {
  InputFile file;
  const FileStatus opened = file.Open(path);
  if (opened != FileStatus::Ok) return FromFileStatus(opened, IoError);
  const std::uint64_t length = file.Length();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(length, kZipTailBytes)));
  MapError error = ReadAt(file, length - bytes.size(), bytes);
  ZipDirectoryPlace place;
  if (error == Ok) error = FindZipDirectory(bytes, length, place);
  if (error != Ok) return error;
  try {
    bytes.resize(static_cast<std::size_t>(place.bytes));
  } catch (const std::bad_alloc&) {
    return SourceCorrupted;  // the directory lies inside the file: no memory for it means no zip
  }
  error = ReadAt(file, place.offset, bytes);
  return error == Ok ? ReadZipDirectory(bytes, place, members) : error;
}

MapError SeekZipData(InputFile& file, const ArchiveMember& member) {
  std::array<std::uint8_t, kZipLocalHeaderBytes> header{};
  const MapError read = ReadAt(file, member.offset, header);
  if (read != Ok) return read;
  const std::uint64_t data = ZipDataOffset(header, member, file.Length());
  if (data == 0) return SourceCorrupted;
  return file.Seek(data) == FileStatus::Ok ? Ok : IoError;
}

struct UnpackedSource::Inflater {
  z_stream stream{};
  bool started = false;
  bool ended = false;
  bool input_ended = false;
  std::array<std::uint8_t, kChunkBytes> input{};
};

UnpackedSource::UnpackedSource(ByteSource& packed, const ArchiveMember& member)
    : packed_(packed), size_(member.size), stated_crc_(member.crc) {
  if (member.storage != Storage::ZipDeflated) return;
  inflater_ = std::make_unique<Inflater>();
  // Raw deflate: a zip member has no zlib header.
  inflater_->started = inflateInit2(&inflater_->stream, -MAX_WBITS) == Z_OK;
  if (!inflater_->started) error_ = IoError;
}

UnpackedSource::~UnpackedSource() {
  if (inflater_ && inflater_->started) inflateEnd(&inflater_->stream);
}

// Fills as much of `into` as the packed bytes give, past the stated size too.
std::size_t UnpackedSource::Unpack(std::span<std::uint8_t> into) {
  if (error_ != Ok || into.empty()) return 0;
  std::size_t got = 0;
  if (!inflater_) {
    if (!packed_.Read(into, got)) error_ = IoError;
    return got;
  }
  Inflater& in = *inflater_;
  z_stream& stream = in.stream;
  stream.next_out = into.data();
  stream.avail_out = static_cast<uInt>(std::min<std::size_t>(into.size(), UINT32_MAX));
  while (stream.avail_out > 0 && !in.ended && error_ == Ok) {
    if (stream.avail_in == 0 && !in.input_ended) {
      if (!packed_.Read(in.input, got)) {
        error_ = IoError;
        break;
      }
      in.input_ended = got == 0;
      stream.next_in = in.input.data();
      stream.avail_in = static_cast<uInt>(got);
    }
    const int result = inflate(&stream, Z_NO_FLUSH);
    in.ended = result == Z_STREAM_END;
    // Packed bytes that end before the deflate stream does are damaged as any other.
    if (result != Z_OK && !in.ended && error_ == Ok) error_ = SourceCorrupted;
  }
  return into.size() - stream.avail_out;
}

bool UnpackedSource::Read(std::span<std::uint8_t> into, std::size_t& got) {
  got = Unpack(into.first(static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), size_ - produced_))));
  // zlib's own CRC-32, several times faster than the core's, which the page uses.
  crc_ = static_cast<std::uint32_t>(crc32(crc_, into.data(), static_cast<uInt>(got)));
  produced_ += got;
  return error_ != IoError;
}

MapError UnpackedSource::Finish() {
  std::vector<std::uint8_t> rest(kChunkBytes);
  std::size_t got = 0;
  while (produced_ < size_ && Read(rest, got) && got > 0) {
  }
  // One byte more than stated, a deflate stream that does not end there, or packed bytes after its
  // end (which browsers refuse too) is damage.
  std::array<std::uint8_t, 1> more{};
  if (error_ == Ok && (Unpack(more) > 0 || (inflater_ && !inflater_->ended))) error_ = SourceCorrupted;
  if (error_ == Ok && inflater_ && (inflater_->stream.avail_in > 0 || (packed_.Read(more, got) && got > 0))) {
    error_ = SourceCorrupted;
  }
  if (error_ == Ok && (produced_ != size_ || crc_ != stated_crc_)) error_ = SourceCorrupted;
  return error_;
}

}  // namespace tessaro

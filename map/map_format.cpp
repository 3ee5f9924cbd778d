#include "map/map_format.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#include "map/little_endian.hpp"
#include "map/records.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kHeaderBytes = 20;
constexpr std::uint64_t kShortestFile = 26;

// Versions 3 and 4 keep the three counts together behind the header; later ones put each count
// in front of its own array.
constexpr bool CountsTogether(std::int32_t version) { return version <= 4; }

// Reads into zero-filled bytes; what the source cannot fill stays zero, as a short file is meant
// to load. Only a failing read is an error.
bool ReadZeroFilled(ByteSource& source, std::span<std::uint8_t> into) {
  std::size_t got = 0;
  return source.Read(into, got);
}

bool ReadCount(ByteSource& source, std::int16_t& count) {
  std::array<std::uint8_t, 2> bytes{};
  if (!ReadZeroFilled(source, bytes)) return false;
  count = static_cast<std::int16_t>(LoadLittleEndian(bytes.data(), 2, Sign::Signed));
  return true;
}

// No memory for the records means no map could have asked for them: the file is damaged.
MapError ReadArray(ByteSource& source, RecordKind kind, std::int16_t count, std::uint32_t record_size,
                   RecordArray& array) {
  try {
    array = TakeArray(kind, static_cast<std::size_t>(count), record_size);
  } catch (const std::bad_alloc&) {
    return SourceCorrupted;
  }
  // The array may hold an earlier map's bytes: what the source does not fill becomes zero.
  std::size_t got = 0;
  const bool read = source.Read(array, got);
  std::fill(array.begin() + static_cast<std::ptrdiff_t>(got), array.end(), std::uint8_t{0});
  return read ? Ok : IoError;
}

MapError ReadHeader(ByteSource& source, MapFile& map) {
  std::array<std::uint8_t, kHeaderBytes> header{};
  if (!ReadZeroFilled(source, header)) return IoError;
  map.mapversion = LoadLittleEndian(&header[0], 4, Sign::Signed);
  if (!IsKnownVersion(map.mapversion)) return FormatUnsupported;
  map.posx = LoadLittleEndian(&header[4], 4, Sign::Signed);
  map.posy = LoadLittleEndian(&header[8], 4, Sign::Signed);
  map.posz = LoadLittleEndian(&header[12], 4, Sign::Signed);
  map.ang = static_cast<std::int16_t>(LoadLittleEndian(&header[16], 2, Sign::Signed));
  map.cursectnum = static_cast<std::int16_t>(LoadLittleEndian(&header[18], 2, Sign::Signed));
  return Ok;
}

// Counts of 32768 and more read as negative: no map has them, so the file is damaged.
MapError ReadRecords(ByteSource& source, MapFile& map) {
  const RecordSizes& sizes = RecordSizeTable[map.mapversion];
  if (CountsTogether(map.mapversion)) {
    if (!ReadCount(source, map.numsectors) || !ReadCount(source, map.numwalls) ||
        !ReadCount(source, map.numsprites)) {
      return IoError;
    }
    if (map.numsectors <= 0 || map.numwalls <= 0 || map.numsprites < 0) return SourceCorrupted;
    MapError error = ReadArray(source, RecordKind::Sector, map.numsectors, sizes.sector, map.sectordata);
    if (error == Ok) error = ReadArray(source, RecordKind::Wall, map.numwalls, sizes.wall, map.walldata);
    if (error == Ok) error = ReadArray(source, RecordKind::Sprite, map.numsprites, sizes.sprite, map.spritedata);
    return error;
  }
  struct Array {
    RecordKind kind;
    std::int16_t& count;
    std::uint32_t size;
    RecordArray& data;
    bool may_be_empty;
  };
  const Array arrays[] = {{RecordKind::Sector, map.numsectors, sizes.sector, map.sectordata, false},
                          {RecordKind::Wall, map.numwalls, sizes.wall, map.walldata, false},
                          {RecordKind::Sprite, map.numsprites, sizes.sprite, map.spritedata, true}};
  for (const Array& array : arrays) {
    if (!ReadCount(source, array.count)) return IoError;
    if (array.count < 0 || (array.count == 0 && !array.may_be_empty)) return SourceCorrupted;
    const MapError error = ReadArray(source, array.kind, array.count, array.size, array.data);
    if (error != Ok) return error;
  }
  return Ok;
}

bool ArraysFitCounts(const MapFile& map) {
  const RecordSizes& sizes = RecordSizeTable[map.mapversion];
  auto fits = [](std::int16_t count, std::uint32_t size, const RecordArray& data) {
    return count >= 0 && data.size() == static_cast<std::size_t>(count) * size;
  };
  return fits(map.numsectors, sizes.sector, map.sectordata) && fits(map.numwalls, sizes.wall, map.walldata) &&
         fits(map.numsprites, sizes.sprite, map.spritedata);
}

// Reads on from the end of the records until a byte is not zero or the source ends.
bool TailIsZero(ByteSource& source) {
  std::array<std::uint8_t, 64 * 1024> chunk{};
  std::size_t got = 0;
  while (source.Read(chunk, got) && got > 0) {
    if (std::any_of(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got), [](std::uint8_t b) { return b != 0; })) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool MemorySource::Read(std::span<std::uint8_t> into, std::size_t& got) {
  got = std::min(into.size(), bytes_.size() - position_);
  if (got > 0) std::memcpy(into.data(), bytes_.data() + position_, got);
  position_ += got;
  return true;
}

MapError ReadMap(ByteSource& source, MapFile& map, SourceExtent* extent) {
  FreeMap(map);
  if (source.Length() < kShortestFile) return SourceCorrupted;
  MapFile loaded;
  MapError error = ReadHeader(source, loaded);
  if (error == Ok) error = ReadRecords(source, loaded);
  if (error == Ok && extent != nullptr) *extent = {source.Length(), TailIsZero(source)};
  if (error == Ok) map = std::move(loaded);
  FreeMap(loaded);
  return error;
}

MapError ReadMap(std::span<const std::uint8_t> bytes, MapFile& map, SourceExtent* extent) {
  MemorySource source(bytes);
  return ReadMap(source, map, extent);
}

MapFileContent::MapFileContent(const MapFile& map) {
  // A map whose arrays disagree with its counts would make a file that cannot be read back.
  if (!IsKnownVersion(map.mapversion) || !ArraysFitCounts(map)) {
    error_ = FormatUnsupported;
    return;
  }
  std::uint8_t* at = header_.data();
  for (const auto& [size, value] : {std::pair<std::size_t, std::int32_t>{4, map.mapversion}, {4, map.posx},
                                    {4, map.posy}, {4, map.posz}, {2, map.ang}, {2, map.cursectnum},
                                    {2, map.numsectors}}) {
    StoreLittleEndian(at, size, value);
    at += size;
  }
  if (CountsTogether(map.mapversion)) {
    StoreLittleEndian(at, 2, map.numwalls);
    StoreLittleEndian(at + 2, 2, map.numsprites);
    pieces_ = {header_, map.sectordata, map.walldata, map.spritedata};
    count_ = 4;
  } else {
    StoreLittleEndian(wall_count_.data(), 2, map.numwalls);
    StoreLittleEndian(sprite_count_.data(), 2, map.numsprites);
    pieces_ = {std::span(header_).first(22), map.sectordata, wall_count_, map.walldata, sprite_count_, map.spritedata};
    count_ = 6;
  }
}

void FreeMap(MapFile& map) {
  ReturnArray(map.sectordata);
  ReturnArray(map.walldata);
  ReturnArray(map.spritedata);
  map = MapFile{};
}

MapError WriteMap(const MapFile& map, std::vector<std::uint8_t>& bytes) {
  const MapFileContent content(map);
  bytes.clear();
  for (const std::span<const std::uint8_t> piece : content.pieces()) bytes.insert(bytes.end(), piece.begin(), piece.end());
  return content.error();
}

}  // namespace tessaro

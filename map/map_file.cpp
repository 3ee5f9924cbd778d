#include "map/map_file.hpp"

#include <algorithm>
#include <array>
#include <new>
#include <span>

#include "console/console.hpp"
#include "map/little_endian.hpp"
#include "map/records.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kHeaderBytes = 20;
constexpr std::uint64_t kShortestFile = 26;

// Versions 3 and 4 keep the three counts together behind the header; later ones put each count
// in front of its own array.
constexpr bool CountsTogether(std::int32_t version) { return version <= 4; }

MapError FromFileStatus(FileStatus status, MapError otherwise) {
  return status == FileStatus::NoHandle ? NoHandle : otherwise;
}

// Reads into zero-filled bytes; what the file cannot fill stays zero, as a short file is meant to
// load. Only a failing read is an error.
bool ReadZeroFilled(InputFile& file, std::span<std::uint8_t> into) {
  std::size_t got = 0;
  return file.Read(into, got) == FileStatus::Ok;
}

bool ReadCount(InputFile& file, std::int16_t& count) {
  std::array<std::uint8_t, 2> bytes{};
  if (!ReadZeroFilled(file, bytes)) return false;
  count = static_cast<std::int16_t>(LoadLittleEndian(bytes.data(), 2, Sign::Signed));
  return true;
}

enum class ArrayRead { Ok, Failed, NoMemory };

ArrayRead ReadArray(InputFile& file, RecordKind kind, std::int16_t count, std::uint32_t record_size,
                    RecordArray& array) {
  try {
    array = TakeArray(kind, static_cast<std::size_t>(count), record_size);
  } catch (const std::bad_alloc&) {
    return ArrayRead::NoMemory;
  }
  // The array may hold an earlier map's bytes: what the file does not fill becomes zero.
  std::size_t got = 0;
  const bool read = file.Read(array, got) == FileStatus::Ok;
  std::fill(array.begin() + static_cast<std::ptrdiff_t>(got), array.end(), std::uint8_t{0});
  return read ? ArrayRead::Ok : ArrayRead::Failed;
}

MapError FromArrayRead(ArrayRead read) {
  switch (read) {
    case ArrayRead::Ok: return Ok;
    case ArrayRead::Failed: return IoError;
    case ArrayRead::NoMemory: break;
  }
  return SourceCorrupted;
}

MapError ReadHeader(InputFile& file, MapFile& map) {
  std::array<std::uint8_t, kHeaderBytes> header{};
  if (!ReadZeroFilled(file, header)) return IoError;
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
MapError ReadRecords(InputFile& file, MapFile& map) {
  const RecordSizes& sizes = RecordSizeTable[map.mapversion];
  if (CountsTogether(map.mapversion)) {
    if (!ReadCount(file, map.numsectors) || !ReadCount(file, map.numwalls) ||
        !ReadCount(file, map.numsprites)) {
      return IoError;
    }
    if (map.numsectors <= 0 || map.numwalls <= 0 || map.numsprites < 0) return SourceCorrupted;
    MapError error = FromArrayRead(ReadArray(file, RecordKind::Sector, map.numsectors, sizes.sector, map.sectordata));
    if (error == Ok) error = FromArrayRead(ReadArray(file, RecordKind::Wall, map.numwalls, sizes.wall, map.walldata));
    if (error == Ok) {
      error = FromArrayRead(ReadArray(file, RecordKind::Sprite, map.numsprites, sizes.sprite, map.spritedata));
    }
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
    if (!ReadCount(file, array.count)) return IoError;
    if (array.count < 0 || (array.count == 0 && !array.may_be_empty)) return SourceCorrupted;
    const MapError error = FromArrayRead(ReadArray(file, array.kind, array.count, array.size, array.data));
    if (error != Ok) return error;
  }
  return Ok;
}

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t size, std::int32_t value) {
  bytes.resize(bytes.size() + size);
  StoreLittleEndian(bytes.data() + bytes.size() - size, size, value);
}

bool ArraysFitCounts(const MapFile& map) {
  const RecordSizes& sizes = RecordSizeTable[map.mapversion];
  auto fits = [](std::int16_t count, std::uint32_t size, const RecordArray& data) {
    return count >= 0 && data.size() == static_cast<std::size_t>(count) * size;
  };
  return fits(map.numsectors, sizes.sector, map.sectordata) && fits(map.numwalls, sizes.wall, map.walldata) &&
         fits(map.numsprites, sizes.sprite, map.spritedata);
}

}  // namespace

MapError OpenMap(const std::string& name, MapFile& map) {
  FreeMap(map);
  PrintText(":: Opening " + name + "...", true);
  // Maps from discs and archives are often read-only; that is no reason to miss them.
  std::string found;
  const FileStatus search = FindFile(name, kAttrReadOnly, found);
  if (search != FileStatus::Ok) return FromFileStatus(search, SourceNotFound);
  InputFile file;
  const FileStatus opened = file.Open(found);
  if (opened != FileStatus::Ok) return FromFileStatus(opened, IoError);
  if (file.Length() < kShortestFile) return SourceCorrupted;

  MapFile loaded;
  MapError error = ReadHeader(file, loaded);
  if (error == Ok) error = ReadRecords(file, loaded);
  if (error == Ok) map = std::move(loaded);
  FreeMap(loaded);
  return error;
}

MapError SaveMap(const std::string& name, const MapFile& map) {
  PrintText(":: Saving " + name + "...", true);
  if (!IsKnownVersion(map.mapversion)) return FormatUnsupported;
  // A map whose arrays disagree with its counts would make a file that cannot be read back.
  if (!ArraysFitCounts(map)) return FormatUnsupported;

  std::vector<std::uint8_t> header;
  AppendLittleEndian(header, 4, map.mapversion);
  AppendLittleEndian(header, 4, map.posx);
  AppendLittleEndian(header, 4, map.posy);
  AppendLittleEndian(header, 4, map.posz);
  AppendLittleEndian(header, 2, map.ang);
  AppendLittleEndian(header, 2, map.cursectnum);
  std::array<std::uint8_t, 2> wall_count{};
  std::array<std::uint8_t, 2> sprite_count{};
  std::vector<std::span<const std::uint8_t>> pieces;
  if (CountsTogether(map.mapversion)) {
    AppendLittleEndian(header, 2, map.numsectors);
    AppendLittleEndian(header, 2, map.numwalls);
    AppendLittleEndian(header, 2, map.numsprites);
    pieces = {header, map.sectordata, map.walldata, map.spritedata};
  } else {
    AppendLittleEndian(header, 2, map.numsectors);
    StoreLittleEndian(wall_count.data(), 2, map.numwalls);
    StoreLittleEndian(sprite_count.data(), 2, map.numsprites);
    pieces = {header, map.sectordata, wall_count, map.walldata, sprite_count, map.spritedata};
  }
  const FileStatus written = ReplaceFile(name, pieces);
  return written == FileStatus::Ok ? Ok : FromFileStatus(written, IoError);
}

void FreeMap(MapFile& map) {
  ReturnArray(map.sectordata);
  ReturnArray(map.walldata);
  ReturnArray(map.spritedata);
  map = MapFile{};
}

void PrintMapError(std::int32_t error) {
  static constexpr std::string_view kMessages[] = {
      "",
      "   Source file corrupted",
      "   Source file no found",
      "   No handle available",
      "   Source file format unsupported",
      "   I/O error",
      "   Cannot upgrade source file any further",
      "   Cannot downgrade source file any further",
      "   No upgrade/downgrade needed",
  };
  if (error < 1 || error > 8) return;
  PrintText(kMessages[error], true);
}

}  // namespace tessaro

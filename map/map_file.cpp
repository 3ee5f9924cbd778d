#include "map/map_file.hpp"

#include <algorithm>

#include "console/console.hpp"
#include "map/map_messages.hpp"

namespace tessaro {

MapError FromFileStatus(FileStatus status, MapError otherwise) {
  return status == FileStatus::NoHandle ? NoHandle : otherwise;
}

bool FileSource::Read(std::span<std::uint8_t> into, std::size_t& got) {
  got = 0;
  const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), length_ - taken_));
  if (file_.Read(into.first(wanted), got) != FileStatus::Ok) return false;
  taken_ += got;
  return true;
}

MapError OpenMap(const std::string& name, MapFile& map, SourceExtent* extent, std::string_view stage) {
  FreeMap(map);
  PrintText(stage.empty() ? OpeningLine(name) : std::string(stage), true);
  // Maps from discs and archives are often read-only; that is no reason to miss them.
  std::string found;
  const FileStatus search = FindFile(name, kAttrReadOnly, found);
  if (search != FileStatus::Ok) return FromFileStatus(search, SourceNotFound);
  InputFile file;
  const FileStatus opened = file.Open(found);
  if (opened != FileStatus::Ok) return FromFileStatus(opened, IoError);
  FileSource source(file, file.Length());
  return ReadMap(source, map, extent);
}

MapError SaveMap(const std::string& name, const MapFile& map) {
  PrintText(SavingLine(name), true);
  const MapFileContent content(map);
  if (content.error() != Ok) return content.error();
  const FileStatus written = ReplaceFile(name, content.pieces());
  return written == FileStatus::Ok ? Ok : FromFileStatus(written, IoError);
}

void PrintMapError(std::int32_t error) {
  const std::string_view message = MapErrorMessage(error);
  if (!message.empty()) PrintText(message, true);
}

}  // namespace tessaro

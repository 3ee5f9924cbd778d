#include "map/map_file.hpp"

#include "console/console.hpp"
#include "map/map_format.hpp"
#include "map/map_messages.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

namespace {

MapError FromFileStatus(FileStatus status, MapError otherwise) {
  return status == FileStatus::NoHandle ? NoHandle : otherwise;
}

class FileSource final : public ByteSource {
 public:
  explicit FileSource(InputFile& file) : file_(file) {}
  std::uint64_t Length() const override { return file_.Length(); }
  bool Read(std::span<std::uint8_t> into, std::size_t& got) override { return file_.Read(into, got) == FileStatus::Ok; }

 private:
  InputFile& file_;
};

}  // namespace

MapError OpenMap(const std::string& name, MapFile& map) {
  FreeMap(map);
  PrintText(OpeningLine(name), true);
  // Maps from discs and archives are often read-only; that is no reason to miss them.
  std::string found;
  const FileStatus search = FindFile(name, kAttrReadOnly, found);
  if (search != FileStatus::Ok) return FromFileStatus(search, SourceNotFound);
  InputFile file;
  const FileStatus opened = file.Open(found);
  if (opened != FileStatus::Ok) return FromFileStatus(opened, IoError);
  FileSource source(file);
  return ReadMap(source, map);
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

#include "grp/group_file.hpp"

#include <array>
#include <cstring>
#include <new>

#include "map/map_file.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

MapError ReadGroupDirectory(ByteSource& group, std::vector<ArchiveMember>& members) {
  std::array<std::uint8_t, kGroupEntryBytes> first{};
  std::size_t got = 0;
  if (!group.Read(first, got)) return IoError;
  const std::uint64_t bytes = GroupDirectoryBytes(std::span(first).first(got), group.Length());
  if (bytes == 0) return SourceCorrupted;
  std::vector<std::uint8_t> directory;
  try {
    directory.resize(static_cast<std::size_t>(bytes));
  } catch (const std::bad_alloc&) {
    return SourceCorrupted;  // a directory too large for memory is no game's
  }
  std::memcpy(directory.data(), first.data(), first.size());
  if (!group.Read(std::span(directory).subspan(first.size()), got)) return IoError;
  // The file may have shrunk since its length was taken.
  if (got != directory.size() - first.size()) return SourceCorrupted;
  return ReadGroupDirectory(directory, group.Length(), members) ? Ok : SourceCorrupted;
}

MapError ReadGroupFile(const std::string& path, std::vector<ArchiveMember>& members) {
  InputFile file;
  const FileStatus opened = file.Open(path);
  if (opened != FileStatus::Ok) return FromFileStatus(opened, IoError);
  FileSource source(file, file.Length());
  return ReadGroupDirectory(source, members);
}

}  // namespace tessaro

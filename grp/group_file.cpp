#include "grp/group_file.hpp"

#include <array>
#include <cstring>
#include <new>

#include "console/console.hpp"
#include "map/map_file.hpp"
#include "map/map_messages.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

namespace {

MapError ReadDirectory(InputFile& file, std::vector<GroupMember>& members) {
  std::array<std::uint8_t, kGroupEntryBytes> first{};
  std::size_t got = 0;
  if (file.Read(first, got) != FileStatus::Ok) return IoError;
  const std::uint64_t bytes = GroupDirectoryBytes(std::span(first).first(got), file.Length());
  if (bytes == 0) return SourceCorrupted;
  std::vector<std::uint8_t> directory;
  try {
    directory.resize(static_cast<std::size_t>(bytes));
  } catch (const std::bad_alloc&) {
    return SourceCorrupted;  // a directory too large for memory is no game's
  }
  std::memcpy(directory.data(), first.data(), first.size());
  if (file.Read(std::span(directory).subspan(first.size()), got) != FileStatus::Ok) return IoError;
  // The file may have shrunk since its length was taken.
  if (got != directory.size() - first.size()) return SourceCorrupted;
  return ReadGroupDirectory(directory, file.Length(), members) ? Ok : SourceCorrupted;
}

}  // namespace

MapError ReadGroupFile(const std::string& path, std::vector<GroupMember>& members) {
  InputFile file;
  const FileStatus opened = file.Open(path);
  if (opened != FileStatus::Ok) return FromFileStatus(opened, IoError);
  return ReadDirectory(file, members);
}

MapError OpenGroupMember(const std::string& path, const GroupMember& member, std::string_view title,
                         MapFile& map, SourceExtent* extent, std::string_view stage) {
  FreeMap(map);
  PrintText(stage.empty() ? OpeningLine(title) : std::string(stage), true);
  if (!IsPlainMemberName(member.name)) return MemberNameNotPlain;
  InputFile file;
  const FileStatus opened = file.Open(path);
  if (opened != FileStatus::Ok) return FromFileStatus(opened, IoError);
  // The group may have been cut since its directory was read.
  if (member.offset + member.size > file.Length()) return SourceCorrupted;
  if (file.Seek(member.offset) != FileStatus::Ok) return IoError;
  FileSource source(file, member.size);
  return ReadMap(source, map, extent);
}

bool IsInsideGroupFile(std::string_view path) {
  std::string found;
  for (std::size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', slash + 1)) {
    const std::string_view folder = path.substr(0, slash);
    if (IsGroupFileName(folder) && FindFile(folder, kAttrReadOnly | kAttrHidden | kAttrSystem, found) == FileStatus::Ok) {
      return true;
    }
  }
  return false;
}

}  // namespace tessaro

#include "archive/archive_file.hpp"

#include <array>
#include <optional>

#include "console/console.hpp"
#include "grp/group_file.hpp"
#include "map/map_file.hpp"
#include "map/map_messages.hpp"
#include "platform/file_system.hpp"
#include "zip/zip_file.hpp"

namespace tessaro {

namespace {

// The first `length` bytes of another source.
class PartSource final : public ByteSource {
 public:
  PartSource(ByteSource& whole, std::uint64_t length) : whole_(whole), length_(length) {}
  std::uint64_t Length() const override { return length_; }
  bool Read(std::span<std::uint8_t> into, std::size_t& got) override {
    const bool read = whole_.Read(into.first(static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), length_ - taken_))), got);
    taken_ += got;
    return read;
  }

 private:
  ByteSource& whole_;
  std::uint64_t length_;
  std::uint64_t taken_ = 0;
};

// A member's bytes in its archive file, from its first byte on, unpacked when they are packed.
class MemberBytes {
 public:
  MapError Open(const std::string& path, const ArchiveMember& member) {
    const FileStatus opened = file_.Open(path);
    if (opened != FileStatus::Ok) return FromFileStatus(opened, IoError);
    if (member.storage == Storage::Plain) {
      // The group may have been cut since its directory was read.
      if (member.offset + member.size > file_.Length()) return SourceCorrupted;
      if (file_.Seek(member.offset) != FileStatus::Ok) return IoError;
      source_ = &packed_.emplace(file_, member.size);
      return Ok;
    }
    const MapError found = SeekZipData(file_, member);
    if (found != Ok) return found;
    source_ = &unpacked_.emplace(packed_.emplace(file_, member.packed), member);
    return Ok;
  }

  ByteSource& Bytes() { return *source_; }

  // What reading gave, unless the member was not whole.
  MapError Finish(MapError read) {
    const MapError finished = unpacked_ ? unpacked_->Finish() : Ok;
    return finished != Ok ? finished : read;
  }

 private:
  InputFile file_;
  std::optional<FileSource> packed_;
  std::optional<UnpackedSource> unpacked_;
  ByteSource* source_ = nullptr;
};

bool Skip(ByteSource& source, std::uint64_t bytes) {
  std::array<std::uint8_t, 16 * 1024> scratch{};
  for (std::size_t got = 0; bytes > 0; bytes -= got) {
    if (!source.Read(std::span(scratch).first(static_cast<std::size_t>(std::min<std::uint64_t>(bytes, scratch.size()))), got)) {
      return false;
    }
    if (got == 0) return true;  // the unpacked bytes ended early: Finish says so
  }
  return true;
}

}  // namespace

MapError ReadArchive(const std::string& path, std::vector<ArchiveMember>& members) {
  return IsGroupFileName(path) ? ReadGroupFile(path, members) : ReadZipFile(path, members);
}

MapError ReadNestedGroup(const std::string& path, const ArchiveMember& group, std::vector<ArchiveMember>& members) {
  if (group.refused != Ok) return group.refused;
  MemberBytes bytes;
  MapError error = bytes.Open(path, group);
  if (error == Ok) error = bytes.Finish(ReadGroupDirectory(bytes.Bytes(), members));
  if (error != Ok) members.clear();
  return error;
}

MapError OpenArchiveMember(const std::string& path, std::span<const ArchiveMember> chain, std::string_view title,
                           MapFile& map, SourceExtent* extent, std::string_view stage) {
  FreeMap(map);
  PrintText(stage.empty() ? OpeningLine(title) : std::string(stage), true);
  MapError error = chain.front().refused != Ok ? chain.front().refused : MapMemberRefusal(chain.back());
  if (error != Ok) return error;
  MemberBytes bytes;
  error = bytes.Open(path, chain.front());
  if (error != Ok) return error;
  if (chain.size() == 1) {
    error = ReadMap(bytes.Bytes(), map, extent);
  } else if (!Skip(bytes.Bytes(), chain.back().offset)) {
    error = IoError;
  } else {
    PartSource member(bytes.Bytes(), chain.back().size);
    error = ReadMap(member, map, extent);
  }
  error = bytes.Finish(error);
  if (error != Ok) FreeMap(map);
  return error;
}

bool IsInsideArchive(std::string_view path) {
  std::string found;
  for (std::size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', slash + 1)) {
    const std::string_view folder = path.substr(0, slash);
    if (IsArchiveName(folder) && FindFile(folder, kAttrReadOnly | kAttrHidden | kAttrSystem, found) == FileStatus::Ok) {
      return true;
    }
  }
  return false;
}

}  // namespace tessaro

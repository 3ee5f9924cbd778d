// The file operations the program needs, one implementation per platform chosen by the build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// Attributes as a directory search sees them. On POSIX: hidden = a name that begins with ".",
// system = neither a regular file nor a directory, read-only = the owner's write bit is clear.
enum FileAttribute : unsigned {
  kAttrReadOnly = 1u,
  kAttrHidden = 2u,
  kAttrSystem = 4u,
  kAttrDirectory = 16u,
  kAttrArchive = 32u,  // always allowed
};

enum class FileStatus {
  Ok,
  NotFound,
  NoHandle,  // the process has no file handle left
  IoError,
};

// Names (without directory) of the entries of `directory` ("" for the current one) that carry no
// attribute outside `allowed`, in byte order. Directory components are matched ignoring the case
// of A to Z when they do not exist as spelled.
FileStatus ListDirectory(std::string_view directory, unsigned allowed, std::vector<std::string>& names);

// Looks for one entry by its path, components matched as ListDirectory does. On success `found`
// holds the path as the file system spells it.
FileStatus FindFile(std::string_view path, unsigned allowed, std::string& found);

// Looks for a folder by its path as FindFile does; a file of that name is not one (NotFound).
inline FileStatus FindFolder(std::string_view path, std::string& found) {
  std::string file;
  if (FindFile(path, kAttrReadOnly | kAttrHidden | kAttrSystem, file) == FileStatus::Ok) return FileStatus::NotFound;
  return FindFile(path, kAttrDirectory | kAttrReadOnly | kAttrHidden, found);
}

// A file opened for reading raw bytes; closed when the object goes.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  FileStatus Open(const std::string& path);
  // Length in bytes, taken when the file was opened.
  std::uint64_t Length() const { return length_; }
  // Fills `into` from the current position; at the end of the file it stops early and `got`
  // says how many bytes came. Only a real read failure is an error.
  FileStatus Read(std::span<std::uint8_t> into, std::size_t& got);
  // Moves the reading position to `position` bytes from the start (a member of a group file).
  FileStatus Seek(std::uint64_t position);

 private:
  std::intptr_t handle_ = -1;
  std::uint64_t length_ = 0;
};

// Writes `pieces`, back to back, as the whole new content of `path`. The content goes to a new
// temporary file in the same directory first and replaces the target only once it is complete,
// so a failure leaves an existing target exactly as it was and no temporary file behind. An
// existing target that is read-only, hidden, or not a plain file is not replaced (IoError).
// A replaced file keeps its permission bits; a new one takes the spelling it is given.
FileStatus ReplaceFile(std::string_view path, std::span<const std::span<const std::uint8_t>> pieces);

}  // namespace tessaro

#include "platform/win32_api.hpp"

#include <algorithm>
#include <memory>

#include "platform/file_system.hpp"

namespace tessaro {

namespace {

// The attributes the directory search knows; others (compressed, not indexed, ...) never keep a
// file out of a listing.
constexpr DWORD kSearchAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;
static_assert(kAttrReadOnly == FILE_ATTRIBUTE_READONLY && kAttrHidden == FILE_ATTRIBUTE_HIDDEN &&
              kAttrSystem == FILE_ATTRIBUTE_SYSTEM && kAttrDirectory == FILE_ATTRIBUTE_DIRECTORY &&
              kAttrArchive == FILE_ATTRIBUTE_ARCHIVE);

// What a replaced file passes on to its successor (read-only, hidden and system files are never
// replaced; the hidden mark of the temporary file goes).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                  FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

constexpr DWORD kLargestIo = 1u << 30;

bool OutOfHandles(DWORD error) {
  return error == ERROR_TOO_MANY_OPEN_FILES || error == ERROR_NO_MORE_SEARCH_HANDLES;
}

bool Allowed(DWORD attributes, unsigned allowed) {
  return ((attributes & kSearchAttributes) & ~(allowed | kAttrArchive)) == 0;
}

HANDLE InvalidHandle() { return INVALID_HANDLE_VALUE; }

struct SearchCloser {
  void operator()(HANDLE search) const { FindClose(search); }
};
using SearchHandle = std::unique_ptr<void, SearchCloser>;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

// Everything up to and including the last separator (or the drive of "c:name").
std::string DirectoryPart(std::string_view path) {
  const std::size_t end = path.find_last_of("/\\:");
  return end == std::string_view::npos ? std::string() : std::string(path.substr(0, end + 1));
}

bool HasWildcard(std::string_view path) { return path.find_first_of("*?") != std::string_view::npos; }

// One entry, found by its exact name; the system matches names ignoring case.
FileStatus FindEntry(const std::string& path, WIN32_FIND_DATAA& entry) {
  if (path.empty() || HasWildcard(path)) return FileStatus::NotFound;
  const HANDLE search = FindFirstFileA(path.c_str(), &entry);
  if (search == InvalidHandle()) return OutOfHandles(GetLastError()) ? FileStatus::NoHandle : FileStatus::NotFound;
  FindClose(search);
  return FileStatus::Ok;
}

FileStatus WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kLargestIo));
    DWORD wrote = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return FileStatus::IoError;
    done += wrote;
  }
  return FileStatus::Ok;
}

// A new, exclusively created file beside the target, hidden and not ending in ".map", so that no
// listing of maps ever picks it up.
FileStatus CreateTemporary(const std::string& target, std::string& temporary, HANDLE& file) {
  const std::string directory = DirectoryPart(target);
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = directory + ".tessaro-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + ".tmp";
    file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file != InvalidHandle()) return FileStatus::Ok;
    const DWORD error = GetLastError();
    if (OutOfHandles(error)) return FileStatus::NoHandle;
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return FileStatus::IoError;
  }
  return FileStatus::IoError;
}

// The file a link or junction leads to, as a path the file functions take.
bool FinalPath(const std::string& path, std::string& final_path) {
  const FileHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file.get() == InvalidHandle()) return false;
  std::string buffer(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = GetFinalPathNameByHandleA(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return false;
    if (length < buffer.size()) {
      buffer.resize(length);
      final_path = buffer;
      return true;
    }
    buffer.assign(length + 1, '\0');
  }
  return false;
}

}  // namespace

FileStatus ListDirectory(std::string_view directory, unsigned allowed, std::vector<std::string>& names) {
  names.clear();
  std::string pattern(directory);
  if (!pattern.empty() && pattern.find_last_of("/\\:") != pattern.size() - 1) pattern += '/';
  pattern += '*';
  WIN32_FIND_DATAA entry{};
  const HANDLE first = FindFirstFileA(pattern.c_str(), &entry);
  if (first == InvalidHandle()) {
    const DWORD error = GetLastError();
    if (OutOfHandles(error)) return FileStatus::NoHandle;
    return error == ERROR_FILE_NOT_FOUND ? FileStatus::Ok : FileStatus::NotFound;  // an empty drive root
  }
  const SearchHandle search(first);
  do {
    const std::string_view name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (Allowed(entry.dwFileAttributes, allowed)) names.emplace_back(name);
  } while (FindNextFileA(search.get(), &entry));
  std::sort(names.begin(), names.end());
  return FileStatus::Ok;
}

FileStatus FindFile(std::string_view path, unsigned allowed, std::string& found) {
  const std::string given(path);
  WIN32_FIND_DATAA entry{};
  const FileStatus status = FindEntry(given, entry);
  if (status != FileStatus::Ok) return status;
  if (!Allowed(entry.dwFileAttributes, allowed)) return FileStatus::NotFound;
  found = DirectoryPart(given) + entry.cFileName;
  return FileStatus::Ok;
}

InputFile::~InputFile() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

FileStatus InputFile::Open(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == InvalidHandle()) return OutOfHandles(GetLastError()) ? FileStatus::NoHandle : FileStatus::IoError;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  // Only a file on a disk has a length to trust; a device named here is never read.
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart < 0) {
    return FileStatus::IoError;
  }
  length_ = static_cast<std::uint64_t>(size.QuadPart);
  return FileStatus::Ok;
}

FileStatus InputFile::Read(std::span<std::uint8_t> into, std::size_t& got) {
  got = 0;
  if (handle_ == -1) return FileStatus::IoError;
  const auto file = reinterpret_cast<HANDLE>(handle_);
  while (got < into.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(into.size() - got, kLargestIo));
    DWORD read_now = 0;
    if (!ReadFile(file, into.data() + got, chunk, &read_now, nullptr)) return FileStatus::IoError;
    if (read_now == 0) break;
    got += read_now;
  }
  return FileStatus::Ok;
}

FileStatus InputFile::Seek(std::uint64_t position) {
  LARGE_INTEGER to{};
  to.QuadPart = static_cast<LONGLONG>(position);
  if (handle_ == -1 || to.QuadPart < 0) return FileStatus::IoError;
  return SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), to, nullptr, FILE_BEGIN) ? FileStatus::Ok
                                                                                        : FileStatus::IoError;
}

FileStatus ReplaceFile(std::string_view path, std::span<const std::span<const std::uint8_t>> pieces) {
  std::string target(path);
  if (target.empty()) return FileStatus::IoError;

  // A new file has the attribute the system gives every new file; a replaced one keeps its own.
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
  WIN32_FIND_DATAA entry{};
  const FileStatus search = FindEntry(target, entry);
  if (search == FileStatus::NoHandle) return search;
  const bool replacing = search == FileStatus::Ok;
  if (replacing) {
    target = DirectoryPart(target) + entry.cFileName;  // the name keeps the spelling it has
    attributes = entry.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      // Save through a link into the file it leads to, so the link stays a link.
      if (!FinalPath(target, target)) return FileStatus::IoError;
      attributes = GetFileAttributesA(target.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) return FileStatus::IoError;
    }
    if (!Allowed(attributes, 0)) return FileStatus::IoError;
  }

  std::string temporary;
  HANDLE file = InvalidHandle();
  const FileStatus created = CreateTemporary(target, temporary, file);
  if (created != FileStatus::Ok) return created;
  FileStatus status = FileStatus::Ok;
  for (const auto& piece : pieces) {
    if (status == FileStatus::Ok) status = WriteAll(file, piece);
  }
  if (!CloseHandle(file)) status = FileStatus::IoError;
  const DWORD kept = attributes & kKeptAttributes;
  if (status == FileStatus::Ok && !SetFileAttributesA(temporary.c_str(), kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept)) {
    status = FileStatus::IoError;
  }
  if (status == FileStatus::Ok && !MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    status = FileStatus::IoError;
  }
  if (status != FileStatus::Ok) DeleteFileA(temporary.c_str());
  return status;
}

}  // namespace tessaro

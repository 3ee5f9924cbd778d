#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/file_system.hpp"

namespace tessaro {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool OutOfHandles(int error) { return error == EMFILE || error == ENFILE; }

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

FileStatus OpenDirectory(const std::string& path, DirHandle& dir) {
  dir.reset(opendir(path.empty() ? "." : path.c_str()));
  if (dir) return FileStatus::Ok;
  return OutOfHandles(errno) ? FileStatus::NoHandle : FileStatus::NotFound;
}

// The first name of `directory` (in byte order) equal to `name` ignoring the case of A to Z.
FileStatus MatchInDirectory(const std::string& directory, std::string_view name, std::string& match) {
  DirHandle dir;
  const FileStatus opened = OpenDirectory(directory, dir);
  if (opened != FileStatus::Ok) return opened;
  bool found = false;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view candidate = entry->d_name;
    if (!SameIgnoringCase(candidate, name)) continue;
    if (!found || candidate < match) match = candidate;
    found = true;
  }
  return found ? FileStatus::Ok : FileStatus::NotFound;
}

bool Exists(const std::string& path) {
  struct stat info{};
  return lstat(path.c_str(), &info) == 0;
}

// The path as the file system spells it: a component that does not exist as given is looked up
// ignoring case. Components that cannot be found stay as given.
FileStatus ResolveCase(std::string_view path, std::string& resolved) {
  resolved.clear();
  std::size_t start = 0;
  if (!path.empty() && path.front() == '/') {
    resolved = "/";
    start = 1;
  }
  bool searching = true;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view component = path.substr(start, end - start);
    if (!component.empty()) {
      const std::string parent = resolved;
      std::string spelled(component);
      if (searching && component != "." && component != ".." && !Exists(parent + spelled)) {
        const FileStatus matched = MatchInDirectory(parent, component, spelled);
        if (matched == FileStatus::NoHandle) return matched;
        if (matched != FileStatus::Ok) {
          spelled = component;
          searching = false;
        }
      }
      resolved = parent + spelled;
      if (end < path.size()) resolved += '/';
    }
    start = end + 1;
  }
  return FileStatus::Ok;
}

unsigned AttributesOf(std::string_view name, const struct stat& info) {
  unsigned attributes = 0;
  if (!name.empty() && name.front() == '.') attributes |= kAttrHidden;
  if (S_ISDIR(info.st_mode)) {
    attributes |= kAttrDirectory;
  } else if (!S_ISREG(info.st_mode)) {
    attributes |= kAttrSystem;
  }
  if ((info.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  return attributes;
}

bool Allowed(unsigned attributes, unsigned allowed) {
  return (attributes & ~(allowed | kAttrArchive)) == 0;
}

std::string_view LastComponent(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Attributes of an existing path; a link counts as what it leads to, a broken one as a system file.
unsigned AttributesOfPath(const std::string& path) {
  struct stat info{};
  if (stat(path.c_str(), &info) != 0) return kAttrSystem;
  return AttributesOf(LastComponent(path), info);
}

FileStatus WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return FileStatus::IoError;
    done += static_cast<std::size_t>(wrote);
  }
  return FileStatus::Ok;
}

// A new, exclusively created file beside the target; hidden and not ending in ".map", so that no
// listing of maps ever picks it up.
FileStatus CreateTemporary(const std::string& target, std::string& temporary, int& fd) {
  const std::size_t slash = target.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = directory + ".tessaro-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return FileStatus::Ok;
    if (OutOfHandles(errno)) return FileStatus::NoHandle;
    if (errno != EEXIST) return FileStatus::IoError;
  }
  return FileStatus::IoError;
}

// Holds back the signals that end the program while a save is under way, so that an interrupt
// never leaves a temporary file behind; they arrive as soon as the save is done.
class SignalsHeldBack {
 public:
  SignalsHeldBack() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, signal_number);
    sigprocmask(SIG_BLOCK, &held, &previous_);
  }
  ~SignalsHeldBack() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  SignalsHeldBack(const SignalsHeldBack&) = delete;
  SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;

 private:
  sigset_t previous_{};
};

}  // namespace

FileStatus ListDirectory(std::string_view directory, unsigned allowed, std::vector<std::string>& names) {
  names.clear();
  std::string resolved;
  const FileStatus resolved_status = ResolveCase(directory, resolved);
  if (resolved_status != FileStatus::Ok) return resolved_status;
  if (!resolved.empty() && resolved.back() != '/') resolved += '/';
  DirHandle dir;
  const FileStatus opened = OpenDirectory(resolved, dir);
  if (opened != FileStatus::Ok) return opened;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info{};
    const bool known = fstatat(dirfd(dir.get()), entry->d_name, &info, 0) == 0;
    const unsigned attributes = known ? AttributesOf(name, info) : kAttrSystem;
    if (Allowed(attributes, allowed)) names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  return FileStatus::Ok;
}

FileStatus FindFile(std::string_view path, unsigned allowed, std::string& found) {
  const FileStatus resolved = ResolveCase(path, found);
  if (resolved != FileStatus::Ok) return resolved;
  if (found.empty() || !Exists(found)) return FileStatus::NotFound;
  return Allowed(AttributesOfPath(found), allowed) ? FileStatus::Ok : FileStatus::NotFound;
}

InputFile::~InputFile() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

FileStatus InputFile::Open(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return OutOfHandles(errno) ? FileStatus::NoHandle : FileStatus::IoError;
  handle_ = fd;
  struct stat info{};
  // Only a regular file has a length to trust; a FIFO or device named here is never read.
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return FileStatus::IoError;
  length_ = static_cast<std::uint64_t>(info.st_size);
  return FileStatus::Ok;
}

FileStatus InputFile::Read(std::span<std::uint8_t> into, std::size_t& got) {
  got = 0;
  if (handle_ < 0) return FileStatus::IoError;
  while (got < into.size()) {
    const std::size_t chunk = std::min<std::size_t>(into.size() - got, SSIZE_MAX);
    const ssize_t read_now = read(static_cast<int>(handle_), into.data() + got, chunk);
    if (read_now < 0 && errno == EINTR) continue;
    if (read_now < 0) return FileStatus::IoError;
    if (read_now == 0) break;
    got += static_cast<std::size_t>(read_now);
  }
  return FileStatus::Ok;
}

FileStatus ReplaceFile(std::string_view path, std::span<const std::span<const std::uint8_t>> pieces) {
  std::string target;
  const FileStatus resolved = ResolveCase(path, target);
  if (resolved != FileStatus::Ok) return resolved;
  if (target.empty()) return FileStatus::IoError;

  struct stat existing{};
  const bool replacing = stat(target.c_str(), &existing) == 0;
  if (replacing) {
    // Save through a link into the file it leads to, so the link stays a link.
    char real[PATH_MAX];
    if (realpath(target.c_str(), real) == nullptr) return FileStatus::IoError;
    target = real;
    if (AttributesOf(LastComponent(target), existing) != 0) return FileStatus::IoError;
  }

  const SignalsHeldBack held_back;
  std::string temporary;
  int fd = -1;
  const FileStatus created = CreateTemporary(target, temporary, fd);
  if (created != FileStatus::Ok) return created;
  FileStatus status = FileStatus::Ok;
  if (replacing && fchmod(fd, existing.st_mode & 07777) != 0) status = FileStatus::IoError;
  for (const auto& piece : pieces) {
    if (status == FileStatus::Ok) status = WriteAll(fd, piece);
  }
  if (close(fd) != 0) status = FileStatus::IoError;
  if (status == FileStatus::Ok && rename(temporary.c_str(), target.c_str()) != 0) status = FileStatus::IoError;
  if (status != FileStatus::Ok) unlink(temporary.c_str());
  return status;
}

}  // namespace tessaro

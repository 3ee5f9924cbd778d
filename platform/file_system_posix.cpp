#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <limits>
#include <memory>
#include <set>
#include <utility>

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

// The first name of `directory` (in byte order) equal to `name` ignoring the case of A to Z,
// read from the directory itself.
FileStatus ScanDirectory(const std::string& directory, std::string_view name, std::string& match) {
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

std::string LowerName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

// Directory listings kept for the run, for lookups that ignore case: each save looks up its output
// name twice, and a folder of hundreds of maps read for every lookup costs more than the maps. A
// listing is used while the directory's modification time is the one seen before it was read, and
// this program's own saves update both. A listing read moments after a change is read again next
// time, as coarse timestamps would hide a change in the same tick; with such timestamps a change
// another program makes in the same tick as one of our saves can still go unseen.
class KnownDirectories {
 public:
  FileStatus Match(const std::string& directory, std::string_view name, std::string& match) {
    struct stat info{};
    if (stat(PathOf(directory), &info) != 0) return ScanDirectory(directory, name, match);
    Directory* known = Find(info);
    if (known == nullptr || !known->trusted || !SameTime(known->modified, info.st_mtim)) {
      const FileStatus read = Read(directory, info, known);
      if (read != FileStatus::Ok) return read;
    }
    const std::string lower = LowerName(name);
    const auto first = known->names.lower_bound({lower, std::string()});
    if (first == known->names.end() || first->first != lower) return FileStatus::NotFound;
    match = first->second;
    return FileStatus::Ok;
  }

  // The directory as it is before this program saves `name` into it, and again afterwards.
  struct stat Before(const std::string& directory) const {
    struct stat info{};
    if (stat(PathOf(directory), &info) != 0) info.st_ino = 0;
    return info;
  }
  void Saved(const std::string& directory, const struct stat& before, std::string_view name) {
    struct stat after{};
    Directory* known = before.st_ino != 0 ? Find(before) : nullptr;
    if (known == nullptr || !SameTime(known->modified, before.st_mtim)) return;
    if (stat(PathOf(directory), &after) != 0) return;
    known->names.emplace(LowerName(name), std::string(name));
    known->modified = after.st_mtim;
    known->trusted = true;
  }

 private:
  static constexpr std::size_t kKept = 8;
  // Longer than a tick of the coarsest timestamps.
  static constexpr std::chrono::milliseconds kSettled{20};

  struct Directory {
    dev_t device;
    ino_t inode;
    timespec modified;
    bool trusted;
    std::set<std::pair<std::string, std::string>> names;  // lower-case form, then the name itself
  };

  static const char* PathOf(const std::string& directory) { return directory.empty() ? "." : directory.c_str(); }

  static bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
  }

  Directory* Find(const struct stat& info) {
    for (Directory& d : directories_) {
      if (d.device == info.st_dev && d.inode == info.st_ino) return &d;
    }
    return nullptr;
  }

  FileStatus Read(const std::string& directory, const struct stat& info, Directory*& known) {
    DirHandle dir;
    const FileStatus opened = OpenDirectory(directory, dir);
    if (opened != FileStatus::Ok) return opened;
    using std::chrono::system_clock;
    const auto since_epoch = std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec);
    const system_clock::time_point modified(std::chrono::duration_cast<system_clock::duration>(since_epoch));
    Directory fresh{info.st_dev, info.st_ino, info.st_mtim, modified + kSettled < system_clock::now(), {}};
    while (const dirent* entry = readdir(dir.get())) fresh.names.emplace(LowerName(entry->d_name), entry->d_name);
    if (known == nullptr) {
      if (directories_.size() == kKept) directories_.erase(directories_.begin());
      directories_.push_back(std::move(fresh));
      known = &directories_.back();
    } else {
      *known = std::move(fresh);
    }
    return FileStatus::Ok;
  }

  std::vector<Directory> directories_;  // the first read first
};

KnownDirectories& Known() {
  static KnownDirectories known;
  return known;
}

// The first name of `directory` (in byte order) equal to `name` ignoring the case of A to Z.
FileStatus MatchInDirectory(const std::string& directory, std::string_view name, std::string& match) {
  return Known().Match(directory, name, match);
}

bool Exists(const std::string& path) {
  struct stat info{};
  return lstat(path.c_str(), &info) == 0;
}

// The path as the file system spells it: a component that does not exist as given is looked up
// ignoring case. Components that cannot be found stay as given, and `missing` tells of them.
FileStatus ResolveCase(std::string_view path, std::string& resolved, bool& missing) {
  missing = false;
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
          missing = true;
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

// The pieces back to back, in one call unless the system takes less than it is given.
FileStatus WritePieces(int fd, std::span<const std::span<const std::uint8_t>> pieces) {
  std::vector<iovec> left;
  for (const auto& piece : pieces) {
    if (!piece.empty()) left.push_back({const_cast<std::uint8_t*>(piece.data()), piece.size()});
  }
  std::size_t first = 0;
  while (first < left.size()) {
    const auto count = static_cast<int>(std::min<std::size_t>(left.size() - first, IOV_MAX));
    const ssize_t wrote = writev(fd, left.data() + first, count);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return FileStatus::IoError;
    for (auto done = static_cast<std::size_t>(wrote); done > 0;) {
      iovec& piece = left[first];
      const std::size_t taken = std::min(done, piece.iov_len);
      piece.iov_base = static_cast<std::uint8_t*>(piece.iov_base) + taken;
      piece.iov_len -= taken;
      done -= taken;
      if (piece.iov_len == 0) ++first;
    }
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
  bool missing = false;
  const FileStatus resolved_status = ResolveCase(directory, resolved, missing);
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
  bool missing = false;
  const FileStatus resolved = ResolveCase(path, found, missing);
  if (resolved != FileStatus::Ok) return resolved;
  if (found.empty() || missing) return FileStatus::NotFound;
  // A link counts as what it leads to, a broken one as a system file. One look for what exists;
  // a second only to tell a missing entry from a broken link.
  struct stat info{};
  unsigned attributes = kAttrSystem;
  if (stat(found.c_str(), &info) == 0) {
    attributes = AttributesOf(LastComponent(found), info);
  } else if (!Exists(found)) {
    return FileStatus::NotFound;
  }
  return Allowed(attributes, allowed) ? FileStatus::Ok : FileStatus::NotFound;
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

FileStatus InputFile::Seek(std::uint64_t position) {
  if (handle_ < 0 || position > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return FileStatus::IoError;
  const auto offset = static_cast<off_t>(position);
  return lseek(static_cast<int>(handle_), offset, SEEK_SET) == offset ? FileStatus::Ok : FileStatus::IoError;
}

FileStatus ReplaceFile(std::string_view path, std::span<const std::span<const std::uint8_t>> pieces) {
  std::string target;
  bool missing = false;
  const FileStatus resolved = ResolveCase(path, target, missing);
  if (resolved != FileStatus::Ok) return resolved;
  if (target.empty()) return FileStatus::IoError;

  struct stat existing{};
  const bool replacing = !missing && stat(target.c_str(), &existing) == 0;
  if (replacing) {
    // Save through a link into the file it leads to, so the link stays a link.
    char real[PATH_MAX];
    if (realpath(target.c_str(), real) == nullptr) return FileStatus::IoError;
    target = real;
    if (AttributesOf(LastComponent(target), existing) != 0) return FileStatus::IoError;
  }

  const std::string directory(target.substr(0, target.size() - LastComponent(target).size()));
  const struct stat before = Known().Before(directory);
  const SignalsHeldBack held_back;
  std::string temporary;
  int fd = -1;
  const FileStatus created = CreateTemporary(target, temporary, fd);
  if (created != FileStatus::Ok) return created;
  FileStatus status = FileStatus::Ok;
  if (replacing && fchmod(fd, existing.st_mode & 07777) != 0) status = FileStatus::IoError;
  if (status == FileStatus::Ok) status = WritePieces(fd, pieces);
  if (close(fd) != 0) status = FileStatus::IoError;
  if (status == FileStatus::Ok && rename(temporary.c_str(), target.c_str()) != 0) status = FileStatus::IoError;
  if (status != FileStatus::Ok) unlink(temporary.c_str());
  if (status == FileStatus::Ok) Known().Saved(directory, before, LastComponent(target));
  return status;
}

}  // namespace tessaro

// Standard descriptors and environment swapped for the length of a test, so that the platform's
// own terminal can be driven from a pipe, a file or a pseudo-terminal. The names from Handle on
// are the ones tests/console/win32_fixtures.hpp has too.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

namespace tessaro::testing {

// A test started without standard input (or output) would otherwise find its pipes and
// pseudo-terminals handed out as descriptor 0 and swap the wrong things.
inline void EnsureStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1) open("/dev/null", O_RDWR);  // takes the lowest free number
  }
}

// Puts `replacement` on descriptor `target` (-1: closes it) until destroyed.
class ScopedDescriptor {
 public:
  ScopedDescriptor(int target, int replacement) : target_(target), saved_(dup(target)) {
    std::fflush(stdout);
    if (replacement < 0) {
      close(target_);
    } else {
      dup2(replacement, target_);
    }
  }
  ~ScopedDescriptor() {
    dup2(saved_, target_);
    close(saved_);
  }
  ScopedDescriptor(const ScopedDescriptor&) = delete;
  ScopedDescriptor& operator=(const ScopedDescriptor&) = delete;

 private:
  int target_;
  int saved_;
};

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Everything that can be read from fd, waiting up to a second for the first byte and for as long
// as `enough` bytes have not come.
inline std::string Drain(int fd, std::size_t enough = 1) {
  std::string got;
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, got.size() < enough ? 1000 : 0) <= 0) break;
    char chunk[256];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    got.append(chunk, static_cast<std::size_t>(n));
  }
  return got;
}

inline void Put(int fd, const std::string& bytes) {
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    std::perror("test write");
  }
}

struct Pipe {
  Pipe() {
    int fds[2] = {-1, -1};
    if (pipe(fds) == 0) {
      read_end = fds[0];
      write_end = fds[1];
    }
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool Ok() const { return read_end >= 0; }
  void CloseRead() {
    if (read_end >= 0) close(read_end);
    read_end = -1;
  }
  void CloseWrite() {
    if (write_end >= 0) close(write_end);
    write_end = -1;
  }
  int read_end = -1;
  int write_end = -1;
};

using Handle = int;
inline const Handle kNoHandle = -1;

struct ScopedInput : ScopedDescriptor {
  explicit ScopedInput(Handle replacement) : ScopedDescriptor(STDIN_FILENO, replacement) {}
};

struct ScopedOutput : ScopedDescriptor {
  explicit ScopedOutput(Handle replacement) : ScopedDescriptor(STDOUT_FILENO, replacement) {}
};

inline void PrepareStandardHandles() { EnsureStandardDescriptors(); }
inline Handle OpenNullInput() { return open("/dev/null", O_RDONLY); }
inline Handle CreateForWriting(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}
inline void Close(Handle handle) { close(handle); }

// A pseudo-terminal: the test holds the master side and plays the terminal.
struct Pty {
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    const char* name = ptsname(master);
    if (name != nullptr) slave = open(name, O_RDWR | O_NOCTTY);
  }
  ~Pty() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  bool Ok() const { return master >= 0 && slave >= 0; }
  termios Settings() const {
    termios settings{};
    tcgetattr(slave, &settings);
    return settings;
  }
  int master = -1;
  int slave = -1;
};

}  // namespace tessaro::testing

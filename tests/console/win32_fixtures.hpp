// Standard handles swapped for the length of a test, so that the platform's own terminal can be
// driven from a pipe, a file or the console. The names from Handle on are the ones
// tests/console/posix_fixtures.hpp has too.
#pragma once

#include "platform/win32_api.hpp"

#include <string>

namespace tessaro::testing {

// Puts `replacement` in the place of a standard handle until destroyed.
class ScopedStdHandle {
 public:
  ScopedStdHandle(DWORD which, HANDLE replacement) : which_(which), saved_(GetStdHandle(which)) {
    SetStdHandle(which_, replacement);
  }
  ~ScopedStdHandle() { SetStdHandle(which_, saved_); }
  ScopedStdHandle(const ScopedStdHandle&) = delete;
  ScopedStdHandle& operator=(const ScopedStdHandle&) = delete;

 private:
  DWORD which_;
  HANDLE saved_;
};

struct Pipe {
  Pipe() {
    if (!CreatePipe(&read_end, &write_end, nullptr, 1 << 16)) read_end = write_end = nullptr;
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool Ok() const { return read_end != nullptr; }
  void CloseRead() {
    if (read_end != nullptr) CloseHandle(read_end);
    read_end = nullptr;
  }
  void CloseWrite() {
    if (write_end != nullptr) CloseHandle(write_end);
    write_end = nullptr;
  }
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
};

inline void Put(HANDLE handle, const std::string& bytes) {
  DWORD wrote = 0;
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
}

// Everything a pipe holds now.
inline std::string Drain(HANDLE pipe) {
  std::string got;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) break;
    std::string chunk(available, '\0');
    DWORD read = 0;
    if (!ReadFile(pipe, chunk.data(), available, &read, nullptr) || read == 0) break;
    got.append(chunk, 0, read);
  }
  return got;
}

using Handle = HANDLE;
inline const Handle kNoHandle = INVALID_HANDLE_VALUE;

struct ScopedInput : ScopedStdHandle {
  explicit ScopedInput(Handle replacement) : ScopedStdHandle(STD_INPUT_HANDLE, replacement) {}
};

struct ScopedOutput : ScopedStdHandle {
  explicit ScopedOutput(Handle replacement) : ScopedStdHandle(STD_OUTPUT_HANDLE, replacement) {}
};

inline void PrepareStandardHandles() {}
inline Handle OpenNullInput() {
  return CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}
inline Handle CreateForWriting(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
inline void Close(Handle handle) { CloseHandle(handle); }

}  // namespace tessaro::testing

// What the fuzz targets share: a console that shows nothing, input bytes as a file the program
// can open by name, and a check that stops the run where a fuzzer sees it.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/silent_terminal.hpp"
#include "console/terminal.hpp"
#include "map/map_file.hpp"

// An abort is what libFuzzer and the corpus replay both report, with the input that caused it.
#define TESSARO_FUZZ_CHECK(condition)                                                   \
  do {                                                                                  \
    if (!(condition)) {                                                                 \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (false)

namespace tessaro::fuzz {

// Installed afresh for every input, so that no input sees what an earlier one left behind.
inline void SilenceConsole() {
  static SilentTerminal terminal;
  UseTerminal(&terminal);
}

// A file in memory, reached by a path: written and read without touching a disk.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("tessaro-fuzz", 0)) {
    TESSARO_FUZZ_CHECK(fd_ >= 0);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // Makes the bytes the whole content and gives the path to open them by.
  const std::string& Hold(const std::uint8_t* data, std::size_t size) {
    TESSARO_FUZZ_CHECK(ftruncate(fd_, 0) == 0);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t wrote = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      TESSARO_FUZZ_CHECK(wrote > 0);
      done += static_cast<std::size_t>(wrote);
    }
    return path_;
  }

 private:
  int fd_;
  std::string path_;
};

inline bool SameMap(const MapFile& a, const MapFile& b) {
  return a.mapversion == b.mapversion && a.posx == b.posx && a.posy == b.posy && a.posz == b.posz &&
         a.ang == b.ang && a.cursectnum == b.cursectnum && a.numsectors == b.numsectors &&
         a.numwalls == b.numwalls && a.numsprites == b.numsprites && a.sectordata == b.sectordata &&
         a.walldata == b.walldata && a.spritedata == b.spritedata;
}

}  // namespace tessaro::fuzz

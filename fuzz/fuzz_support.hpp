// What the fuzz targets share: a console that shows nothing, and a check that stops the run where
// a fuzzer sees it.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "console/silent_terminal.hpp"
#include "console/terminal.hpp"

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

}  // namespace tessaro::fuzz

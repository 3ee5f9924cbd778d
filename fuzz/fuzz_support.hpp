// The check the fuzz targets share: it stops the run where a fuzzer sees it.
#pragma once

#include <cstdio>
#include <cstdlib>

// An abort is what libFuzzer and the corpus replay both report, with the input that caused it.
#define TESSARO_FUZZ_CHECK(condition)                                                   \
  do {                                                                                  \
    if (!(condition)) {                                                                 \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (false)

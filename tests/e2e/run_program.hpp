// Runs the built program as a user would: in a directory, with words, input and output redirected.
#pragma once

#include <string>
#include <vector>

namespace tessaro::testing {

struct ProgramRun {
  int status = -1;      // exit status; 128 + signal number when a signal ended it
  std::string output;   // everything written to standard output
};

// The words that start the program: the build's own tessaro, or the one that TESSARO_TEST_PROGRAM
// names, behind the words of TESSARO_TEST_RUNNER when set (a Windows build under "wine").
std::vector<std::string> ProgramCommand();

// `input` is fed to standard input, which then ends.
ProgramRun RunTessaro(const std::string& directory, const std::vector<std::string>& words,
                      const std::string& input = "");

// The banner as it reads in redirected output, where the console has no width.
std::string RedirectedBanner();

}  // namespace tessaro::testing

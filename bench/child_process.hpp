// Running one command the way a person would from a shell, and what it cost.
#pragma once

#include <string>
#include <vector>

namespace tessaro::bench {

struct RunCost {
  double wall_ms = 0;      // from just before the start to just after the end
  double cpu_ms = 0;       // user plus system time of the process
  long peak_kib = 0;       // maximum resident set
  int status = -1;         // the exit status; -1 when it did not run or did not end by itself
  bool succeeded = false;  // as the caller judges the status and the outputs
};

// Runs `words` (the first one found on PATH) in the current directory, with standard input from
// /dev/null and standard output and error into `log`, and waits for it. The peak memory the
// kernel reports includes the caller's own at the start, so only a small caller gets it right.
RunCost RunCommand(const std::vector<std::string>& words, const std::string& log);

// RunCommand done by the small `launcher` program on our behalf, so that the peak memory is the
// command's own and not that of the benchmark, which holds the generated maps.
RunCost RunThroughLauncher(const std::string& launcher, const std::vector<std::string>& words,
                           const std::string& log);

// The launcher's side: one line that RunThroughLauncher reads back.
std::string CostLine(const RunCost& cost);

}  // namespace tessaro::bench

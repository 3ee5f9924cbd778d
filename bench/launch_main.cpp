// Runs one command for the benchmark and prints what it cost. Kept small, because the kernel
// counts the memory of whoever starts a command into the command's peak.
#include <cstdio>

#include "bench/child_process.hpp"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: tessaro_bench_launch <log> <command> [<argument>...]\n", stderr);
    return 2;
  }
  const std::vector<std::string> words(argv + 2, argv + argc);
  std::fputs(tessaro::bench::CostLine(tessaro::bench::RunCommand(words, argv[1])).c_str(), stdout);
  return 0;
}

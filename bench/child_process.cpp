#include "bench/child_process.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>

extern char** environ;

namespace tessaro::bench {

namespace {

constexpr const char* kCostFile = "launcher.cost";

double Milliseconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) * 1000.0 + static_cast<double>(time.tv_usec) / 1000.0;
}

// Starts the command with the given standard output; returns its exit status and usage.
bool Spawn(const std::vector<std::string>& words, const std::string& output, int& status, rusage& usage) {
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  while (wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

RunCost RunCommand(const std::vector<std::string>& words, const std::string& log) {
  RunCost cost;
  int status = 0;
  rusage usage{};
  const auto start = std::chrono::steady_clock::now();
  if (!Spawn(words, log, status, usage)) return cost;
  const auto end = std::chrono::steady_clock::now();
  cost.wall_ms = std::chrono::duration<double, std::milli>(end - start).count();
  cost.cpu_ms = Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
  cost.peak_kib = usage.ru_maxrss;
  cost.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return cost;
}

RunCost RunThroughLauncher(const std::string& launcher, const std::vector<std::string>& words,
                           const std::string& log) {
  std::vector<std::string> launch = {launcher, log};
  launch.insert(launch.end(), words.begin(), words.end());
  int status = 0;
  rusage usage{};
  RunCost cost;
  if (!Spawn(launch, kCostFile, status, usage) || !WIFEXITED(status)) return cost;
  std::ifstream(kCostFile) >> cost.wall_ms >> cost.cpu_ms >> cost.peak_kib >> cost.status;
  return cost;
}

std::string CostLine(const RunCost& cost) {
  char line[128];
  std::snprintf(line, sizeof line, "%.4f %.4f %ld %d\n", cost.wall_ms, cost.cpu_ms, cost.peak_kib, cost.status);
  return line;
}

}  // namespace tessaro::bench

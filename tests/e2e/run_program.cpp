#include "tests/e2e/run_program.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace tessaro::testing {

std::vector<std::string> ProgramCommand() {
  std::vector<std::string> command;
  if (const char* runner = std::getenv("TESSARO_TEST_RUNNER")) {
    std::istringstream words(runner);
    for (std::string word; words >> word;) command.push_back(word);
  }
  const char* program = std::getenv("TESSARO_TEST_PROGRAM");
  command.emplace_back(program != nullptr && program[0] != '\0' ? program : TESSARO_PROGRAM);
  return command;
}

ProgramRun RunTessaro(const std::string& directory, const std::vector<std::string>& words, const std::string& input) {
  ProgramRun run;
  char input_name[] = "/tmp/tessaro-input-XXXXXX";
  char output_name[] = "/tmp/tessaro-output-XXXXXX";
  const int input_fd = mkstemp(input_name);
  const int output_fd = mkstemp(output_name);
  if (input_fd < 0 || output_fd < 0) return run;
  if (write(input_fd, input.data(), input.size()) != static_cast<ssize_t>(input.size())) return run;
  lseek(input_fd, 0, SEEK_SET);

  std::vector<std::string> copies = ProgramCommand();
  copies.insert(copies.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : copies) argv.push_back(word.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    if (chdir(directory.c_str()) != 0) _exit(126);
    dup2(input_fd, STDIN_FILENO);
    dup2(output_fd, STDOUT_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);

  lseek(output_fd, 0, SEEK_SET);
  char buffer[4096];
  for (ssize_t got; (got = read(output_fd, buffer, sizeof buffer)) > 0;) run.output.append(buffer, static_cast<std::size_t>(got));
  close(input_fd);
  close(output_fd);
  unlink(input_name);
  unlink(output_name);
  return run;
}

std::string RedirectedBanner() {
  return "Tessaro converts Build Maps    Version 0.1    2014\r\n"
         "\r\n"
         "One hundred bucks to whoever recognize the layout I'm shamelessly ripping off.\r\n"
         "\r\n";
}

}  // namespace tessaro::testing

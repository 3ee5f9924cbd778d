// The program started the Windows way: CreateProcessA with its standard handles on files.
#include "platform/win32_api.hpp"

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/run_program.hpp"

namespace tessaro::testing {

namespace {

// A word as the C runtime splits it back out of a command line.
std::string Quoted(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

HANDLE Scratch(const std::string& path, DWORD access, DWORD creation) {
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, creation,
                     FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

std::string ScratchName(const char* prefix) {
  char directory[MAX_PATH] = {};
  char name[MAX_PATH] = {};
  if (GetTempPathA(MAX_PATH, directory) == 0 || GetTempFileNameA(directory, prefix, 0, name) == 0) return {};
  return name;
}

}  // namespace

std::vector<std::string> ProgramCommand() {
  const char* program = std::getenv("TESSARO_TEST_PROGRAM");
  char full[MAX_PATH] = {};
  GetFullPathNameA(program != nullptr && program[0] != '\0' ? program : TESSARO_PROGRAM, MAX_PATH, full, nullptr);
  return {full};
}

ProgramRun RunTessaro(const std::string& directory, const std::vector<std::string>& words, const std::string& input) {
  ProgramRun run;
  const std::string input_name = ScratchName("tin");
  const std::string output_name = ScratchName("tout");
  if (input_name.empty() || output_name.empty()) return run;
  HANDLE in = Scratch(input_name, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE out = Scratch(output_name, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  DWORD done = 0;
  WriteFile(in, input.data(), static_cast<DWORD>(input.size()), &done, nullptr);
  SetFilePointer(in, 0, nullptr, FILE_BEGIN);

  std::string command_line;
  std::vector<std::string> command = ProgramCommand();
  command.insert(command.end(), words.begin(), words.end());
  for (const std::string& word : command) command_line += (command_line.empty() ? "" : " ") + Quoted(word);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(command.front().c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     directory.c_str(), &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  SetFilePointer(out, 0, nullptr, FILE_BEGIN);
  char buffer[4096];
  for (DWORD got = 0; ReadFile(out, buffer, sizeof buffer, &got, nullptr) && got > 0;) run.output.append(buffer, got);
  CloseHandle(in);
  CloseHandle(out);
  DeleteFileA(input_name.c_str());
  DeleteFileA(output_name.c_str());
  return run;
}

}  // namespace tessaro::testing

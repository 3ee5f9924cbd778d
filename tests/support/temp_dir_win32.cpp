#include "platform/win32_api.hpp"

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.hpp"

namespace tessaro::testing {

std::string MakeUniqueDirectory() {
  std::string base = std::filesystem::temp_directory_path().generic_string();
  if (!base.empty() && base.back() == '/') base.pop_back();
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = base + "/tessaro-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount64() % 100000) + "-" + std::to_string(counter++);
    if (CreateDirectoryA(path.c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

void MakeRemovable(const std::string& directory) {
  // A read-only file cannot be deleted, even from a writable directory.
  std::error_code ignored;
  for (auto it = std::filesystem::recursive_directory_iterator(directory, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    SetFileAttributesA(it->path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace tessaro::testing

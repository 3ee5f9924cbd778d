#include <stdlib.h>

#include <filesystem>

#include "tests/support/temp_dir.hpp"

namespace tessaro::testing {

std::string MakeUniqueDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

void MakeRemovable(const std::string& directory) {
  // Tests make files read-only; the owner may always remove them from a writable directory.
  std::error_code ignored;
  std::filesystem::permissions(directory, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                               ignored);
}

}  // namespace tessaro::testing

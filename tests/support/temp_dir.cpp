#include "tests/support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tessaro::testing {

TempDir::TempDir() {
  path_ = MakeUniqueDirectory();
  if (path_.empty()) ADD_FAILURE() << "cannot create a temporary directory";
  path_ += "/";
}

TempDir::~TempDir() {
  std::error_code ignored;
  MakeRemovable(path_);
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string SamplePath(int version, const std::string& level) {
  return std::string(TESSARO_SOURCE_DIR) + "/samples/v" + std::to_string(version) + "/" + level + ".map";
}

}  // namespace tessaro::testing

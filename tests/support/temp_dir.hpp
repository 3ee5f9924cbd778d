// A fresh directory for one test, removed with everything in it when the test ends, and the
// file helpers the tests share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaro::testing {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, with "/" separators, ending in "/".
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }
  // Names of the entries, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);
std::string SamplePath(int version, const std::string& level);

}  // namespace tessaro::testing

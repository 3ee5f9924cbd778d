// A fresh directory for one test, removed with everything in it when the test ends.
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

  // The directory, ending in "/".
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }
  // Names of the entries, sorted, "." and ".." left out.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

// The platform's part, one file per platform: a new directory of its own under the system's
// temporary directory ("" when none can be made), and undoing whatever the tests did to the files
// in one that keeps them from being removed.
std::string MakeUniqueDirectory();
void MakeRemovable(const std::string& directory);

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);
std::string SamplePath(int version, const std::string& level);

}  // namespace tessaro::testing

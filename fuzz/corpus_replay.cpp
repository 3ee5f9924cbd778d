// Replays a fuzz target's inputs as an ordinary test: every file of the folders given, each in a
// buffer of exactly its size, so that the sanitizers catch a read one byte past the end.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::filesystem::path> files;
    std::error_code missing;  // a folder that does not exist holds no inputs
    for (const auto& entry : std::filesystem::directory_iterator(argv[i], missing)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
      std::memcpy(exact.get(), bytes.data(), bytes.size());
      std::cout << file.string() << std::endl;  // the last name printed is the one that broke
      LLVMFuzzerTestOneInput(exact.get(), bytes.size());
      ++replayed;
    }
  }
  std::cout << replayed << " inputs replayed" << std::endl;
  return replayed > 0 ? 0 : 1;  // a corpus that went missing must not pass unnoticed
}

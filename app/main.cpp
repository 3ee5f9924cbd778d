#include <string>
#include <vector>

#include "app/driver.hpp"
#include "platform/process.hpp"

int main(int argc, char** argv) {
  tessaro::PrepareStandardStreams();
  std::vector<std::string> words;
  for (int i = 0; i < argc; ++i) words.emplace_back(argv[i]);
  return tessaro::RunProgram(words);
}

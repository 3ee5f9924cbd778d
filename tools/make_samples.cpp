// Writes the shipped sample maps: each level built at version 7 and stepped down to version 3.
#include <cstdio>
#include <string>

#include "map/conversion.hpp"
#include "map/map_file.hpp"
#include "tools/sample_level.hpp"

int main(int argc, char** argv) {
  using namespace tessaro;
  const std::string folder = argc > 1 ? argv[1] : "samples";
  struct Level {
    const char* name;
    std::int32_t rooms;
    std::uint32_t seed;
  };
  constexpr Level kLevels[] = {{"courtyard", 5, 1}, {"warehouse", 12, 2}};
  for (const Level& level : kLevels) {
    MapFile map = BuildSampleLevel(level.rooms, level.seed);
    for (std::int32_t version = kHighestVersion;; --version) {
      const std::string path = folder + "/v" + std::to_string(version) + "/" + level.name + ".map";
      if (SaveMap(path, map) != Ok) return 1;
      if (version == kLowestVersion) break;
      if (DowngradeMap(map) != Ok) return 1;
    }
  }
  return 0;
}

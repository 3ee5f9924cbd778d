// A map file's bytes through all the program does with a map: open, every step up and down to
// every other version, the tile pass, save, and open the saved file again.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "fuzz/fuzz_support.hpp"
#include "map/conversion.hpp"
#include "tiles/replace_tiles.hpp"
#include "tiles/tile_swap_table.hpp"

namespace tessaro::fuzz {
namespace {

// Saves need a real directory: the safe save renames a temporary file beside its target. One in
// memory, where there is one, keeps the disk out of every run.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::error_code unknown;
    const bool in_memory = std::filesystem::is_directory("/dev/shm", unknown) && access("/dev/shm", W_OK) == 0;
    std::string pattern = (in_memory ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path()) /
                          "tessaro-fuzz-XXXXXX";
    TESSARO_FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    path_ = pattern + "/";
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  std::string File(const char* name) const { return path_ + name; }

 private:
  std::string path_;
};

const TileSwapTable& SwapTable() {
  static const TileSwapTable table = [] {
    TileSwapTable filled;
    filled.GrowTo(TileSwapTable::kHighestTile);
    for (std::int32_t low = 0; low <= TileSwapTable::kHighestTile; low += 64) {
      filled.Fill(low, low + 31, static_cast<std::int16_t>(low * 5 - 16000));
    }
    return filled;
  }();
  return table;
}

// What a saved file needs: a known version and arrays of exactly count times record size.
void CheckConsistent(const MapFile& map, const MapFile& original) {
  TESSARO_FUZZ_CHECK(IsKnownVersion(map.mapversion));
  TESSARO_FUZZ_CHECK(map.numsectors == original.numsectors && map.numwalls == original.numwalls &&
                     map.numsprites == original.numsprites);
  TESSARO_FUZZ_CHECK(map.posx == original.posx && map.posy == original.posy && map.posz == original.posz &&
                     map.ang == original.ang && map.cursectnum == original.cursectnum);
  const RecordSizes& sizes = RecordSizeTable[map.mapversion];
  TESSARO_FUZZ_CHECK(map.sectordata.size() == static_cast<std::size_t>(map.numsectors) * sizes.sector);
  TESSARO_FUZZ_CHECK(map.walldata.size() == static_cast<std::size_t>(map.numwalls) * sizes.wall);
  TESSARO_FUZZ_CHECK(map.spritedata.size() == static_cast<std::size_t>(map.numsprites) * sizes.sprite);
}

void CheckSaveAndReopen(const MapFile& map) {
  static const ScratchDirectory scratch;
  const std::string path = scratch.File("out.map");
  TESSARO_FUZZ_CHECK(SaveMap(path, map) == Ok);
  MapFile again;
  TESSARO_FUZZ_CHECK(OpenMap(path, again) == Ok);
  TESSARO_FUZZ_CHECK(SameMap(map, again));
}

// Steps one way until the last version, checking the map after each step and at the end.
void CheckChain(const MapFile& original, bool up) {
  MapFile map = original;
  const std::int32_t last = up ? kHighestVersion : kLowestVersion;
  while (map.mapversion != last) {
    const std::int32_t before = map.mapversion;
    TESSARO_FUZZ_CHECK((up ? UpgradeMap(map) : DowngradeMap(map)) == Ok);
    TESSARO_FUZZ_CHECK(map.mapversion == before + (up ? 1 : -1));
    CheckConsistent(map, original);
  }
  const MapFile at_end = map;
  TESSARO_FUZZ_CHECK((up ? UpgradeMap(map) : DowngradeMap(map)) == (up ? CannotUpgrade : CannotDowngrade));
  TESSARO_FUZZ_CHECK(SameMap(map, at_end));
  TESSARO_FUZZ_CHECK(ReplaceTiles(map, SwapTable()) == Ok);
  CheckConsistent(map, original);
  CheckSaveAndReopen(map);
}

}  // namespace
}  // namespace tessaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  fuzz::SilenceConsole();
  static fuzz::MemoryFile input;
  MapFile map;
  if (OpenMap(input.Hold(data, size), map) != Ok) {
    TESSARO_FUZZ_CHECK(fuzz::SameMap(map, MapFile{}));
    return 0;
  }
  fuzz::CheckConsistent(map, map);
  fuzz::CheckSaveAndReopen(map);
  // A count far past the input's end only adds zero records, on which the steps repeat the same
  // work; the fuzzer's time is better spent on other inputs.
  constexpr std::size_t kLargestConverted = 64 * 1024;
  if (map.sectordata.size() + map.walldata.size() + map.spritedata.size() > kLargestConverted) return 0;
  fuzz::CheckChain(map, true);
  fuzz::CheckChain(map, false);
  return 0;
}

// A map file's bytes through all the program does with a map: read, every step up and down to
// every other version, the tile pass, written and read again.
#include "fuzz/fuzz_support.hpp"
#include "map/conversion.hpp"
#include "map/map_format.hpp"
#include "map/map_report.hpp"
#include "tests/map/map_builder.hpp"
#include "tiles/renumber_tiles.hpp"

namespace tessaro::fuzz {
namespace {

using testing::SameMap;

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

// What a written file needs: a known version and arrays of exactly count times record size; the
// header and counts as they were read.
void CheckConsistent(const MapFile& map, const MapFile& original) {
  TESSARO_FUZZ_CHECK(IsKnownVersion(map.mapversion));
  TESSARO_FUZZ_CHECK(map.numsectors == original.numsectors && map.numwalls == original.numwalls &&
                     map.numsprites == original.numsprites && map.posx == original.posx &&
                     map.posy == original.posy && map.posz == original.posz && map.ang == original.ang &&
                     map.cursectnum == original.cursectnum);
  const RecordSizes& sizes = RecordSizeTable[map.mapversion];
  TESSARO_FUZZ_CHECK(map.sectordata.size() == static_cast<std::size_t>(map.numsectors) * sizes.sector);
  TESSARO_FUZZ_CHECK(map.walldata.size() == static_cast<std::size_t>(map.numwalls) * sizes.wall);
  TESSARO_FUZZ_CHECK(map.spritedata.size() == static_cast<std::size_t>(map.numsprites) * sizes.sprite);
}

void CheckWrittenAndReadAgain(const MapFile& map) {
  std::vector<std::uint8_t> bytes;
  TESSARO_FUZZ_CHECK(WriteMap(map, bytes) == Ok);
  MapFile again;
  TESSARO_FUZZ_CHECK(ReadMap(bytes, again) == Ok);
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
  TESSARO_FUZZ_CHECK(RenumberTiles(map, SwapTable()) == Ok);
  CheckConsistent(map, original);
  CheckWrittenAndReadAgain(map);
}

}  // namespace
}  // namespace tessaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  MapFile map;
  if (ReadMap(std::span(data, size), map) != Ok) {
    TESSARO_FUZZ_CHECK(testing::SameMap(map, MapFile{}));
    return 0;
  }
  fuzz::CheckConsistent(map, map);
  fuzz::CheckWrittenAndReadAgain(map);
  WallLines(map);
  // A count far past the input's end only adds zero records, on which the steps repeat the same
  // work; the fuzzer's time is better spent on other inputs.
  constexpr std::size_t kLargestConverted = 64 * 1024;
  if (map.sectordata.size() + map.walldata.size() + map.spritedata.size() > kLargestConverted) return 0;
  for (const FieldLoss& loss : LossesDownTo(map, kLowestVersion)) TESSARO_FUZZ_CHECK(loss.changed <= loss.records);
  fuzz::CheckChain(map, true);
  fuzz::CheckChain(map, false);
  return 0;
}

// Properties over generated maps of every version: writing and reading, chains of version steps
// and cut-off files. What each step loses, and what it sets, is written down once, as data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "map/conversion.hpp"
#include "map/map_format.hpp"
#include "map/records.hpp"
#include "tests/map/field_cells.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/case_table.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using enum Field;
using enum RecordKind;
using testing::Bytes;
using testing::ReadBytes;
using testing::SameMap;
using testing::SamplePath;

constexpr RecordKind kKinds[] = {Sector, Wall, Sprite};
constexpr std::uint32_t kAll = 0xFFFFFFFF;
constexpr int kMapsPerVersion = 60;

// Chosen per record of the map a chain starts from: a loss applies Always, when the `bits` of
// field `on` are all Clear or not all clear (Set), or when `on` lies Beyond -bits to bits - 1.
enum class When : std::uint8_t { Always, Clear, Set, Beyond };

// Bits of `field` that may change when a map goes through one step and back (losses.cases).
struct Loss {
  std::int32_t from;
  std::int32_t to;
  RecordKind kind;
  Field field;
  std::uint32_t mask;
  When when = When::Always;
  Field on = wallptr;
  std::uint32_t bits = 0;
};

// Fields a step sets to one value for every record, which the later steps the same way carry.
struct FixedValue {
  std::int32_t from;
  std::int32_t to;
  RecordKind kind;
  Field field;
  std::int32_t value;
};

RecordKind KindNamed(const std::string& name) { return name == "sector" ? Sector : name == "wall" ? Wall : Sprite; }
std::uint32_t Bits(const std::string& cell) { return cell == "all" ? kAll : static_cast<std::uint32_t>(std::stoul(cell, nullptr, 0)); }

const std::vector<Loss> kLosses = [] {
  std::vector<Loss> losses;
  for (const testing::CaseRow& row : testing::ReadCases("map/losses.cases")) {
    const auto& g = row.given;
    if (g[0] != "loss") continue;
    Loss loss{std::stoi(g[1]), std::stoi(g[2]), KindNamed(g[3]), testing::FieldNamed(g[4]), Bits(g[5])};
    if (g.size() > 6) {
      loss.when = g[6] == "clear" ? When::Clear : g[6] == "set" ? When::Set : When::Beyond;
      loss.on = testing::FieldNamed(g[7]);
      loss.bits = Bits(g[8]);
    }
    losses.push_back(loss);
  }
  return losses;
}();

const std::vector<FixedValue> kFixedValues = [] {
  std::vector<FixedValue> fixed;
  for (const testing::CaseRow& row : testing::ReadCases("map/losses.cases")) {
    const auto& g = row.given;
    if (g[0] == "fixed") fixed.push_back({std::stoi(g[1]), std::stoi(g[2]), KindNamed(g[3]), testing::FieldNamed(g[4]), std::stoi(g[5])});
  }
  return fixed;
}();

std::uint32_t WidthMask(const FieldSpec& entry) {
  return entry.size >= 4 ? kAll : (1u << (8 * entry.size)) - 1;
}

bool Applies(const Loss& loss, const MapFile& map, RecordKind kind, std::int32_t index) {
  const std::int32_t on = GetField(map, kind, index, loss.on);
  switch (loss.when) {
    case When::Always: return true;
    case When::Clear: return (static_cast<std::uint32_t>(on) & loss.bits) == 0;
    case When::Set: return (static_cast<std::uint32_t>(on) & loss.bits) != 0;
    case When::Beyond: return on < -static_cast<std::int32_t>(loss.bits) || on >= static_cast<std::int32_t>(loss.bits);
  }
  return false;
}

// Whether the loss's round trip lies inside the chain from `start` to `turn` and back.
bool OnChain(const Loss& loss, std::int32_t start, std::int32_t turn) {
  if (turn < start) return loss.to == loss.from - 1 && loss.to >= turn && loss.from <= start;
  return loss.to == loss.from + 1 && loss.from >= start && loss.to <= turn;
}

MapError Step(MapFile& map, bool up) { return up ? UpgradeMap(map) : DowngradeMap(map); }

// Counts, byte sizes and version agree after every step; on the way out, the values the steps so
// far set hold.
void ExpectConsistent(const MapFile& map, const MapFile& start, std::int32_t version, bool outward) {
  EXPECT_EQ(map.mapversion, version);
  EXPECT_TRUE(map.numsectors == start.numsectors && map.numwalls == start.numwalls &&
              map.numsprites == start.numsprites && map.posx == start.posx && map.posy == start.posy &&
              map.posz == start.posz && map.ang == start.ang && map.cursectnum == start.cursectnum);
  for (RecordKind kind : kKinds) {
    EXPECT_EQ(RecordBytes(map, kind).size(),
              static_cast<std::size_t>(RecordCount(map, kind)) * LayoutOf(version, kind).size);
  }
  const std::int32_t low = std::min(start.mapversion, version), high = std::max(start.mapversion, version);
  for (const FixedValue& fixed : kFixedValues) {
    const bool passed = std::abs(fixed.to - fixed.from) == 1 && (fixed.to > fixed.from) == (version > start.mapversion) &&
                        std::min(fixed.from, fixed.to) >= low && std::max(fixed.from, fixed.to) <= high;
    if (!outward || !passed || LayoutOf(version, fixed.kind).Find(fixed.field) == nullptr) continue;
    for (std::int32_t i = 0; i < RecordsHeld(map, fixed.kind); ++i) {
      ASSERT_EQ(GetField(map, fixed.kind, i, fixed.field), fixed.value)
          << FieldName(fixed.field) << " of record " << i << " from v" << start.mapversion << " at v" << version;
    }
  }
}

// Steps to `turn` and back; every field bit of the start map that no loss on the way names
// must come back. Counts, per loss, the records where a bit it names did change.
void CheckChain(const MapFile& start, std::int32_t turn, std::vector<int>& losses_seen) {
  MapFile map = start;
  const bool up = turn > start.mapversion;
  for (std::int32_t v = start.mapversion; v != turn; v += up ? 1 : -1) {
    ASSERT_EQ(Step(map, up), Ok);
    ExpectConsistent(map, start, v + (up ? 1 : -1), true);
  }
  EXPECT_TRUE(turn != (up ? kHighestVersion : kLowestVersion) || Step(map, up) == (up ? CannotUpgrade : CannotDowngrade));
  for (std::int32_t v = turn; v != start.mapversion; v += up ? -1 : 1) {
    ASSERT_EQ(Step(map, !up), Ok);
    ExpectConsistent(map, start, v + (up ? -1 : 1), false);
  }
  int wrong = 0;
  for (RecordKind kind : kKinds) {
    for (std::int32_t i = 0; i < RecordsHeld(start, kind); ++i) {
      for (const FieldSpec& entry : LayoutOf(start.mapversion, kind).fields) {
        const auto changed = static_cast<std::uint32_t>(GetField(start, kind, i, entry.field) ^
                                                        GetField(map, kind, i, entry.field)) & WidthMask(entry);
        std::uint32_t may_change = 0;
        for (std::size_t l = 0; l < kLosses.size(); ++l) {
          const Loss& loss = kLosses[l];
          if (loss.kind != kind || loss.field != entry.field || !OnChain(loss, start.mapversion, turn) ||
              !Applies(loss, start, kind, i)) {
            continue;
          }
          may_change |= loss.mask;
          if ((changed & loss.mask) != 0) ++losses_seen[l];
        }
        if ((changed & ~may_change) != 0 && wrong++ < 5) {
          ADD_FAILURE() << "v" << start.mapversion << " to v" << turn << " and back: " << FieldName(entry.field)
                        << " of record " << i << " changed in bits 0x" << std::hex << (changed & ~may_change);
        }
      }
    }
  }
}

// Written and read again, a generated map is the same, and gives the same bytes again; taken to
// any other version and back, it keeps what no step loses.
TEST(MapPropertyTest, WrittenAndReadAndTakenThereAndBack) {
  std::mt19937 rng(2);
  std::vector<int> losses_seen(kLosses.size(), 0);
  for (std::int32_t version = kLowestVersion; version <= kHighestVersion; ++version) {
    for (int n = 0; n < kMapsPerVersion; ++n) {
      const MapFile start = testing::RandomMap(version, rng);
      Bytes written, again;
      ASSERT_EQ(WriteMap(start, written), Ok);
      EXPECT_EQ(written.size(), 20u + 6 + start.sectorbytes() + start.wallbytes() + start.spritebytes());
      MapFile read;
      ASSERT_EQ(ReadMap(written, read), Ok);
      ASSERT_EQ(WriteMap(read, again), Ok);
      EXPECT_TRUE(SameMap(read, start) && again == written) << "v" << version << " map " << n;
      for (std::int32_t turn = kLowestVersion; turn <= kHighestVersion; ++turn) {
        if (turn != version) CheckChain(start, turn, losses_seen);
      }
    }
  }
  // Each loss written down is one that happens: the table names no loss that never occurs.
  for (std::size_t l = 0; l < kLosses.size(); ++l) {
    EXPECT_GT(losses_seen[l], 0) << "loss " << l << " (" << FieldName(kLosses[l].field) << ", v"
                                 << kLosses[l].from << " and v" << kLosses[l].to << ") never happened";
  }
}

// A file that ends early reads as if it went on with zero bytes, from 26 bytes on.
TEST(MapPropertyTest, EveryPrefixOfEverySampleReadsAsTheZeroFilledWhole) {
  for (std::int32_t version = kLowestVersion; version <= kHighestVersion; ++version) {
    for (const char* level : {"courtyard", "warehouse"}) {
      const Bytes whole = ReadBytes(SamplePath(version, level));
      for (std::size_t length = whole.size(); length-- > 0;) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        MapFile read;
        const MapError result = ReadMap(cut, read);
        cut.resize(whole.size(), 0);
        MapFile padded;
        ASSERT_EQ(result, length < 26 ? SourceCorrupted : ReadMap(cut, padded)) << level << " v" << version << " " << length;
        EXPECT_TRUE(result != Ok || SameMap(read, padded)) << level << " v" << version << " " << length;
      }
    }
  }
}

}  // namespace
}  // namespace tessaro

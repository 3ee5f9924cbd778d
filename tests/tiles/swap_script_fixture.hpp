// What the swap script tests share: the table check and a fixture with a directory for scripts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"
#include "tiles/swap_script.hpp"

namespace tessaro::testing {

constexpr std::int32_t kHighest = TileSwapTable::kHighestTile;

struct Span {
  std::int32_t low;
  std::int32_t high;
  std::int32_t value;
};

// Every entry from 0 to the highest tile: inside a span (the last one wins) its value, elsewhere
// the tile itself; `top` exactly.
inline void ExpectTable(const TileSwapTable& table, std::int32_t top, const std::vector<Span>& spans) {
  EXPECT_EQ(table.top(), top);
  EXPECT_EQ(table.entries().size(), static_cast<std::size_t>(top) + 1);
  int wrong = 0;
  for (std::int32_t t = 0; t <= kHighest; ++t) {
    std::int32_t expected = t;
    for (const Span& span : spans) {
      if (t >= span.low && t <= span.high) expected = span.value;
    }
    if (table.Lookup(t) != expected && wrong++ < 5) {
      ADD_FAILURE() << "tile " << t << " becomes " << table.Lookup(t) << ", expected " << expected;
    }
  }
  EXPECT_EQ(wrong, 0);
}

class SwapScriptTest : public ::testing::Test {
 protected:
  std::string Write(std::string_view text, const std::string& name = "script.txt") {
    const std::string path = dir_ / name;
    WriteBytes(path, Bytes(text.begin(), text.end()));
    return path;
  }
  ScriptResult Load(std::string_view text) { return LoadSwapScript(Write(text), table_); }
  static std::string LoadingLine(const std::string& path) {
    return ":: Loading " + path + " as a script\r\n";
  }

  TempDir dir_;
  ScopedConsoleCapture console_;
  TileSwapTable table_;
};

}  // namespace tessaro::testing

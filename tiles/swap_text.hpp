// A swap script's text: lines of "source, target" that say which tiles become which. The file
// shell (LoadSwapScript) and the browser page both read scripts through this.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "tiles/tile_swap_table.hpp"

namespace tessaro {

enum ScriptResult : std::int32_t {
  ScriptLoaded = 0,
  ScriptNotFound = 1,  // missing, hidden, system, or a directory
  ScriptNoHandle = 2,
  ScriptUnreadable = 3,
  ScriptEmpty = 4,
  ScriptNoMemory = 5,  // a line too long to hold; the lines before it were taken
};

// ":: Loading swaps.txt as a script"
std::string LoadingLine(std::string_view path);

// Takes a script's bytes as they come, in pieces of any size, and applies each line to the table
// as soon as it ends, the last line naming a tile winning. Tabs count as spaces, a ";" starts a
// comment, LF or CR LF ends a line, and byte 26 ends the text.
class SwapScriptReader {
 public:
  explicit SwapScriptReader(TileSwapTable& table) : table_(table) {}

  // False once the text has ended (byte 26) or a line grew too long to hold: feed no more.
  bool Feed(std::span<const std::uint8_t> bytes);
  // Ends the last line, line end or not.
  ScriptResult Finish();

 private:
  bool Take(char byte);
  bool Append(char byte);
  void EndLine();

  TileSwapTable& table_;
  std::string text_;
  bool in_comment_ = false;
  bool cr_pending_ = false;
  bool ended_ = false;
  bool out_of_memory_ = false;
};

// A whole script at once. An empty one is ScriptEmpty and changes nothing.
ScriptResult ApplySwapScript(std::span<const std::uint8_t> text, TileSwapTable& table);

}  // namespace tessaro

#include "tiles/swap_text.hpp"

#include <new>
#include <string_view>
#include <utility>

#include "console/number_reading.hpp"

namespace tessaro {

namespace {

constexpr char kEndOfText = 26;

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::int32_t WholeNumber(std::string_view text) { return RoundToInt(ReadNumber(text)); }

// One line, already cleaned of blanks and comment.
void ApplyLine(std::string_view text, TileSwapTable& table) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return;
  const std::string_view source = TrimSpaces(text.substr(0, comma));
  const std::string_view target = TrimSpaces(text.substr(comma + 1));

  // Tile numbers are never negative, so "-" always marks a range.
  std::int32_t low = 0;
  std::int32_t high = 0;
  const std::size_t dash = source.find('-');
  if (dash == std::string_view::npos) {
    low = high = WholeNumber(source);
  } else {
    low = WholeNumber(TrimSpaces(source.substr(0, dash)));
    high = WholeNumber(TrimSpaces(source.substr(dash + 1)));
    if (low > high) std::swap(low, high);
  }
  if (low < 0) low = 0;
  if (high > TileSwapTable::kHighestTile) high = TileSwapTable::kHighestTile;

  table.GrowTo(high);
  const auto value = static_cast<std::int16_t>(static_cast<std::uint16_t>(WholeNumber(target)));
  table.Fill(low, high, value);
}

}  // namespace

std::string LoadingLine(std::string_view path) { return ":: Loading " + std::string(path) + " as a script"; }

bool SwapScriptReader::Feed(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (ended_ || out_of_memory_) return false;
    if (byte == kEndOfText) {
      ended_ = true;
    } else if (!Take(static_cast<char>(byte))) {
      out_of_memory_ = true;
    }
  }
  return !ended_ && !out_of_memory_;
}

ScriptResult SwapScriptReader::Finish() {
  if (out_of_memory_) return ScriptNoMemory;
  if (cr_pending_) {
    cr_pending_ = false;
    if (!Append('\r')) return ScriptNoMemory;
  }
  EndLine();
  return ScriptLoaded;
}

// Cleans the bytes of a line as they come: tabs become spaces, runs of spaces fold into one, and a
// comment is dropped at once, so a long comment costs no memory. False when the line grew too
// long to hold.
bool SwapScriptReader::Take(char byte) {
  if (byte == '\n') {
    cr_pending_ = false;  // a CR just before LF is part of the line end
    EndLine();
    return true;
  }
  if (cr_pending_) {
    cr_pending_ = false;
    if (!Append('\r')) return false;
  }
  if (byte == '\r') {
    cr_pending_ = true;
    return true;
  }
  return Append(byte);
}

bool SwapScriptReader::Append(char byte) {
  if (in_comment_) return true;
  if (byte == ';') {
    in_comment_ = true;
    return true;
  }
  if (byte == '\t') byte = ' ';
  if (byte == ' ' && !text_.empty() && text_.back() == ' ') return true;
  try {
    text_.push_back(byte);
  } catch (const std::bad_alloc&) {
    std::string().swap(text_);
    return false;
  }
  return true;
}

void SwapScriptReader::EndLine() {
  ApplyLine(TrimSpaces(text_), table_);
  text_.clear();
  in_comment_ = false;
}

ScriptResult ApplySwapScript(std::span<const std::uint8_t> text, TileSwapTable& table) {
  if (text.empty()) return ScriptEmpty;
  SwapScriptReader reader(table);
  reader.Feed(text);
  return reader.Finish();
}

}  // namespace tessaro

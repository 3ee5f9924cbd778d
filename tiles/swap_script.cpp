#include "tiles/swap_script.hpp"

#include <array>
#include <new>
#include <string_view>
#include <utility>

#include "console/console.hpp"
#include "console/number_reading.hpp"
#include "platform/file_system.hpp"

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

// Gathers the bytes of one line at a time, cleaning them as they come: tabs become spaces, runs
// of spaces fold into one, and a comment is dropped at once, so a long comment costs no memory.
class LineReader {
 public:
  explicit LineReader(TileSwapTable& table) : table_(table) {}

  // False when the line grew too long to hold.
  bool Take(char byte) {
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

  // The end of the text also ends its last line, line end or not.
  bool Finish() {
    if (cr_pending_) {
      cr_pending_ = false;
      if (!Append('\r')) return false;
    }
    EndLine();
    return true;
  }

 private:
  bool Append(char byte) {
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

  void EndLine() {
    ApplyLine(TrimSpaces(text_), table_);
    text_.clear();
    in_comment_ = false;
  }

  TileSwapTable& table_;
  std::string text_;
  bool in_comment_ = false;
  bool cr_pending_ = false;
};

ScriptResult FromFileStatus(FileStatus status, ScriptResult otherwise) {
  return status == FileStatus::NoHandle ? ScriptNoHandle : otherwise;
}

}  // namespace

ScriptResult LoadSwapScript(const std::string& path, TileSwapTable& table) {
  PrintText(":: Loading " + path + " as a script", true);
  // A script on a disc or from an archive is read-only; it is read all the same.
  std::string found;
  const FileStatus search = FindFile(path, kAttrReadOnly, found);
  if (search != FileStatus::Ok) return FromFileStatus(search, ScriptNotFound);
  InputFile file;
  const FileStatus opened = file.Open(found);
  if (opened != FileStatus::Ok) return FromFileStatus(opened, ScriptUnreadable);
  if (file.Length() == 0) return ScriptEmpty;

  LineReader lines(table);
  std::array<std::uint8_t, 64 * 1024> chunk{};
  for (;;) {
    std::size_t got = 0;
    // A read error ends the text like its end does.
    if (file.Read(chunk, got) != FileStatus::Ok || got == 0) break;
    for (std::size_t i = 0; i < got; ++i) {
      const auto byte = static_cast<char>(chunk[i]);
      if (byte == kEndOfText) return lines.Finish() ? ScriptLoaded : ScriptNoMemory;
      if (!lines.Take(byte)) return ScriptNoMemory;
    }
  }
  return lines.Finish() ? ScriptLoaded : ScriptNoMemory;
}

}  // namespace tessaro

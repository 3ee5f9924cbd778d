#include "map/file_fit.hpp"

#include "map/records.hpp"

namespace tessaro {

namespace {

std::string Number(std::int64_t number, bool commas) { return commas ? WithCommas(number) : std::to_string(number); }

std::string Bytes(std::int64_t count, bool commas) { return Number(count, commas) + (count == 1 ? " byte" : " bytes"); }

}  // namespace

std::string WithCommas(std::int64_t number) {
  std::string digits = std::to_string(number);
  const std::ptrdiff_t sign = number < 0 ? 1 : 0;
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > sign; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), 1, ',');
  }
  return digits;
}

FileFit FitOf(const MapFile& map, const SourceExtent& source) {
  const MapFileContent content(map);
  const auto pieces = content.pieces();
  std::uint64_t whole = 0;
  for (const auto& piece : pieces) whole += piece.size();
  FileFit fit;
  if (content.error() != Ok) return fit;
  if (source.bytes >= whole) {
    fit.extra = static_cast<std::int64_t>(source.bytes - whole);
    fit.extra_zero = source.zero_tail;
    return fit;
  }
  fit.missing = static_cast<std::int64_t>(whole - source.bytes);
  // The pieces after the header in file order: each kind's records, from version 5 on each behind
  // its own count. A count the file lacks was read as 0, so its records are no piece at all.
  struct Piece {
    RecordKind kind;
    bool count;
  };
  using enum RecordKind;
  static constexpr Piece kCountsTogether[] = {{Sector, false}, {Wall, false}, {Sprite, false}};
  static constexpr Piece kCountsApart[] = {{Sector, false}, {Wall, true}, {Wall, false}, {Sprite, true}, {Sprite, false}};
  const std::span<const Piece> kinds = pieces.size() == std::size(kCountsApart) + 1
                                           ? std::span<const Piece>(kCountsApart)
                                           : std::span<const Piece>(kCountsTogether);
  std::uint64_t start = pieces.front().size();
  for (std::size_t i = 1; i < pieces.size(); start += pieces[i].size(), ++i) {
    if (pieces[i].empty() || start + pieces[i].size() <= source.bytes) continue;
    const auto [kind, count] = kinds[i - 1];
    const auto first =
        static_cast<std::int32_t>(source.bytes > start ? (source.bytes - start) / LayoutOf(map.mapversion, kind).size : 0);
    fit.zeroed.push_back({kind, count, count ? 0 : first, count ? 0 : RecordCount(map, kind) - 1});
  }
  return fit;
}

bool LosesBytes(const FileFit& fit) { return fit.missing > 0 || (fit.extra > 0 && !fit.extra_zero); }

std::string ZeroedText(const FileFit& fit, bool commas) {
  std::string text;
  for (const ZeroedRecords& zeroed : fit.zeroed) {
    const std::string name(KindName(zeroed.kind));
    const std::string what = zeroed.count                  ? "the number of " + name + "s"
                             : zeroed.first == zeroed.last ? name + " " + Number(zeroed.last, commas)
                                                           : name + "s " + Number(zeroed.first, commas) + " to " +
                                                                 Number(zeroed.last, commas);
    text += (text.empty() ? "" : ", ") + what;
  }
  return text;
}

std::vector<std::string> FitLines(const FileFit& fit) {
  if (fit.missing > 0) {
    return {"   File ends " + Bytes(fit.missing, false) + " early: " + ZeroedText(fit, false) + " read as zeros"};
  }
  if (LosesBytes(fit)) return {"   " + Bytes(fit.extra, false) + " after the last record not carried over"};
  return {};
}

std::vector<std::string> ExtentNotes(const FileFit& fit) {
  if (fit.missing > 0) {
    return {"The file ends " + Bytes(fit.missing, true) + " early: its last records were read as zeros.",
            "Read as zeros: " + ZeroedText(fit, true) + "."};
  }
  if (!LosesBytes(fit)) return {};
  return {Bytes(fit.extra, true) + (fit.extra == 1 ? " after the last record is" : " after the last record are") +
          " not carried over."};
}

}  // namespace tessaro

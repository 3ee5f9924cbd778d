#include "map/map_report.hpp"

#include <algorithm>
#include <utility>

#include "map/conversion.hpp"
#include "map/convert_step.hpp"
#include "map/map_format.hpp"
#include "map/records.hpp"

namespace tessaro {

namespace {

constexpr RecordKind kKinds[] = {RecordKind::Sector, RecordKind::Wall, RecordKind::Sprite};

bool Copied(std::span<const FieldRule> rules, Field field) {
  return std::any_of(rules.begin(), rules.end(), [field](const FieldRule& r) {
    return r.rule == Rule::Copy && r.from == field;
  });
}

// What a field's values are called; a field no step loses keeps its own name.
std::string FieldPhrase(Field field) {
  using enum Field;
  static constexpr std::pair<Field, std::string_view> kPhrases[] = {
      {filler, "filler bytes"},          {ceilingheinum, "ceiling slopes"},   {floorheinum, "floor slopes"},
      {ceilingstat, "ceiling flags"},     {floorstat, "floor flags"},          {cstat, "flags"},
      {pal, "palettes"},                  {ceilingpal, "ceiling palettes"},    {floorpal, "floor palettes"},
      {clipdist, "clipping distances"},   {xoffset, "x offsets"},              {yoffset, "y offsets"},
      {visibility, "visibilities"},       {extra, "extra values"},             {xvel, "x velocities"},
      {yvel, "y velocities"},             {xpanning, "x pannings"},            {ypanning, "y pannings"},
      {ceilingxpanning, "ceiling x pannings"}, {ceilingypanning, "ceiling y pannings"},
      {floorxpanning, "floor x pannings"},     {floorypanning, "floor y pannings"},
  };
  for (const auto& [f, phrase] : kPhrases) {
    if (f == field) return std::string(phrase);
  }
  return std::string(FieldName(field));
}

std::string KindName(RecordKind kind) {
  return kind == RecordKind::Sector ? "sector" : kind == RecordKind::Wall ? "wall" : "sprite";
}

std::string WithCommas(std::int64_t number) {
  std::string digits = std::to_string(number);
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), 1, ',');
  }
  return digits;
}

}  // namespace

std::vector<WallLine> WallLines(const MapFile& map) {
  std::vector<WallLine> lines;
  const std::int32_t walls = RecordsHeld(map, RecordKind::Wall);
  for (std::int32_t wall = 0; wall < walls; ++wall) {
    const std::int32_t next = GetField(map, RecordKind::Wall, wall, Field::point2);
    if (next < 0 || next >= walls) continue;
    const std::int32_t other = GetField(map, RecordKind::Wall, wall, Field::nextwall);
    lines.push_back({GetField(map, RecordKind::Wall, wall, Field::x), GetField(map, RecordKind::Wall, wall, Field::y),
                     GetField(map, RecordKind::Wall, next, Field::x), GetField(map, RecordKind::Wall, next, Field::y),
                     other >= 0 && other < walls});
  }
  return lines;
}

std::vector<FieldLoss> LossesDownTo(const MapFile& map, std::int32_t target) {
  std::vector<FieldLoss> losses;
  MapFile at = map;
  while (at.mapversion > target) {
    const auto steps = DowngradeSteps();
    const auto step = std::find_if(steps.begin(), steps.end(),
                                   [&](const StepRules& s) { return s.from_version == at.mapversion; });
    if (step == steps.end()) break;
    MapFile down = at;
    if (DowngradeMap(down) != Ok) break;
    MapFile back = down;
    if (UpgradeMap(back) != Ok) break;
    for (const RecordKind kind : kKinds) {
      const std::int32_t records = RecordsHeld(at, kind);
      for (const FieldSpec& place : LayoutOf(at.mapversion, kind).fields) {
        if (Copied(TableOf(*step, kind), place.field)) continue;
        std::int32_t changed = 0;
        for (std::int32_t i = 0; i < records; ++i) {
          changed += GetField(at, kind, i, place.field) != GetField(back, kind, i, place.field) ? 1 : 0;
        }
        losses.push_back({at.mapversion, kind, place.field, changed, records});
      }
    }
    FreeMap(back);
    FreeMap(at);
    at = std::move(down);
  }
  FreeMap(at);
  return losses;
}

std::string LossLine(const FieldLoss& loss) {
  const std::string kind = KindName(loss.kind);
  return kind + " " + FieldPhrase(loss.field) + ": " + WithCommas(loss.changed) + " of " + WithCommas(loss.records) +
         " " + kind + "s";
}

std::vector<std::string> ExtentNotes(const MapFile& map, std::uint64_t file_bytes) {
  const MapFileContent content(map);
  const auto pieces = content.pieces();
  std::uint64_t whole = 0;
  for (const auto& piece : pieces) whole += piece.size();
  if (content.error() != Ok || file_bytes == whole) return {};
  if (file_bytes > whole) {
    const auto extra = static_cast<std::int64_t>(file_bytes - whole);
    return {WithCommas(extra) + (extra == 1 ? " byte after the last record is" : " bytes after the last record are") +
            " not carried over."};
  }
  // The pieces in file order: the header, then each kind's records, from version 5 on each behind
  // its own count. A count the file lacks was read as 0.
  struct Piece {
    RecordKind kind;
    bool records;
  };
  using enum RecordKind;
  static constexpr Piece kCountsTogether[] = {{Sector, false}, {Sector, true}, {Wall, true}, {Sprite, true}};
  static constexpr Piece kCountsApart[] = {{Sector, false}, {Sector, true}, {Wall, false},
                                           {Wall, true},    {Sprite, false}, {Sprite, true}};
  const std::span<const Piece> kinds = pieces.size() == std::size(kCountsApart) ? std::span<const Piece>(kCountsApart)
                                                                               : std::span<const Piece>(kCountsTogether);
  std::string zeroed;
  std::uint64_t start = pieces.front().size();
  for (std::size_t i = 1; i < pieces.size(); start += pieces[i].size(), ++i) {
    if (pieces[i].empty() || start + pieces[i].size() <= file_bytes) continue;
    const auto [kind, records] = kinds[i];
    const std::string name = KindName(kind);
    const auto first = static_cast<std::int64_t>(file_bytes > start ? (file_bytes - start) / LayoutOf(map.mapversion, kind).size : 0);
    const std::int64_t last = RecordCount(map, kind) - 1;
    const std::string what = !records     ? "the number of " + name + "s"
                             : first == last ? name + " " + WithCommas(last)
                                             : name + "s " + WithCommas(first) + " to " + WithCommas(last);
    zeroed += (zeroed.empty() ? "" : ", ") + what;
  }
  const auto missing = static_cast<std::int64_t>(whole - file_bytes);
  return {"The file ends " + WithCommas(missing) + (missing == 1 ? " byte" : " bytes") +
              " early: its last records were read as zeros.",
          "Read as zeros: " + zeroed + "."};
}

}  // namespace tessaro

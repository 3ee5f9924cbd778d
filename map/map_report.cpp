#include "map/map_report.hpp"

#include <algorithm>
#include <utility>

#include "map/conversion.hpp"
#include "map/convert_step.hpp"
#include "map/file_fit.hpp"
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
                     other >= 0 && other < walls, wall});
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
  const std::string kind(KindName(loss.kind));
  return kind + " " + FieldPhrase(loss.field) + ": " + WithCommas(loss.changed) + " of " + WithCommas(loss.records) +
         " " + kind + "s";
}

}  // namespace tessaro

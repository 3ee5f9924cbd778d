#include "app/check_loop.hpp"

#include "app/file_loop.hpp"
#include "check/map_check.hpp"
#include "console/console.hpp"
#include "map/map_file.hpp"
#include "map/map_messages.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

namespace {

struct Tally {
  std::int32_t maps = 0;
  std::int32_t errors = 0;
  std::int32_t warnings = 0;  // with warnings only
  std::int32_t sound = 0;
  std::int32_t unreadable = 0;
};

std::string Counted(std::int32_t count, std::string_view thing) {
  return std::to_string(count) + " " + std::string(thing) + (count == 1 ? "" : "s");
}

// ":: Checked 4 maps: 1 with errors, 1 with warnings only, 2 sound", and how many could not be read.
std::string TallyLine(const Tally& tally) {
  return ":: Checked " + Counted(tally.maps, "map") + ": " + std::to_string(tally.errors) + " with errors, " +
         std::to_string(tally.warnings) + " with warnings only, " + std::to_string(tally.sound) + " sound" +
         (tally.unreadable > 0 ? ", " + std::to_string(tally.unreadable) + " unreadable" : "");
}

using Report = std::vector<std::uint8_t>;

void AddLine(Report& report, std::string_view line) {
  report.insert(report.end(), line.begin(), line.end());
  report.push_back('\n');
}

// The map's lines; with a report, its JSON line is added to it.
void CheckEntry(const SourceEntry& entry, std::int32_t target, MapFile& map, Tally& tally, Report* report) {
  ++tally.maps;
  SourceExtent extent;
  const MapError opened = OpenEntry(entry, map, extent, CheckingLine(entry.title));
  if (opened != Ok) {
    FreeMap(map);
    PrintMapError(opened);
    ++tally.unreadable;
    if (report != nullptr) AddLine(*report, UnreadableJson(entry.title, MapErrorMessage(opened)));
    return;
  }
  // The report lists every problem; the lines only the first of each code.
  const MapCheck check = CheckMap(map, FitOf(map, extent), target, report != nullptr ? SIZE_MAX : kLinesPerCode);
  FreeMap(map);
  PrintText("   Version " + std::to_string(check.version) + ", " + Counted(check.sectors, "sector") + ", " +
                Counted(check.walls, "wall") + ", " + Counted(check.sprites, "sprite"),
            true);
  for (const CheckLine& line : CheckLines(check, false)) PrintText("   " + line.text, true);
  if (check.Count(Severity::Error) > 0) {
    ++tally.errors;
  } else if (check.Count(Severity::Warning) > 0) {
    ++tally.warnings;
  } else {
    ++tally.sound;
  }
  if (report != nullptr) AddLine(*report, CheckJson(entry.title, check));
}

}  // namespace

bool CheckFiles(const std::vector<SourceEntry>& files, RunState& state) {
  Tally tally;
  Report report;
  MapFile map;
  Report* const wanted = state.ReportPath.empty() ? nullptr : &report;
  for (const SourceEntry& entry : files) CheckEntry(entry, state.TargetVersion, map, tally, wanted);
  PrintText(TallyLine(tally), true);
  MapError saved = Ok;
  if (!state.ReportPath.empty()) {
    saved = SaveAsked(state.ReportPath, state.OptionFlags, [&] {
      PrintText(SavingLine(state.ReportPath), true);
      const std::span<const std::uint8_t> whole(report);
      const FileStatus written = ReplaceFile(state.ReportPath, std::span(&whole, 1));
      return written == FileStatus::Ok ? Ok : FromFileStatus(written, IoError);
    });
  }
  return tally.errors == 0 && tally.unreadable == 0 && saved == Ok;
}

}  // namespace tessaro

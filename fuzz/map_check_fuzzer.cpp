// A map file's bytes through the checker: every index it reads comes from the file. The problems
// name records that exist, come in the order of the rules, and their words and JSON are whole.
#include <algorithm>

#include "check/map_check.hpp"
#include "fuzz/fuzz_support.hpp"
#include "map/map_format.hpp"

namespace tessaro::fuzz {
namespace {

std::int32_t CountOf(const MapCheck& check, Subject subject) {
  switch (subject) {
    case Subject::Sector: return check.sectors;
    case Subject::Wall: return check.walls;
    case Subject::Sprite: return check.sprites;
    default: return 0;
  }
}

void CheckProblem(const MapCheck& check, const Problem& problem, std::int32_t target) {
  const Subject subject = RuleOf(problem.code).subject;
  if (subject == Subject::File || subject == Subject::Start) {
    TESSARO_FUZZ_CHECK(problem.index == kNoIndex);
  } else if (subject == Subject::Map) {
    TESSARO_FUZZ_CHECK(problem.index == check.version || problem.index == target);
  } else {
    TESSARO_FUZZ_CHECK(problem.index >= 0 && problem.index < CountOf(check, subject));
  }
}

}  // namespace
}  // namespace tessaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  MapFile map;
  SourceExtent extent;
  if (ReadMap(std::span(data, size), map, &extent) != Ok) return 0;
  // Any target, known or not, from the input's length.
  const auto target = static_cast<std::int32_t>(size % 9);
  const MapCheck check = CheckMap(map, FitOf(map, extent), target);
  TESSARO_FUZZ_CHECK(std::is_sorted(check.problems.begin(), check.problems.end(),
                                    [](const Problem& a, const Problem& b) { return a.code < b.code; }));
  for (const Problem& problem : check.problems) fuzz::CheckProblem(check, problem, target);
  // A count far past the input's end only adds zero records with the same problems: their words
  // would cost the fuzzer most of its time.
  constexpr std::size_t kLargestWorded = 64 * 1024;
  if (map.sectordata.size() + map.walldata.size() + map.spritedata.size() > kLargestWorded) return 0;
  for (const Problem& problem : check.problems) TESSARO_FUZZ_CHECK(!ProblemText(problem, check.fit, true).empty());
  const std::int32_t counted =
      check.Count(Severity::Error) + check.Count(Severity::Warning) + check.Count(Severity::Note);
  TESSARO_FUZZ_CHECK(counted == static_cast<std::int32_t>(check.problems.size()));
  const std::vector<CheckLine> lines = CheckLines(check, false);
  TESSARO_FUZZ_CHECK(lines.size() <= check.problems.size() + CheckRules().size());
  TESSARO_FUZZ_CHECK((Verdict(check, true) == "Sound") == check.problems.empty());
  const std::string json = CheckJson("a.map", check);
  TESSARO_FUZZ_CHECK(json.starts_with("{\"file\": ") && json.ends_with("]}"));
  return 0;
}

// The checker: the rows of check.cases on two hand-built rooms, the shipped samples, the capped
// lines, the verdict and the JSON.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "check/map_check.hpp"
#include "map/map_format.hpp"
#include "tests/map/field_cells.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/case_table.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

MapFile TwoRooms(std::int32_t version) {
  MapFile map = testing::EmptyMap(version, 2, 8, 2);
  constexpr std::int32_t kCorners[8][2] = {{0, 0},    {1024, 0},    {1024, 1024}, {0, 1024},
                                           {1024, 0}, {2048, 0},    {2048, 1024}, {1024, 1024}};
  for (std::int32_t w = 0; w < 8; ++w) {
    testing::Apply(map, "wall" + std::to_string(w) + ".x=" + std::to_string(kCorners[w][0]) + " wall" +
                            std::to_string(w) + ".y=" + std::to_string(kCorners[w][1]) + " wall" + std::to_string(w) +
                            ".point2=" + std::to_string(w % 4 == 3 ? w - 3 : w + 1),
                   false, "");
  }
  testing::Apply(map,
                 "wall*.nextwall=-1 wall*.nextsector=-1 wall1.nextwall=7 wall1.nextsector=1 wall7.nextwall=1 "
                 "wall7.nextsector=0 sector1.wallptr=4 sector*.wallnum=4 sprite0.x=512 sprite*.y=512 sprite1.x=1536 "
                 "sprite1.sectnum=1",
                 false, "");
  map.posx = map.posy = 512;
  return map;
}

// More records of a kind: sectors with no walls after the last wall, walls without links, copies
// of sprite 0.
void Grow(MapFile& map, RecordKind kind, std::int32_t count) {
  const std::int32_t was = RecordCount(map, kind);
  const std::uint32_t size = LayoutOf(map.mapversion, kind).size;
  RecordArray& bytes = RecordBytes(map, kind);
  bytes.resize(static_cast<std::size_t>(count) * size);
  std::int16_t& stated = kind == RecordKind::Sector ? map.numsectors : kind == RecordKind::Wall ? map.numwalls : map.numsprites;
  stated = static_cast<std::int16_t>(count);
  for (std::int32_t i = was; i < count; ++i) {
    if (kind == RecordKind::Sector) SetField(map, kind, i, Field::wallptr, map.numwalls);
    if (kind == RecordKind::Sprite) std::copy_n(bytes.begin(), size, bytes.begin() + static_cast<std::ptrdiff_t>(i) * size);
    if (kind != RecordKind::Wall) continue;
    for (const Field field : {Field::point2, Field::nextwall, Field::nextsector}) SetField(map, kind, i, field, -1);
  }
}

constexpr std::string_view kCounts[] = {"sectors", "walls", "sprites"};  // in the order of RecordKind

// The row's map, written and read again as a file of its bytes, and its check.
MapCheck CheckRow(const std::string& version, const std::string& changes, std::string& only) {
  MapFile map = TwoRooms(std::stoi(version));
  std::int32_t target = 0;
  std::size_t cut = 0;
  std::vector<std::uint8_t> tail;
  std::istringstream words(changes);
  for (std::string word; words >> word;) {
    const std::string name = word.substr(0, word.find('=')), value = word.substr(word.find('=') + 1);
    const auto grown = std::find(std::begin(kCounts), std::end(kCounts), name) - std::begin(kCounts);
    if (name == "target") {
      target = std::stoi(value);
    } else if (name == "cut") {
      cut = std::stoul(value);
    } else if (name == "only") {
      only = value;
    } else if (name == "tail") {
      for (std::istringstream bytes(value); std::getline(bytes, word, ',');) tail.push_back(static_cast<std::uint8_t>(std::stoi(word)));
    } else if (grown < 3) {
      Grow(map, static_cast<RecordKind>(grown), std::stoi(value));
    } else if (name == "posx" || name == "posy") {
      (name == "posx" ? map.posx : map.posy) = std::stoi(value);
    } else if (name == "cursectnum") {
      map.cursectnum = static_cast<std::int16_t>(std::stoi(value));
    } else {
      testing::Apply(map, word, false, changes);
    }
  }
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(WriteMap(map, bytes), Ok);
  bytes.resize(bytes.size() - cut);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  SourceExtent extent;
  EXPECT_EQ(ReadMap(bytes, map, &extent), Ok);
  return CheckMap(map, FitOf(map, extent), target);
}

std::string Named(const Problem& problem) {
  const CheckRule& rule = RuleOf(problem.code);
  return std::string(SeverityName(rule.severity)) + " " + std::string(rule.name) + " " +
         (problem.index == kNoIndex ? "-" : std::to_string(problem.index));
}

TEST(CheckCasesTest, EveryRowGivesItsProblemsAndSentences) {
  const std::vector<testing::CaseRow> rows = testing::ReadCases("check/check.cases");
  std::set<std::string> codes;
  for (const testing::CaseRow& row : rows) {
    std::string only;
    const MapCheck check = CheckRow(row.given[0], row.given[1], only);
    std::vector<std::string> got, want;
    for (const Problem& problem : check.problems) {
      if (!RuleOf(problem.code).name.starts_with(only)) continue;
      const std::string named = Named(problem);
      codes.insert(std::string(RuleOf(problem.code).name));
      const auto expected = std::find_if(row.expected.begin(), row.expected.end(),
                                         [&](const std::string& cell) { return cell.starts_with(named + ":"); });
      got.push_back(expected == row.expected.end() ? named : named + ": " + ProblemText(problem, check.fit, false));
    }
    for (const std::string& cell : row.expected) {
      if (!cell.empty()) want.push_back(cell);
    }
    EXPECT_EQ(got, want) << row.where;
  }
  EXPECT_EQ(codes.size(), CheckRules().size()) << "a code no row makes";
}

TEST(CheckSamplesTest, TheShippedMapsAreSound) {
  int checked = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(std::string(TESSARO_SOURCE_DIR) + "/samples")) {
    if (!entry.is_regular_file()) continue;
    const testing::Bytes bytes = testing::ReadBytes(entry.path().string());
    MapFile map;
    SourceExtent extent;
    EXPECT_EQ(ReadMap(bytes, map, &extent), Ok) << entry.path();
    const MapCheck check = CheckMap(map, FitOf(map, extent), 3);
    for (const CheckLine& line : CheckLines(check, false)) ADD_FAILURE() << entry.path() << ": " << line.text;
    ++checked;
  }
  EXPECT_EQ(checked, 10);
}

TEST(CheckTextTest, LinesCapEachCodeAndTheJsonListsEveryProblem) {
  std::string only;
  const MapCheck check = CheckRow("7", "sprites=13 sprite*.statnum=-1 posx=5000", only);
  const std::vector<CheckLine> lines = CheckLines(check, false);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0].text, "Error: sprite 0 has status -1, outside 0 to 1023");
  EXPECT_EQ(lines[10].text, "... and 3 more like this");
  EXPECT_EQ(lines[10].code, CheckCode::SpriteStatusOutside);
  EXPECT_EQ(lines[11].text, "Note: the start position lies outside its sector 0");
  EXPECT_EQ(Verdict(check, false), "13 errors, 1 note");
  const std::string json = CheckJson("maps/a.map", check);
  EXPECT_TRUE(json.starts_with("{\"file\": \"maps/a.map\", \"version\": 7, \"sectors\": 2, \"walls\": 8, \"sprites\": 13, "
                               "\"errors\": 13, \"warnings\": 0, \"notes\": 1, \"problems\": [{\"code\": "
                               "\"sprite-status-outside\", \"severity\": \"error\", \"kind\": \"sprite\", \"index\": 0, "
                               "\"text\": \"sprite 0 has status -1, outside 0 to 1023\"}, "))
      << json;
  EXPECT_TRUE(json.ends_with("{\"code\": \"start-outside-sector\", \"severity\": \"note\", \"kind\": \"start\", "
                             "\"index\": null, \"text\": \"the start position lies outside its sector 0\"}]}"))
      << json;
  EXPECT_EQ(std::count(json.begin(), json.end(), '{'), 15);
  EXPECT_EQ(Verdict(CheckRow("7", "posx=5000", only), false), "Sound, 1 note");
  const Problem many{CheckCode::LimitWalls, 5, {8191, 4096, 0, 0}};
  EXPECT_EQ(ProblemText(many, {}, true), "8,191 walls; games that load version 5 maps take at most 4,096");
  EXPECT_EQ(UnreadableJson("x.map", "   Source file corrupted"), "{\"file\": \"x.map\", \"message\": \"Source file corrupted\"}");
}

std::string SourceText(const std::string& path) {
  std::ifstream in(std::string(TESSARO_SOURCE_DIR) + "/" + path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The README's table of codes and the manual's list say what the rule table says, word for word.
TEST(CheckRulesTest, TheDocsListEveryRuleAsTheTableHasIt) {
  const std::string readme = SourceText("README.md");
  const std::string manual = SourceText("doc/tessaro.1");
  for (const CheckRule& rule : CheckRules()) {
    const std::string severity(SeverityName(rule.severity));
    const std::string words = std::string(rule.summary) + " " + std::string(rule.advice);
    const std::string row = "| `" + std::string(rule.name) + "` | " + severity + " | " + std::string(rule.summary) +
                            " | " + std::string(rule.advice) + " |\n";
    std::string roff(rule.name);
    for (std::size_t at = roff.find('-'); at != std::string::npos; at = roff.find('-', at + 2)) roff.insert(at, "\\");
    EXPECT_NE(readme.find(row), std::string::npos) << row;
    EXPECT_NE(manual.find(".B " + roff + "\n(" + severity + ") " + words + "\n"), std::string::npos) << rule.name;
  }
}

// UTF-8 as it is; control bytes, quotes and backslashes escaped; bytes outside UTF-8 (a lone
// continuation, an overlong form, a surrogate, a cut sequence) each as the Latin-1 character.
TEST(CheckTextTest, JsonStringsOfAnyBytes) {
  EXPECT_EQ(JsonString("a\"b\\c\x01\x7f"), "\"a\\\"b\\\\c\\u0001\x7f\"");
  EXPECT_EQ(JsonString("\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBF"), "\"\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBF\"");
  EXPECT_EQ(JsonString("\xE9\x80\xC0\xAF\xED\xA0\x80\xE2\x82"),
            "\"\\u00e9\\u0080\\u00c0\\u00af\\u00ed\\u00a0\\u0080\\u00e2\\u0082\"");
}

}  // namespace
}  // namespace tessaro

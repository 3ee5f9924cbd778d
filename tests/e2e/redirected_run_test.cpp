// The program run as a user runs it, output redirected, answers to the overwrite question piped
// in: every word of the output is checked, and every file the run leaves.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <utility>

#include "tests/e2e/run_program.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ConvertedSample;
using testing::ReadBytes;
using testing::RedirectedBanner;
using testing::RunTessaro;
using testing::SamplePath;
using testing::TempDir;
using testing::WriteBytes;

const std::string kParsing = ":: Parsing command line parameters\r\n";
const std::string kReplaceOption = ":: OPTIONS\r\n   Always overwrite existing files\r\n";
const Bytes kOld(7, 0x5A);

// The stage lines of one file; without an output name the run stops after the step line.
std::string Converted(const std::string& source, int from, int to, const std::string& output) {
  return ":: Opening " + source + "...\r\n:: " + (to > from ? "Upgrading" : "Downgrading") + " from v" +
         std::to_string(from) + " to v" + std::to_string(to) + "\r\n" +
         (output.empty() ? "" : ":: Saving " + output + "...\r\n");
}

// In redirected output the prompt cannot be wiped, so its blanks follow it.
std::string Prompt(const std::string& name) {
  const std::string question = "\"" + name + "\" already exists, replace";
  return question + "? [Yes/No/Always]" + std::string(question.size() + 18, ' ');
}

using Files = std::vector<std::pair<std::string, Bytes>>;

TEST(CommandLineTest, NoArgumentsShowsTheHelp) {
  TempDir dir;
  const auto run = RunTessaro(dir.path(), {});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, RedirectedBanner() +
                            "Syntax: TESSARO.EXE [Commands]\r\n"
                            "   -In <File>          Input .MAP file\r\n"
                            "   -Out <File>         Output .MAP file\r\n"
                            "   -Version <Version>  Output version number\r\n"
                            "   -SwapTiles <Script> Replace source tiles using a script\r\n"
                            "   -Replace            Always overwrite existing files\r\n"
                            "\r\n"
                            "For more information, please see the readme file.\r\n");
}

// Each parser message once (their every form is in tests/app), then each stop of the driver.
TEST(CommandLineTest, RunStopsBeforeTheFileLoopWithAMessage) {
  TempDir dir;
  WriteBytes(dir / ".hidden.map", ReadBytes(SamplePath(5, "courtyard")));
  std::filesystem::create_directory(dir / "folder.map");
  struct Case {
    std::vector<std::string> words;
    std::string message;
  };
  const Case cases[] = {
      {{"-Ins"}, "   Argument unknown: \"-Ins\"\r\n"},
      {{"foo.map"}, "   Lonely parameter: \"foo.map\"\r\n"},
      {{"-Version", "7", "-In"}, "   Missing parameters: \"-In <File>\"\r\n"},
      {{"-In", "x", "-Version", "9"}, "-Version: <Version> must be a value between 3 and 7\r\n"},
      {{"-Version", "5"}, "Please specify a source file...\r\n"},
      {{"-In", "x"}, "Please specify a version number...\r\n"},
      {{"-In", "nothing", "-Version", "5"}, "No file found...\r\n"},
      {{"-In", "*.map", "-Version", "5"}, "No file found...\r\n"},  // neither a hidden file nor a directory
      {{"-In", ".hidden", "-Version", "5"}, "No file found...\r\n"},
      {{"-In", "folder", "-Version", "5"}, "No file found...\r\n"},
      {{"-In", "missing/dir/*.map", "-Version", "5"}, "No file found...\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.front() + " " + c.words.back());
    const auto run = RunTessaro(dir.path(), c.words);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, RedirectedBanner() + kParsing + c.message);
  }
}

TEST(ConversionRunTest, EachRunConvertsAsAskedAndWritesNothingElse) {
  const Bytes courtyard6 = ReadBytes(SamplePath(6, "courtyard"));
  const Bytes upgraded6 = ConvertedSample(6, "courtyard", 7);
  Bytes version9(30, 0);
  version9[0] = 9;
  const Files answered = {{"a.map", courtyard6}, {"a_v7.map", kOld}, {"b.map", courtyard6}, {"b_v7.map", kOld}};
  struct Case {
    const char* what;
    Files files;
    std::vector<std::string> words;
    std::string input;
    std::string printed;  // after the parsing line
    Files written;        // besides the files above, or in their place
    bool read_only = false;  // the files above
  };
  const Case cases[] = {
      {"a name in other letters", {{"E1L1.MAP", courtyard6}}, {"-In", "e1l1", "-Version", "7"}, "",
       Converted("E1L1.MAP", 6, 7, "E1L1_v7.map"), {{"E1L1_v7.map", upgraded6}}},
      {"3 to 7", {{"low.map", ReadBytes(SamplePath(3, "warehouse"))}}, {"-in", "low.map", "-v", "7"}, "",
       Converted("low.map", 3, 7, "low_v7.map"), {{"low_v7.map", ConvertedSample(3, "warehouse", 7)}}},
      {"7 to 3", {{"high.map", ReadBytes(SamplePath(7, "warehouse"))}}, {"-IN", "HIGH", "-VERSION", "3"}, "",
       Converted("high.map", 7, 3, "high_v3.map"), {{"high_v3.map", ReadBytes(SamplePath(3, "warehouse"))}}},
      {"already there", {{"same.map", ReadBytes(SamplePath(4, "courtyard"))}}, {"-In", "same", "-Version", "4"}, "",
       ":: Opening same.map...\r\n   No upgrade/downgrade needed\r\n", {}},
      {"7.5 rounds to 8", {{"top.map", ReadBytes(SamplePath(7, "courtyard"))}}, {"-In", "top", "-Version", "7.5"}, "",
       Converted("top.map", 7, 8, "") + "   Cannot upgrade source file any further\r\n", {}},
      {"2.5 rounds to 2", {{"bottom.map", ReadBytes(SamplePath(3, "courtyard"))}}, {"-In", "bottom", "-Version", "2.5"},
       "", Converted("bottom.map", 3, 2, "") + "   Cannot downgrade source file any further\r\n", {}},
      {"broken files", {{"a.map", Bytes(10, 0)}, {"b.map", version9}, {"c.map", courtyard6}},
       {"-In", "?.map", "-Version", "7"}, "",
       ":: Opening a.map...\r\n   Source file corrupted\r\n"
       ":: Opening b.map...\r\n   Source file format unsupported\r\n" +
           Converted("c.map", 6, 7, "c_v7.map"),
       {{"c_v7.map", upgraded6}}},
      {"yes, no", answered, {"-In", "?.map", "-Version", "7"}, "yN",
       Converted("a.map", 6, 7, "") + Prompt("a_v7.map") + ":: Saving a_v7.map...\r\n" + Converted("b.map", 6, 7, "") +
           Prompt("b_v7.map"),
       {{"a_v7.map", upgraded6}}},
      {"keys that match nothing, then always", answered, {"-In", "?.map", "-Version", "7"}, "x\r\n ?A",
       Converted("a.map", 6, 7, "") + Prompt("a_v7.map") + ":: Saving a_v7.map...\r\n" +
           Converted("b.map", 6, 7, "b_v7.map"),
       {{"a_v7.map", upgraded6}, {"b_v7.map", upgraded6}}},
      {"end of input answers no", answered, {"-In", "?.map", "-Version", "7"}, "q",
       Converted("a.map", 6, 7, "") + Prompt("a_v7.map") + Converted("b.map", 6, 7, "") + Prompt("b_v7.map"), {}},
      {"-Replace asks nothing", answered, {"-R", "-In", "a", "-Version", "7", "-r"}, "",
       kReplaceOption + Converted("a.map", 6, 7, "a_v7.map"), {{"a_v7.map", upgraded6}}},
      {"a read-only source", {{"disc.map", courtyard6}}, {"-In", "disc", "-Version", "7"}, "",
       Converted("disc.map", 6, 7, "disc_v7.map"), {{"disc_v7.map", upgraded6}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::map<std::string, Bytes> expected;
    for (const auto& [name, bytes] : c.files) {
      WriteBytes(dir / name, expected[name] = bytes);
      if (c.read_only) chmod((dir / name).c_str(), 0444);
    }
    for (const auto& [name, bytes] : c.written) expected[name] = bytes;
    const auto run = RunTessaro(dir.path(), c.words, c.input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, RedirectedBanner() + kParsing + c.printed);
    std::vector<std::string> names;
    for (const auto& [name, bytes] : expected) {
      names.push_back(name);
      EXPECT_EQ(ReadBytes(dir / name), bytes) << name;
    }
    EXPECT_EQ(dir.Entries(), names);
  }
}

TEST(ConversionRunTest, WildcardRunWithOutNamesOnlyTheFirstFile) {
  TempDir dir;
  WriteBytes(dir / "a.map", ReadBytes(SamplePath(5, "courtyard")));
  WriteBytes(dir / "b.map", ReadBytes(SamplePath(5, "warehouse")));
  WriteBytes(dir / "notes.txt", {1, 2, 3});
  mkdir((dir / "sub.map").c_str(), 0755);
  const auto run = RunTessaro(dir.path(), {"-In", "*.map", "-Version", "6", "-Out", "First.MAP"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing + Converted("a.map", 5, 6, "first.map") +
                            Converted("b.map", 5, 6, "b_v6.map"));
  EXPECT_EQ(ReadBytes(dir / "first.map"), ConvertedSample(5, "courtyard", 6));
  EXPECT_EQ(ReadBytes(dir / "b_v6.map"), ConvertedSample(5, "warehouse", 6));
}

}  // namespace
}  // namespace tessaro

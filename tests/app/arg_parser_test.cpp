#include "app/arg_parser.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_args.hpp"
#include "app/run_state.hpp"
#include "tests/support/console_capture.hpp"

namespace tessaro {
namespace {

constexpr const char* kParsing = ":: Parsing command line parameters\r\n";

class ParseCommandLineTest : public ::testing::Test {
 protected:
  ParseCommandLineTest() { RegisterRunArgs(table_, state_); }

  // The program's own name goes in front, as the platform gives it.
  std::int32_t Parse(std::vector<std::string> words) {
    words.insert(words.begin(), "tessaro");
    return ParseCommandLine(words, table_, state_);
  }

  // Source | output | script | version | run error | option flags.
  std::string Stored() const {
    return state_.SourcePath + "|" + state_.OutputPath + "|" + state_.ScriptPath + "|" +
           std::to_string(state_.TargetVersion) + "|" + std::to_string(state_.RunError) + "|" +
           std::to_string(state_.OptionFlags);
  }

  testing::ScopedConsoleCapture console_{80, 25};
  ArgTable table_;
  RunState state_;
};

TEST_F(ParseCommandLineTest, KeywordsInFullOrAbbreviatedInAnyCase) {
  const struct {
    std::vector<const char*> words;
    const char* stored;
  } groups[] = {{{"-In", "-in", "-IN", "-i", "-I", " -iN "}, "name.map|||0|0|0"},
                {{"-SwapTiles", "-st", "-ST", "-swaptiles", "-sT"}, "||name.txt|0|0|0"},
                {{"-Out", "-o"}, "|name.map||0|0|0"}};
  for (const auto& group : groups) {
    for (const char* word : group.words) {
      state_ = RunState();
      EXPECT_EQ(Parse({word, "Name"}), 0) << word;
      EXPECT_EQ(Stored(), group.stored) << word;
    }
  }
}

// Every result of a command line: what it returns, prints after the parsing line, and stores.
TEST_F(ParseCommandLineTest, ResultsAndMessages) {
  struct Case {
    std::vector<std::string> words;
    std::int32_t result;
    std::string printed;
    std::string stored;
  };
  const Case cases[] = {
      {{"-In", "E1L1", "-Out", "Maps\\New.MAP", "-SwapTiles", "Scripts/Swap.TXT"}, 0, "",
       "e1l1.map|maps/new.map|scripts/swap.txt|0|0|0"},
      {{"-In", "-Out"}, 0, "", "-out.map|||0|0|0"},  // a value starting with a dash is still a value
      {{"-In", "a.map", "-i", "b.map"}, 0, "", "b.map|||0|0|0"},
      {{"-In", "a", "", "-Out", "b", "-bogus"}, 0, "", "a.map|||0|0|0"},  // an empty word ends the list
      {{"-In", "a", "-Ins", "-Out", "b"}, 1, "   Argument unknown: \"-Ins\"\r\n", "a.map|||0|0|0"},
      {{"foo.map"}, 1, "   Lonely parameter: \"foo.map\"\r\n", "|||0|0|0"},
      {{" -x "}, 1, "   Lonely parameter: \" -x \"\r\n", "|||0|0|0"},
      {{"-In"}, 1, "   Missing parameters: \"-In <File>\"\r\n", "|||0|0|0"},
      {{"-SwapTiles", "", "x"}, 1, "   Missing parameters: \"-SwapTiles <Script>\"\r\n", "|||0|0|0"},
      // The registered keyword, not the word as typed.
      {{"-v", "9", "-In", "x"}, 0, "-Version: <Version> must be a value between 3 and 7\r\n", "|||0|1|0"},
      {{"-Replace", "-In", "x", "-r"}, 0, ":: OPTIONS\r\n   Always overwrite existing files\r\n", "x.map|||0|0|1"},
      {{"-Version", "3"}, 0, "", "|||3|0|0"},
      {{"-Version", "7"}, 0, "", "|||7|0|0"},
      {{"-Version", "7.5"}, 0, "", "|||8|0|0"},
      {{"-Version", "6.5"}, 0, "", "|||6|0|0"},
      {{"-Version", "&H5"}, 0, "", "|||5|0|0"},
      {{"-Version", "2.5"}, 0, "", "|||2|0|0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.front());
    testing::ScopedConsoleCapture console(80, 25);
    ArgTable table;
    state_ = RunState();
    RegisterRunArgs(table, state_);
    std::vector<std::string> words = c.words;
    words.insert(words.begin(), "tessaro");
    EXPECT_EQ(ParseCommandLine(words, table, state_), c.result);
    EXPECT_EQ(console.Text(), kParsing + c.printed);
    EXPECT_EQ(Stored(), c.stored);
  }
}

TEST_F(ParseCommandLineTest, MissingParametersShowTheUsageInColour) {
  EXPECT_EQ(Parse({"-In"}), 1);
  EXPECT_EQ(console_.Marked(), std::string(kParsing) +
                                   "   Missing parameters: <c7>\"<c15>-<c15>I<c7>n<c8> <File><c7>\"\r\n");
}

TEST_F(ParseCommandLineTest, NoWordsOrAnEmptyFirstWordShowHelp) {
  const std::vector<std::vector<std::string>> lines = {{"tessaro"}, {"tessaro", "", "-In", "a"}, {}};
  for (const auto& words : lines) {
    testing::ScopedConsoleCapture console(80, 25);
    EXPECT_EQ(ParseCommandLine(words, table_, state_), 1);
    EXPECT_EQ(console.Text().rfind("Syntax: TESSARO.EXE [Commands]\r\n", 0), 0u) << console.Text();
  }
  EXPECT_EQ(state_.SourcePath, "");
}

TEST_F(ParseCommandLineTest, OddWordsEndCleanly) {
  const std::string long_word(100000, '-');
  for (const std::string& word : {std::string("-"), std::string(" "), std::string("\""), std::string(":"),
                                  std::string("-\xFF\x80"), std::string("\0x", 2), long_word}) {
    EXPECT_EQ(Parse({word}), 1);
  }
  EXPECT_EQ(Stored(), "|||0|0|0");
}

TEST_F(ParseCommandLineTest, FlagWithoutTargetIsPassedOver) {
  ArgTable table;
  RegisterArg(table, "-Lost", ArgSetter(), "1", "never applied");
  EXPECT_EQ(ParseCommandLine({"tessaro", "-Lost"}, table, state_), 1);
  EXPECT_EQ(console_.Text(), std::string(kParsing) + "   Argument unknown: \"-Lost\"\r\n");
}

TEST(CheckArgValuesTest, EachTypeCompletesOrRejectsItsValue) {
  struct Case {
    const char* templ;
    const char* given;
    bool ok;
    const char* checked;
    const char* printed;
  };
  const char* kRange = "-Key: <Version> must be a value between 3 and 7\r\n";
  const Case cases[] = {
      {"MAP:File", "e1l1", true, "e1l1.map", ""},       {"MAP:File", "E1L1.MAP", true, "E1L1.MAP", ""},
      {"MAP:File", "map", true, "map.map", ""},         {"MAP:File", "a.mapx", true, "a.mapx.map", ""},
      {"map:File", "x", true, "x.map", ""},             {"FIL:Script", "list", true, "list.txt", ""},
      {"FIL:Script", "LIST.Txt", true, "LIST.Txt", ""}, {"FIL:Script", "a.map", true, "a.map.txt", ""},
      // A version is passed on unchanged.
      {"VER:Version", "3", true, "3", ""},              {"VER:Version", "7", true, "7", ""},
      {"VER:Version", "7.5", true, "7.5", ""},          {"VER:Version", "2.5", true, "2.5", ""},
      {"VER:Version", "  5", true, "  5", ""},          {"VER:Version", "2", false, "2", kRange},
      {"VER:Version", "8", false, "8", kRange},         {"VER:Version", "0", false, "0", kRange},
      {"VER:Version", "abc", false, "abc", kRange},     {"XYZ:Thing", "x", false, "x", "-Key: <Thing> must be \r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.templ) + " " + c.given);
    testing::ScopedConsoleCapture console;
    RunState state;
    const CheckedValues result = CheckArgValues("-Key", {c.given}, c.templ, state);
    EXPECT_EQ(result.ok, c.ok);
    EXPECT_EQ(state.RunError, c.ok ? 0 : 1);
    EXPECT_EQ(result.values, std::vector<std::string>{c.checked});
    EXPECT_EQ(console.Text(), c.printed);
  }
}

TEST(CheckArgValuesTest, EveryValueIsCheckedAfterAFailureAndExtraValuesFail) {
  testing::ScopedConsoleCapture console;
  RunState state;
  CheckedValues result = CheckArgValues("-Key", {"abc", "e1", "9"}, "VER:From MAP:Name VER:To", state);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.values, (std::vector<std::string>{"abc", "e1.map", "9"}));
  result = CheckArgValues("-Key", {"a", "b"}, "MAP:File", state);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.values, (std::vector<std::string>{"a.map", "b"}));
  EXPECT_EQ(console.Text(),
            "-Key: <From> must be a value between 3 and 7\r\n"
            "-Key: <To> must be a value between 3 and 7\r\n"
            "-Key: <> must be \r\n");
}

}  // namespace
}  // namespace tessaro

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

  testing::ScopedConsoleCapture console_{80, 25};
  ArgTable table_;
  RunState state_;
};

TEST_F(ParseCommandLineTest, KeywordsInFullOrAbbreviatedInAnyCase) {
  for (const char* word : {"-In", "-in", "-IN", "-i", "-I", " -iN "}) {
    state_.SourcePath.clear();
    EXPECT_EQ(Parse({word, "x"}), 0) << word;
    EXPECT_EQ(state_.SourcePath, "x.map") << word;
  }
  for (const char* word : {"-SwapTiles", "-st", "-ST", "-swaptiles", "-sT"}) {
    state_.ScriptPath.clear();
    EXPECT_EQ(Parse({word, "list"}), 0) << word;
    EXPECT_EQ(state_.ScriptPath, "list.txt") << word;
  }
  EXPECT_EQ(Parse({"-o", "Out"}), 0);
  EXPECT_EQ(state_.OutputPath, "out.map");
}

TEST_F(ParseCommandLineTest, PathsAreCompletedAndNormalized) {
  EXPECT_EQ(Parse({"-In", "E1L1", "-Out", "Maps\\New.MAP", "-SwapTiles", "Scripts/Swap.TXT"}), 0);
  EXPECT_EQ(console_.Text(), kParsing);
  EXPECT_EQ(state_.SourcePath, "e1l1.map");
  EXPECT_EQ(state_.OutputPath, "maps/new.map");
  EXPECT_EQ(state_.ScriptPath, "scripts/swap.txt");
  EXPECT_EQ(state_.RunError, 0);
}

TEST_F(ParseCommandLineTest, ValueStartingWithDashIsStillAValue) {
  EXPECT_EQ(Parse({"-In", "-Out"}), 0);
  EXPECT_EQ(state_.SourcePath, "-out.map");
  EXPECT_EQ(state_.OutputPath, "");
}

TEST_F(ParseCommandLineTest, RepeatedOptionLastOneWins) {
  EXPECT_EQ(Parse({"-In", "a.map", "-i", "b.map"}), 0);
  EXPECT_EQ(state_.SourcePath, "b.map");
}

TEST_F(ParseCommandLineTest, UnknownArgumentStopsReading) {
  EXPECT_EQ(Parse({"-In", "a", "-Ins", "-Out", "b"}), 1);
  EXPECT_EQ(console_.Text(), std::string(kParsing) + "   Argument unknown: \"-Ins\"\r\n");
  EXPECT_EQ(state_.SourcePath, "a.map");  // taken before the stop
  EXPECT_EQ(state_.OutputPath, "");
  EXPECT_EQ(state_.RunError, 0);
}

TEST_F(ParseCommandLineTest, LonelyParameterShowsTheWordAsTyped) {
  EXPECT_EQ(Parse({"foo.map"}), 1);
  EXPECT_EQ(console_.Text(), std::string(kParsing) + "   Lonely parameter: \"foo.map\"\r\n");
}

TEST_F(ParseCommandLineTest, LeadingSpaceMakesALonelyParameterUntrimmed) {
  EXPECT_EQ(Parse({" -x "}), 1);
  EXPECT_EQ(console_.Text(), std::string(kParsing) + "   Lonely parameter: \" -x \"\r\n");
}

TEST_F(ParseCommandLineTest, MissingParametersPrintsTheUsage) {
  EXPECT_EQ(Parse({"-In"}), 1);
  EXPECT_EQ(console_.Text(),
            std::string(kParsing) + "   Missing parameters: \"-In <File>\"\r\n");
  EXPECT_EQ(console_.Marked(), std::string(kParsing) +
                                   "   Missing parameters: <c7>\"<c15>-<c15>I<c7>n<c8> <File>"
                                   "<c7>\"\r\n");
  EXPECT_EQ(state_.SourcePath, "");
}

TEST_F(ParseCommandLineTest, EmptyValueCountsAsMissing) {
  EXPECT_EQ(Parse({"-SwapTiles", "", "x"}), 1);
  EXPECT_EQ(console_.Text(),
            std::string(kParsing) + "   Missing parameters: \"-SwapTiles <Script>\"\r\n");
  EXPECT_EQ(state_.ScriptPath, "");
}

TEST_F(ParseCommandLineTest, FailedValueCheckStopsWithRunError) {
  EXPECT_EQ(Parse({"-v", "9", "-In", "x"}), 0);
  // The registered keyword, not the word as typed.
  EXPECT_EQ(console_.Text(),
            std::string(kParsing) + "-Version: <Version> must be a value between 3 and 7\r\n");
  EXPECT_EQ(state_.RunError, 1);
  EXPECT_EQ(state_.TargetVersion, 0);
  EXPECT_EQ(state_.SourcePath, "");
}

TEST_F(ParseCommandLineTest, VersionIsReadAndRounded) {
  const struct {
    const char* word;
    std::int32_t version;
  } cases[] = {{"3", 3}, {"7", 7}, {"7.5", 8}, {"6.5", 6}, {"&H5", 5}, {"2.5", 2}};
  for (const auto& c : cases) {
    state_.TargetVersion = 0;
    EXPECT_EQ(Parse({"-Version", c.word}), 0) << c.word;
    EXPECT_EQ(state_.TargetVersion, c.version) << c.word;
  }
  EXPECT_EQ(state_.RunError, 0);
}

TEST_F(ParseCommandLineTest, ReplaceTwiceAnnouncesItOnce) {
  EXPECT_EQ(Parse({"-Replace", "-In", "x", "-r"}), 0);
  EXPECT_EQ(console_.Text(), std::string(kParsing) +
                                 ":: OPTIONS\r\n"
                                 "   Always overwrite existing files\r\n");
  EXPECT_EQ(state_.OptionFlags, kReplaceAlways);
  EXPECT_EQ(table_.entries[4].applied, 1);
}

TEST_F(ParseCommandLineTest, EmptyWordEndsTheList) {
  EXPECT_EQ(Parse({"-In", "a", "", "-Out", "b", "-bogus"}), 0);
  EXPECT_EQ(console_.Text(), kParsing);
  EXPECT_EQ(state_.SourcePath, "a.map");
  EXPECT_EQ(state_.OutputPath, "");
}

TEST_F(ParseCommandLineTest, NoWordsShowsHelp) {
  EXPECT_EQ(Parse({}), 1);
  const std::string text = console_.Text();
  EXPECT_EQ(text.rfind("Syntax: TESSARO.EXE [Commands]\r\n", 0), 0u) << text;
  EXPECT_EQ(text.find(":: Parsing"), std::string::npos);
}

TEST_F(ParseCommandLineTest, EmptyFirstWordShowsHelp) {
  EXPECT_EQ(Parse({"", "-In", "a"}), 1);
  EXPECT_EQ(console_.Text().rfind("Syntax: ", 0), 0u);
  EXPECT_EQ(state_.SourcePath, "");
}

TEST_F(ParseCommandLineTest, NoProgramNameAtAll) {
  EXPECT_EQ(ParseCommandLine({}, table_, state_), 1);
  EXPECT_EQ(console_.Text().rfind("Syntax: ", 0), 0u);
}

TEST_F(ParseCommandLineTest, OddWordsEndCleanly) {
  const std::string long_word(100000, '-');
  for (const std::string& word :
       {std::string("-"), std::string(" "), std::string("\""), std::string(":"),
        std::string("-\xFF\x80"), std::string("\0x", 2), long_word}) {
    EXPECT_EQ(Parse({word}), 1);
  }
  EXPECT_EQ(state_.SourcePath, "");
  EXPECT_EQ(state_.OptionFlags, 0u);
}

TEST_F(ParseCommandLineTest, FlagWithoutTargetIsPassedOver) {
  ArgTable table;
  RegisterArg(table, "-Lost", ArgSetter(), "1", "never applied");
  EXPECT_EQ(ParseCommandLine({"tessaro", "-Lost"}, table, state_), 1);
  EXPECT_EQ(console_.Text(), std::string(kParsing) + "   Argument unknown: \"-Lost\"\r\n");
}

class CheckArgValuesTest : public ::testing::Test {
 protected:
  CheckedValues Check(std::vector<std::string> values, const char* template_text) {
    return CheckArgValues("-Key", values, template_text, state_);
  }

  testing::ScopedConsoleCapture console_;
  RunState state_;
};

TEST_F(CheckArgValuesTest, MapAndFilComplete) {
  const struct {
    const char* templ;
    const char* given;
    const char* checked;
  } cases[] = {
      {"MAP:File", "e1l1", "e1l1.map"},     {"MAP:File", "E1L1.MAP", "E1L1.MAP"},
      {"MAP:File", "map", "map.map"},       {"MAP:File", "a.mapx", "a.mapx.map"},
      {"map:File", "x", "x.map"},           {"FIL:Script", "list", "list.txt"},
      {"FIL:Script", "LIST.Txt", "LIST.Txt"}, {"FIL:Script", "a.map", "a.map.txt"},
  };
  for (const auto& c : cases) {
    const CheckedValues result = Check({c.given}, c.templ);
    EXPECT_TRUE(result.ok) << c.given;
    ASSERT_EQ(result.values.size(), 1u);
    EXPECT_EQ(result.values[0], c.checked);
  }
  EXPECT_EQ(console_.Text(), "");
  EXPECT_EQ(state_.RunError, 0);
}

TEST_F(CheckArgValuesTest, VersionBoundsPass) {
  for (const char* given : {"3", "7", "7.5", "2.5", "  5"}) {
    const CheckedValues result = Check({given}, "VER:Version");
    EXPECT_TRUE(result.ok) << given;
    ASSERT_EQ(result.values.size(), 1u);
    EXPECT_EQ(result.values[0], given);  // passed on unchanged
  }
  EXPECT_EQ(console_.Text(), "");
  EXPECT_EQ(state_.RunError, 0);
}

TEST_F(CheckArgValuesTest, VersionOutsideBoundsFails) {
  for (const char* given : {"2", "8", "0", "abc"}) {
    state_.RunError = 0;
    const std::size_t before = console_.Text().size();
    const CheckedValues result = CheckArgValues("-Version", {given}, "VER:Version", state_);
    EXPECT_FALSE(result.ok) << given;
    EXPECT_EQ(state_.RunError, 1) << given;
    EXPECT_EQ(console_.Text().substr(before),
              "-Version: <Version> must be a value between 3 and 7\r\n")
        << given;
  }
}

TEST_F(CheckArgValuesTest, UnknownTypeFailsWithEmptyRequirement) {
  const CheckedValues result = Check({"x"}, "XYZ:Thing");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(state_.RunError, 1);
  ASSERT_EQ(result.values.size(), 1u);
  EXPECT_EQ(result.values[0], "x");
  EXPECT_EQ(console_.Text(), "-Key: <Thing> must be \r\n");
}

TEST_F(CheckArgValuesTest, EveryValueIsCheckedAfterAFailure) {
  const CheckedValues result = Check({"abc", "e1", "9"}, "VER:From MAP:Name VER:To");
  EXPECT_FALSE(result.ok);
  ASSERT_EQ(result.values.size(), 3u);
  EXPECT_EQ(result.values[1], "e1.map");
  EXPECT_EQ(console_.Text(),
            "-Key: <From> must be a value between 3 and 7\r\n"
            "-Key: <To> must be a value between 3 and 7\r\n");
}

TEST_F(CheckArgValuesTest, MoreValuesThanTemplateWordsFail) {
  const CheckedValues result = Check({"a", "b"}, "MAP:File");
  EXPECT_FALSE(result.ok);
  ASSERT_EQ(result.values.size(), 2u);
  EXPECT_EQ(result.values[0], "a.map");
  EXPECT_EQ(console_.Text(), "-Key: <> must be \r\n");
}

}  // namespace
}  // namespace tessaro

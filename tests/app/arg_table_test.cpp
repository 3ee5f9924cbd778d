#include "app/arg_table.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_args.hpp"
#include "app/run_state.hpp"

namespace tessaro {
namespace {

ArgSetter Ignore() {
  return [](const std::vector<std::string>&) {};
}

TEST(RegisterArg, FiveDefinitionsFillTheTableInOrder) {
  ArgTable table;
  RunState state;
  RegisterRunArgs(table, state);

  ASSERT_EQ(table.entries.size(), 5u);
  const char* keywords[] = {"-In", "-Out", "-Version", "-SwapTiles", "-Replace"};
  const char* abbreviations[] = {"-I", "-O", "-V", "-ST", "-R"};
  const char* templates[] = {"MAP:File", "MAP:File", "VER:Version", "FIL:Script"};
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(keywords[i]);
    EXPECT_EQ(table.entries[i].keyword, keywords[i]);
    EXPECT_EQ(table.entries[i].abbreviation, abbreviations[i]);
    if (i < 4) {
      EXPECT_TRUE(table.entries[i].IsParameter());
      EXPECT_EQ(table.entries[i].template_, templates[i]);
      EXPECT_EQ(table.entries[i].count, 1);
    }
  }
  EXPECT_EQ(table.entries[0].description, "Input .MAP file");
  EXPECT_EQ(table.entries[3].description, "Replace source tiles using a script");
}

TEST(RegisterArg, ReplaceIsAFlagOnTheOptionWord) {
  ArgTable table;
  RunState state;
  RegisterRunArgs(table, state);

  const ArgDef& replace = table.entries[4];
  EXPECT_FALSE(replace.IsParameter());
  EXPECT_EQ(replace.target, &state.OptionFlags);
  EXPECT_EQ(replace.count, 1);
  EXPECT_EQ(replace.template_, "");
  EXPECT_EQ(replace.applied, 0);
}

TEST(RegisterArg, AbbreviationKeepsCapitalsDigitsAndSigns) {
  ArgTable table;
  RegisterArg(table, "  -SwapTiles  ", Ignore(), "MAP:File", "d");
  RegisterArg(table, "-x2Go", Ignore(), "MAP:File", "d");
  RegisterArg(table, "lower", Ignore(), "MAP:File", "d");
  RegisterArg(table, "-\xC4x", Ignore(), "MAP:File", "d");
  EXPECT_EQ(table.entries[0].keyword, "-SwapTiles");
  EXPECT_EQ(table.entries[0].abbreviation, "-ST");
  EXPECT_EQ(table.entries[1].abbreviation, "-2G");
  EXPECT_EQ(table.entries[2].abbreviation, "");
  EXPECT_EQ(table.entries[3].abbreviation, "-\xC4");
}

TEST(RegisterArg, ValueCountFollowsTemplateWords) {
  ArgTable table;
  RegisterArg(table, "-A", Ignore(), "MAP:File", "d");
  RegisterArg(table, "-B", Ignore(), "  MAP:From MAP:To ", "d");
  RegisterArg(table, "-C", Ignore(), "", "d");
  EXPECT_EQ(table.entries[0].count, 1);
  EXPECT_EQ(table.entries[1].count, 2);
  EXPECT_EQ(table.entries[1].template_, "MAP:From MAP:To");
  EXPECT_EQ(table.entries[2].count, 1);
  EXPECT_TRUE(table.entries[2].IsParameter());
}

TEST(RegisterArg, EmptyKeywordSlotIsTakenAgain) {
  ArgTable table;
  std::uint32_t word = 0;
  RegisterArg(table, "  ", Ignore(), "MAP:File", "first");
  ASSERT_EQ(table.entries.size(), 1u);
  RegisterArg(table, "-Next", &word, "MAP:File", "");
  ASSERT_EQ(table.entries.size(), 1u);
  // Nothing of the discarded registration stays behind.
  EXPECT_EQ(table.entries[0].keyword, "-Next");
  EXPECT_FALSE(table.entries[0].IsParameter());
  EXPECT_EQ(table.entries[0].description, "");
  RegisterArg(table, "-Third", Ignore(), "MAP:File", "");
  EXPECT_EQ(table.entries.size(), 2u);
}

TEST(IsCanonicalNumber, OnlyTheNumbersOwnText) {
  EXPECT_TRUE(IsCanonicalNumber("1"));
  EXPECT_TRUE(IsCanonicalNumber("12"));
  EXPECT_TRUE(IsCanonicalNumber("0.5"));
  EXPECT_TRUE(IsCanonicalNumber("-3"));
  EXPECT_TRUE(IsCanonicalNumber("1e+20"));
  EXPECT_FALSE(IsCanonicalNumber("01"));
  EXPECT_FALSE(IsCanonicalNumber("1.0"));
  EXPECT_FALSE(IsCanonicalNumber(" 1"));
  EXPECT_FALSE(IsCanonicalNumber("1 "));
  EXPECT_FALSE(IsCanonicalNumber("+1"));
  EXPECT_FALSE(IsCanonicalNumber("MAP:File"));
  EXPECT_FALSE(IsCanonicalNumber(""));
}

TEST(RegisterArg, NumberTemplateMakesAFlagWithThatValue) {
  ArgTable table;
  std::uint32_t word = 0;
  RegisterArg(table, "-Four", &word, " 4 ", "d");
  RegisterArg(table, "-Padded", &word, "04", "d");
  EXPECT_EQ(table.entries[0].target, &word);
  EXPECT_EQ(table.entries[0].count, 4);
  EXPECT_EQ(table.entries[0].template_, "");
  // Not canonical: a parameter option, and a word is no setter for one.
  EXPECT_EQ(table.entries[1].target, nullptr);
  EXPECT_FALSE(table.entries[1].IsParameter());
  EXPECT_EQ(table.entries[1].template_, "04");
}

TEST(NextTemplateWord, TypeAndLabel) {
  const std::string padded = "map:File VER:Version Plain ";
  std::size_t pos = 0;
  TemplateWord word = NextTemplateWord(padded, pos);
  EXPECT_EQ(word.type, "MAP");
  EXPECT_EQ(word.label, "File");
  word = NextTemplateWord(padded, pos);
  EXPECT_EQ(word.type, "VER");
  EXPECT_EQ(word.label, "Version");
  word = NextTemplateWord(padded, pos);
  EXPECT_EQ(word.type, "PLAIN");
  EXPECT_EQ(word.label, "Plain");
  // Past the last word nothing is read out of bounds.
  word = NextTemplateWord(padded, pos);
  EXPECT_EQ(word.type, "");
  EXPECT_EQ(word.label, "");
}

TEST(NextTemplateWord, LabelKeepsLaterColons) {
  std::size_t pos = 0;
  const TemplateWord word = NextTemplateWord("FIL:a:b ", pos);
  EXPECT_EQ(word.type, "FIL");
  EXPECT_EQ(word.label, "a:b");
}

}  // namespace
}  // namespace tessaro

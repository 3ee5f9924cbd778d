#include "app/arg_table.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaro {
namespace {

ArgSetter Ignore() {
  return [](const std::vector<std::string>&) {};
}

TEST(RegisterArg, AbbreviationKeepsCapitalsDigitsAndSigns) {
  ArgTable table;
  for (const char* keyword : {"  -SwapTiles  ", "-x2Go", "lower", "-\xC4x"}) {
    RegisterArg(table, keyword, Ignore(), "MAP:File", "d");
  }
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
  for (const char* text : {"1", "12", "0.5", "-3", "1e+20"}) EXPECT_TRUE(IsCanonicalNumber(text)) << text;
  for (const char* text : {"01", "1.0", " 1", "1 ", "+1", "MAP:File", ""}) {
    EXPECT_FALSE(IsCanonicalNumber(text)) << text;
  }
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

// Past the last word nothing is read out of bounds; a label keeps any later colons.
TEST(NextTemplateWord, TypeAndLabel) {
  const std::string padded = "map:File VER:Version Plain FIL:a:b ";
  std::size_t pos = 0;
  for (const auto& [type, label] :
       {std::pair{"MAP", "File"}, {"VER", "Version"}, {"PLAIN", "Plain"}, {"FIL", "a:b"}, {"", ""}}) {
    const TemplateWord word = NextTemplateWord(padded, pos);
    EXPECT_EQ(word.type, type);
    EXPECT_EQ(word.label, label);
  }
}

}  // namespace
}  // namespace tessaro

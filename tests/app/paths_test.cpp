#include "app/paths.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tessaro {
namespace {

struct PathCase {
  const char* given;
  const char* expected;
};

void ExpectNormalized(std::initializer_list<PathCase> cases) {
  for (const PathCase& c : cases) {
    std::string path = c.given;
    NormalizePath(path);
    EXPECT_EQ(path, c.expected) << "given \"" << c.given << "\"";
  }
}

TEST(NormalizePath, DocumentedForms) {
  ExpectNormalized({
      {"C:\\Maps\\E1L1.MAP", "c:/maps/e1l1.map"},
      {"maps/", "maps"},
      {"a//b", "a/b"},
      {"a/./b", "a/b"},
      {"a/../b", "b"},
      {"../x", "../x"},
      {"../../x", "../../x"},
      {"a/../../x", "../x"},
      {" my maps / x.map ", "my maps/x.map"},
      {"   ", ""},
      {"", ""},
  });
}

TEST(NormalizePath, LeadingSeparatorKeepsPathAbsolute) {
  ExpectNormalized({
      {"/home/x.map", "/home/x.map"},
      {"\\Maps\\X.MAP", "/maps/x.map"},
      {"  /home/x.map", "/home/x.map"},
      {"/", "/"},
      {"/a/../../x", "/x"},
      {"/..", "/"},
  });
}

TEST(NormalizePath, LeadingDoubleSeparatorStaysDouble) {
  ExpectNormalized({
      {"//server/share/x.map", "//server/share/x.map"},
      {"\\\\Server\\Share\\X.MAP", "//server/share/x.map"},
      {"/\\server/x", "//server/x"},
      {"///x", "//x"},
      {"//", "//"},
  });
}

TEST(NormalizePath, BackslashesAndTrailingSeparators) {
  ExpectNormalized({
      {"maps\\sub\\x.map", "maps/sub/x.map"},
      {"maps\\/x.map", "maps/x.map"},
      {"maps\\", "maps"},
      {"maps//\\", "maps"},
      {"a/b/ ", "a/b"},
  });
}

TEST(NormalizePath, DotsAtTheStart) {
  ExpectNormalized({
      {"./x.map", "x.map"},
      {".", ""},
      {"./", ""},
      {"..", ".."},
      {"../", ".."},
      {"./../x", "../x"},
      {"a/ . /b", "a/b"},
  });
}

TEST(NormalizePath, OnlyAsciiLettersChangeCase) {
  ExpectNormalized({
      {"\xC4X\xE4.MAP", "\xC4x\xE4.map"},
      {"A-Z_[@]", "a-z_[@]"},
  });
}

TEST(SplitPath, DirectoryAndName) {
  const PathParts nested = SplitPath("maps/x.map");
  EXPECT_EQ(nested.directory, "maps/");
  EXPECT_EQ(nested.name, "x.map");

  const PathParts bare = SplitPath("x.map");
  EXPECT_EQ(bare.directory, "");
  EXPECT_EQ(bare.name, "x.map");

  const PathParts deep = SplitPath("/a/b/*.map");
  EXPECT_EQ(deep.directory, "/a/b/");
  EXPECT_EQ(deep.name, "*.map");

  const PathParts trailing = SplitPath("maps/");
  EXPECT_EQ(trailing.directory, "maps/");
  EXPECT_EQ(trailing.name, "");

  const PathParts empty = SplitPath("");
  EXPECT_EQ(empty.directory, "");
  EXPECT_EQ(empty.name, "");
}

TEST(SplitPath, BackslashIsNoSeparator) {
  const PathParts parts = SplitPath("a\\b.map");
  EXPECT_EQ(parts.directory, "");
  EXPECT_EQ(parts.name, "a\\b.map");
}

struct MatchCase {
  const char* pattern;
  const char* name;
  bool expected;
};

void ExpectMatches(std::initializer_list<MatchCase> cases) {
  for (const MatchCase& c : cases) {
    EXPECT_EQ(MatchWildcard(c.pattern, c.name), c.expected)
        << "pattern \"" << c.pattern << "\", name \"" << c.name << "\"";
  }
}

TEST(MatchWildcard, DocumentedCases) {
  ExpectMatches({
      {"*.map", "E1L1.MAP", true},
      {"*.map", "a.map", true},
      {"e?l1.map", "E1L1.MAP", true},
      {"x.map", "X.Map", true},
      {"x.map", "x.map.bak", false},
      {"*", "anything.at.all", true},
      {"*", "x", true},
      {"", "x.map", false},
      {"*.map", "e1l1.old.map", false},
      {"a?", "a", true},
  });
}

TEST(MatchWildcard, EmptyNameNeverMatches) {
  ExpectMatches({{"*", "", false}, {"?", "", false}, {"", "", false}});
}

TEST(MatchWildcard, StarDoesNotBacktrack) {
  ExpectMatches({
      {"*a.map", "banana.map", false},
      {"*a.map", "ba.map", true},
      {"*n.map", "banana.map", false},
  });
}

TEST(MatchWildcard, CharacterAfterStarIsLiteral) {
  ExpectMatches({
      {"**.map", "e1l1.map", false},
      {"*?.map", "e1l1.map", false},
      {"*?.map", "?.map", true},
  });
}

TEST(MatchWildcard, QuestionMarkAndTheEndOfTheName) {
  ExpectMatches({
      {"a??", "a", true},
      {"?", "ab", false},
      {"a?c", "a", false},
      {"e1l?.map", "e1l.map", false},
      {"a*?", "ab", false},
  });
}

TEST(MatchWildcard, OnlyAsciiLettersIgnoreCase) {
  ExpectMatches({
      {"\xC4.map", "\xC4.MAP", true},
      {"\xC4.map", "\xE4.map", false},
      {"[a].map", "[A].MAP", true},
  });
}

}  // namespace
}  // namespace tessaro

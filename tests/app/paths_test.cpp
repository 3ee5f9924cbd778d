#include "app/paths.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tessaro {
namespace {

TEST(NormalizePath, Forms) {
  const struct {
    const char* given;
    const char* expected;
  } cases[] = {
      {"C:\\Maps\\E1L1.MAP", "c:/maps/e1l1.map"}, {"maps/", "maps"}, {"a//b", "a/b"}, {"a/./b", "a/b"},
      {"a/../b", "b"}, {"../x", "../x"}, {"../../x", "../../x"}, {"a/../../x", "../x"},
      {" my maps / x.map ", "my maps/x.map"}, {"   ", ""}, {"", ""},
      // A leading separator keeps a path absolute, and nothing climbs above its root.
      {"/home/x.map", "/home/x.map"}, {"\\Maps\\X.MAP", "/maps/x.map"}, {"  /home/x.map", "/home/x.map"},
      {"/", "/"}, {"/a/../../x", "/x"}, {"/..", "/"}, {"/../../x", "/x"},
      // A leading double separator stays double.
      {"//server/share/x.map", "//server/share/x.map"}, {"\\\\Server\\Share\\X.MAP", "//server/share/x.map"},
      {"/\\server/x", "//server/x"}, {"///x", "//x"}, {"//", "//"}, {"//../../../x", "//x"},
      // Backslashes and trailing separators.
      {"maps\\sub\\x.map", "maps/sub/x.map"}, {"maps\\/x.map", "maps/x.map"}, {"maps\\", "maps"},
      {"maps//\\", "maps"}, {"a/b/ ", "a/b"},
      // Dots at the start.
      {"./x.map", "x.map"}, {".", ""}, {"./", ""}, {"..", ".."}, {"../", ".."}, {"./../x", "../x"},
      {"a/ . /b", "a/b"},
      // Only ASCII letters change case.
      {"\xC4X\xE4.MAP", "\xC4x\xE4.map"}, {"A-Z_[@]", "a-z_[@]"},
  };
  for (const auto& c : cases) {
    std::string path = c.given;
    NormalizePath(path);
    EXPECT_EQ(path, c.expected) << "given \"" << c.given << "\"";
  }
}

// Only a slash separates.
TEST(SplitPath, DirectoryAndName) {
  const struct {
    const char* path;
    const char* directory;
    const char* name;
  } cases[] = {{"maps/x.map", "maps/", "x.map"}, {"x.map", "", "x.map"}, {"/a/b/*.map", "/a/b/", "*.map"},
               {"maps/", "maps/", ""},           {"", "", ""},           {"a\\b.map", "", "a\\b.map"}};
  for (const auto& c : cases) {
    const PathParts parts = SplitPath(c.path);
    EXPECT_EQ(parts.directory, c.directory) << c.path;
    EXPECT_EQ(parts.name, c.name) << c.path;
  }
}

TEST(MatchWildcard, Cases) {
  const struct {
    const char* pattern;
    const char* name;
    bool expected;
  } cases[] = {
      {"*.map", "E1L1.MAP", true}, {"*.map", "a.map", true}, {"e?l1.map", "E1L1.MAP", true}, {"x.map", "X.Map", true},
      {"x.map", "x.map.bak", false}, {"*", "anything.at.all", true}, {"*", "x", true}, {"", "x.map", false},
      {"*.map", "e1l1.old.map", false}, {"a?", "a", true},
      // An empty name never matches.
      {"*", "", false}, {"?", "", false}, {"", "", false},
      // A star does not backtrack, and the character after it is literal.
      {"*a.map", "banana.map", false}, {"*a.map", "ba.map", true}, {"*n.map", "banana.map", false},
      {"**.map", "e1l1.map", false}, {"*?.map", "e1l1.map", false}, {"*?.map", "?.map", true},
      // A question mark at the end of the name.
      {"a??", "a", true}, {"?", "ab", false}, {"a?c", "a", false}, {"e1l?.map", "e1l.map", false},
      {"a*?", "ab", false},
      // Only ASCII letters ignore case.
      {"\xC4.map", "\xC4.MAP", true}, {"\xC4.map", "\xE4.map", false}, {"[a].map", "[A].MAP", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchWildcard(c.pattern, c.name), c.expected)
        << "pattern \"" << c.pattern << "\", name \"" << c.name << "\"";
  }
}

}  // namespace
}  // namespace tessaro

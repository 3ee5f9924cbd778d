#include "app/help.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_args.hpp"
#include "app/run_state.hpp"
#include "tests/support/console_capture.hpp"

namespace tessaro {
namespace {

ArgSetter Ignore() {
  return [](const std::vector<std::string>&) {};
}

TEST(DescriptionColumn, ComputedFromTheWidestOption) {
  ArgTable table;
  RunState state;
  EXPECT_EQ(DescriptionColumn(table), 4);  // the one empty entry

  RegisterRunArgs(table, state);
  EXPECT_EQ(DescriptionColumn(table), 24);

  ArgTable pair;
  RegisterArg(pair, "-Pair", Ignore(), "MAP:From MAP:To", "d");
  EXPECT_EQ(DescriptionColumn(pair), 23);
}

// A flag's width is its keyword alone.
TEST(DescriptionColumn, FlagCountsItsKeywordOnly) {
  ArgTable table;
  RunState state;
  RegisterArg(table, "-Replace", &state.OptionFlags, "1", "d");
  EXPECT_EQ(DescriptionColumn(table), 12);
}

// The gap that TabTo leaves is the console layer's business; everything around it is fixed.
void ExpectInOrder(const std::string& marked, const std::vector<std::string>& pieces) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::size_t found = marked.find(pieces[i], pos);
    ASSERT_NE(found, std::string::npos) << "missing piece " << i << ": " << pieces[i];
    if (i == 0) {
      EXPECT_EQ(found, 0u) << marked;
    } else {
      const std::string gap = marked.substr(pos, found - pos);
      EXPECT_EQ(gap.find("<c"), std::string::npos) << "colour change before piece " << i;
      EXPECT_EQ(gap.find('\n'), std::string::npos) << "line break before piece " << i;
    }
    pos = found + pieces[i].size();
  }
  EXPECT_EQ(pos, marked.size()) << "trailing output: " << marked.substr(pos);
}

TEST(PrintHelp, ColoursOfEveryLine) {
  testing::ScopedConsoleCapture console(80, 25);
  ArgTable table;
  RunState state;
  RegisterRunArgs(table, state);
  PrintHelp(table, state);

  // The syntax line and the first indent come before any colour is set.
  ExpectInOrder(console.Marked(),
                {"Syntax: TESSARO.EXE [Commands]\r\n   <c15>-<c15>I<c7>n<c8> <File><c15>",
                 "Input .MAP file\r\n   <c15>-<c15>O<c7>u<c7>t<c8> <File><c15>",
                 "Output .MAP file\r\n"
                 "   <c15>-<c15>V<c7>e<c7>r<c7>s<c7>i<c7>o<c7>n<c8> <Version><c15>",
                 "Output version number\r\n"
                 "   <c15>-<c15>S<c7>w<c7>a<c7>p<c15>T<c7>i<c7>l<c7>e<c7>s<c8> <Script><c15>",
                 "Replace source tiles using a script\r\n"
                 "   <c15>-<c15>R<c7>e<c7>p<c7>l<c7>a<c7>c<c7>e<c15>",
                 "Always overwrite existing files\r\n"
                 "<c7>\r\nFor more information, please see the readme file.\r\n"});
}

TEST(PrintHelp, ProgramNameInCapitalsAndNoReadme) {
  testing::ScopedConsoleCapture console(80, 25);
  ArgTable table;
  RunState state;
  state.ExeName = "tessaro-x.exe";
  state.ReadmeLine.clear();
  RegisterArg(table, "-In", Ignore(), "MAP:File", "Input .MAP file");
  PrintHelp(table, state);

  ExpectInOrder(console.Marked(),
                {"Syntax: TESSARO-X.EXE [Commands]\r\n   <c15>-<c15>I<c7>n<c8> <File><c15>",
                 "Input .MAP file\r\n<c7>"});
}

// Redirected output pads to the column with spaces, so the whole screen can be compared.
TEST(PrintHelp, DescriptionsStartInColumn24) {
  testing::ScopedConsoleCapture redirected;
  ArgTable table;
  RunState state;
  RegisterRunArgs(table, state);
  PrintHelp(table, state);

  EXPECT_EQ(redirected.Text(),
            "Syntax: TESSARO.EXE [Commands]\r\n"
            "   -In <File>          Input .MAP file\r\n"
            "   -Out <File>         Output .MAP file\r\n"
            "   -Version <Version>  Output version number\r\n"
            "   -SwapTiles <Script> Replace source tiles using a script\r\n"
            "   -Replace            Always overwrite existing files\r\n"
            "\r\n"
            "For more information, please see the readme file.\r\n");
}

TEST(PrintArgUsage, KeywordHighlightedValuesDimmed) {
  testing::ScopedConsoleCapture console(80, 25);
  ArgTable table;
  RegisterArg(table, "-Pair", Ignore(), "MAP:From VER:To", "d");
  RegisterArg(table, "-Odd", Ignore(), "Bare", "d");
  PrintArgUsage(table.entries[0]);
  PrintArgUsage(table.entries[1]);
  EXPECT_EQ(console.Text(), "\"-Pair <From> <To>\"\r\n\"-Odd <Bare>\"\r\n");
  EXPECT_EQ(console.Marked(),
            "<c7>\"<c15>-<c15>P<c7>a<c7>i<c7>r<c8> <From> <To><c7>\"\r\n"
            "<c7>\"<c15>-<c15>O<c7>d<c7>d<c8> <Bare><c7>\"\r\n");
}

TEST(PrintArgUsage, FlagHasNoValues) {
  testing::ScopedConsoleCapture console(80, 25);
  ArgTable table;
  RunState state;
  RegisterRunArgs(table, state);
  PrintArgUsage(table.entries[4]);
  EXPECT_EQ(console.Marked(),
            "<c7>\"<c15>-<c15>R<c7>e<c7>p<c7>l<c7>a<c7>c<c7>e<c7>\"\r\n");
}

}  // namespace
}  // namespace tessaro

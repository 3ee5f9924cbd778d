// The help's colours and columns; its redirected text is checked whole in tests/e2e.
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

// Four columns after the widest option; a flag's width is its keyword alone.
TEST(DescriptionColumn, ComputedFromTheWidestOption) {
  ArgTable table;
  RunState state;
  EXPECT_EQ(DescriptionColumn(table), 4);  // the one empty entry
  RegisterRunArgs(table, state);
  EXPECT_EQ(DescriptionColumn(table), 24);

  ArgTable pair;
  RegisterArg(pair, "-Pair", Ignore(), "MAP:From MAP:To", "d");
  EXPECT_EQ(DescriptionColumn(pair), 23);

  ArgTable flag;
  RegisterArg(flag, "-Replace", &state.OptionFlags, "1", "d");
  EXPECT_EQ(DescriptionColumn(flag), 12);
}

// On a console the descriptions are reached by moving the cursor to column 24.
TEST(PrintHelp, ColoursAndColumnOfEveryLine) {
  testing::ScopedConsoleCapture console(80, 25);
  ArgTable table;
  RunState state;
  RegisterRunArgs(table, state);
  PrintHelp(table, state);
  EXPECT_EQ(console.Marked(),
            "Syntax: TESSARO.EXE [Commands]\r\n"
            "   <c15>-<c15>I<c7>n<c8> <File><c15><@2,24>Input .MAP file\r\n"
            "   <c15>-<c15>O<c7>u<c7>t<c8> <File><c15><@3,24>Output .MAP file\r\n"
            "   <c15>-<c15>V<c7>e<c7>r<c7>s<c7>i<c7>o<c7>n<c8> <Version><c15><@4,24>Output version number\r\n"
            "   <c15>-<c15>S<c7>w<c7>a<c7>p<c15>T<c7>i<c7>l<c7>e<c7>s<c8> <Script><c15><@5,24>"
            "Replace source tiles using a script\r\n"
            "   <c15>-<c15>R<c7>e<c7>p<c7>l<c7>a<c7>c<c7>e<c15><@6,24>Always overwrite existing files\r\n"
            "<c7>\r\nFor more information, please see the readme file.\r\n");
}

TEST(PrintHelp, ProgramNameInCapitalsAndNoReadme) {
  testing::ScopedConsoleCapture console;
  ArgTable table;
  RunState state;
  state.ExeName = "tessaro-x.exe";
  state.ReadmeLine.clear();
  RegisterArg(table, "-In", Ignore(), "MAP:File", "Input .MAP file");
  PrintHelp(table, state);
  ASSERT_EQ(DescriptionColumn(table), 15);
  EXPECT_EQ(console.Text(), "Syntax: TESSARO-X.EXE [Commands]\r\n   -In <File> Input .MAP file\r\n");
}

TEST(PrintArgUsage, KeywordHighlightedValuesDimmed) {
  testing::ScopedConsoleCapture console(80, 25);
  ArgTable table;
  RunState state;
  RegisterArg(table, "-Pair", Ignore(), "MAP:From VER:To", "d");
  RegisterArg(table, "-Odd", Ignore(), "Bare", "d");
  RegisterArg(table, "-Replace", &state.OptionFlags, "1", "d");
  for (const ArgDef& entry : table.entries) PrintArgUsage(entry);
  EXPECT_EQ(console.Text(), "\"-Pair <From> <To>\"\r\n\"-Odd <Bare>\"\r\n\"-Replace\"\r\n");
  EXPECT_EQ(console.Marked(),
            "<c7>\"<c15>-<c15>P<c7>a<c7>i<c7>r<c8> <From> <To><c7>\"\r\n"
            "<c7>\"<c15>-<c15>O<c7>d<c7>d<c8> <Bare><c7>\"\r\n"
            "<c7>\"<c15>-<c15>R<c7>e<c7>p<c7>l<c7>a<c7>c<c7>e<c7>\"\r\n");
}

}  // namespace
}  // namespace tessaro

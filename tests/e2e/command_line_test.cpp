// The program run as a user runs it, output redirected: every word of the output is checked.
#include <gtest/gtest.h>

#include "tests/e2e/run_program.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::RedirectedBanner;
using testing::RunTessaro;
using testing::TempDir;

const std::string kParsing = ":: Parsing command line parameters\r\n";

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

TEST(CommandLineTest, ParserMessagesEndTheRun) {
  TempDir dir;
  struct Case {
    std::vector<std::string> words;
    std::string message;
  };
  const Case cases[] = {
      {{"-Ins"}, "   Argument unknown: \"-Ins\"\r\n"},
      {{"foo.map"}, "   Lonely parameter: \"foo.map\"\r\n"},
      {{"-Version", "7", "-In"}, "   Missing parameters: \"-In <File>\"\r\n"},
      {{"-In", "x", "-Version", "9"}, "-Version: <Version> must be a value between 3 and 7\r\n"},
      {{"-In", "x", "-v", "abc"}, "-Version: <Version> must be a value between 3 and 7\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.front());
    const auto run = RunTessaro(dir.path(), c.words);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, RedirectedBanner() + kParsing + c.message);
  }
}

TEST(CommandLineTest, DriverStopsBeforeTheFileLoop) {
  TempDir dir;
  testing::WriteBytes(dir / ".hidden.map", testing::ReadBytes(testing::SamplePath(5, "courtyard")));
  struct Case {
    std::vector<std::string> words;
    std::string message;
  };
  const Case cases[] = {
      {{"-Version", "5"}, "Please specify a source file...\r\n"},
      {{"-In", "x"}, "Please specify a version number...\r\n"},
      {{"-In", "nothing", "-Version", "5"}, "No file found...\r\n"},
      {{"-In", "*.map", "-Version", "5"}, "No file found...\r\n"},
      {{"-In", "missing/dir/*.map", "-Version", "5"}, "No file found...\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.front() + " " + c.words.back());
    const auto run = RunTessaro(dir.path(), c.words);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, RedirectedBanner() + kParsing + c.message);
  }
}

}  // namespace
}  // namespace tessaro

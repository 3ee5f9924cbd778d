// What a person sees on an 80-column terminal, read back from a tmux pane.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "tests/e2e/tmux_session.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::ReadBytes;
using testing::SamplePath;
using testing::TempDir;
using testing::TmuxSession;
using testing::WriteBytes;

std::vector<std::string> Rows(const std::string& screen) {
  std::vector<std::string> rows;
  std::istringstream lines(screen);
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  return rows;
}

std::string ProgramThenWait(const std::string& words) {
  return std::string("LC_ALL=C.UTF-8 ") + TESSARO_PROGRAM + " " + words + "; echo \"status=$?\"; exec sleep 600";
}

std::string Rule(const char* piece) {
  std::string rule;
  for (int i = 0; i < 80; ++i) rule += piece;
  return rule;
}

class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
  }
};

TEST_F(TerminalTest, BannerAndHelpScreen) {
  TempDir dir;
  TmuxSession tmux(dir.path(), ProgramThenWait(""));
  ASSERT_TRUE(tmux.WaitFor("readme file."));
  const std::vector<std::string> rows = Rows(tmux.Screen());
  ASSERT_GE(rows.size(), 14u);
  // The rule fills its row and the cursor wraps; a full-width line written with a line end
  // leaves an empty row.
  EXPECT_EQ(std::vector<std::string>(rows.begin(), rows.begin() + 14),
            (std::vector<std::string>{
                Rule("\u2500"), std::string(15, ' ') + "Tessaro converts Build Maps    Version 0.1    2014", "",
                " One hundred bucks to whoever recognize the layout I'm shamelessly ripping off.", Rule("\u2500"), "",
                "Syntax: TESSARO.EXE [Commands]", "   -In <File>          Input .MAP file",
                "   -Out <File>         Output .MAP file", "   -Version <Version>  Output version number",
                "   -SwapTiles <Script> Replace source tiles using a script",
                "   -Replace            Always overwrite existing files", "",
                "For more information, please see the readme file."}));

  const std::string coloured = tmux.Screen(true);
  // White abbreviation letters on black, grey for the rest of the keyword, dark grey values.
  EXPECT_NE(coloured.find("   \x1b[97m\x1b[40m-I\x1b[37mn\x1b[90m <File>"), std::string::npos) << coloured;
  EXPECT_NE(coloured.find("-S\x1b[37mwap\x1b[97mT\x1b[37miles\x1b[90m <Script>"), std::string::npos) << coloured;

  EXPECT_EQ(tmux.Screen().find("status="), std::string::npos) << "the help waits for a key";
  tmux.SendKeys("x");
  EXPECT_TRUE(tmux.WaitFor("status=1"));
}

class PromptTest : public TerminalTest {
 protected:
  void SetUp() override {
    TerminalTest::SetUp();
    WriteBytes(dir_ / "a.map", ReadBytes(SamplePath(6, "courtyard")));
    WriteBytes(dir_ / "a_v7.map", old_);
  }
  TempDir dir_;
  const testing::Bytes old_ = testing::Bytes(9, 0x33);
};

TEST_F(PromptTest, KeysThatMatchNothingAreIgnoredAndTheAnswerWipesThePrompt) {
  TmuxSession tmux(dir_.path(), ProgramThenWait("-In a -Version 7"));
  ASSERT_TRUE(tmux.WaitFor("\"a_v7.map\" already exists, replace? [Yes/No/Always]"));
  const std::string asked = tmux.Screen();
  for (const char* key : {"x", "Enter", "Escape", "Up", "F5", "Space", "q"}) tmux.SendKeys(key);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(tmux.Screen(), asked);
  tmux.SendKeys("Y");
  ASSERT_TRUE(tmux.WaitFor("status=0"));
  const std::string screen = tmux.Screen();
  EXPECT_EQ(screen.find("already exists"), std::string::npos) << screen;
  EXPECT_NE(screen.find(":: Upgrading from v6 to v7\n:: Saving a_v7.map...\n"), std::string::npos) << screen;
  EXPECT_NE(ReadBytes(dir_ / "a_v7.map"), old_);
}

TEST_F(PromptTest, CtrlCAtThePromptRestoresTheTerminalAndKeepsTheFile) {
  const std::string command = std::string("stty -g > before.txt; ") + TESSARO_PROGRAM +
                              " -In a -Version 7; echo \"status=$?\"; stty -g > after.txt; exec sleep 600";
  TmuxSession tmux(dir_.path(), command);
  ASSERT_TRUE(tmux.WaitFor("[Yes/No/Always]"));
  tmux.SendKeys("C-c");
  ASSERT_TRUE(tmux.WaitFor("status=130"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(ReadBytes(dir_ / "before.txt"), ReadBytes(dir_ / "after.txt"));
  EXPECT_FALSE(ReadBytes(dir_ / "before.txt").empty());
  EXPECT_EQ(ReadBytes(dir_ / "a_v7.map"), old_);
}

}  // namespace
}  // namespace tessaro

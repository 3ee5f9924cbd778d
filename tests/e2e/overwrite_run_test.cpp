// Answers to the overwrite question arriving on a pipe, as from a script.
#include <gtest/gtest.h>

#include "tests/e2e/run_program.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::RedirectedBanner;
using testing::RunTessaro;
using testing::SamplePath;
using testing::TempDir;
using testing::WriteBytes;

const std::string kParsing = ":: Parsing command line parameters\r\n";
const Bytes kOld(7, 0x5A);

// In redirected output the prompt cannot be wiped, so its blanks follow it.
std::string Prompt(const std::string& name) {
  const std::string question = "\"" + name + "\" already exists, replace";
  return question + "? [Yes/No/Always]" + std::string(question.size() + 18, ' ');
}

std::string Converted(const std::string& source, const std::string& output) {
  return ":: Opening " + source + "...\r\n:: Upgrading from v6 to v7\r\n" + Prompt(output);
}

struct Folder {
  TempDir dir;
  Folder() {
    for (const char* name : {"a", "b"}) {
      WriteBytes(dir / (std::string(name) + ".map"), ReadBytes(SamplePath(6, "courtyard")));
      WriteBytes(dir / (std::string(name) + "_v7.map"), kOld);
    }
  }
  bool Replaced(const char* name) const { return ReadBytes(dir / name) != kOld; }
};

TEST(OverwriteRunTest, YesReplacesNoKeeps) {
  Folder folder;
  const auto run = RunTessaro(folder.dir.path(), {"-In", "?.map", "-Version", "7"}, "yN");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing + Converted("a.map", "a_v7.map") +
                            ":: Saving a_v7.map...\r\n" + Converted("b.map", "b_v7.map"));
  EXPECT_TRUE(folder.Replaced("a_v7.map"));
  EXPECT_FALSE(folder.Replaced("b_v7.map"));
}

TEST(OverwriteRunTest, KeysThatMatchNothingAreIgnoredAndAlwaysHoldsForTheRun) {
  Folder folder;
  const auto run = RunTessaro(folder.dir.path(), {"-In", "?.map", "-Version", "7"}, "x\r\n ?A");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing + Converted("a.map", "a_v7.map") +
                            ":: Saving a_v7.map...\r\n"
                            ":: Opening b.map...\r\n:: Upgrading from v6 to v7\r\n:: Saving b_v7.map...\r\n");
  EXPECT_TRUE(folder.Replaced("a_v7.map"));
  EXPECT_TRUE(folder.Replaced("b_v7.map"));
}

TEST(OverwriteRunTest, EndOfInputAnswersNo) {
  Folder folder;
  const auto run = RunTessaro(folder.dir.path(), {"-In", "?.map", "-Version", "7"}, "q");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing + Converted("a.map", "a_v7.map") +
                            Converted("b.map", "b_v7.map"));
  EXPECT_FALSE(folder.Replaced("a_v7.map"));
  EXPECT_FALSE(folder.Replaced("b_v7.map"));
  EXPECT_EQ(folder.dir.Entries(), (std::vector<std::string>{"a.map", "a_v7.map", "b.map", "b_v7.map"}));
}

TEST(OverwriteRunTest, ReplaceAsksNothing) {
  Folder folder;
  const auto run = RunTessaro(folder.dir.path(), {"-R", "-In", "a", "-Version", "7", "-r"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing + ":: OPTIONS\r\n   Always overwrite existing files\r\n" +
                            ":: Opening a.map...\r\n:: Upgrading from v6 to v7\r\n:: Saving a_v7.map...\r\n");
  EXPECT_TRUE(folder.Replaced("a_v7.map"));
}

}  // namespace
}  // namespace tessaro

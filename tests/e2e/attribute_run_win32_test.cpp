// The program run on files whose Windows attributes were set by SetFileAttributesA, output
// redirected: hidden and system maps are no sources, read-only ones are; a read-only output is
// asked about but never replaced, a hidden one is not asked about and not replaced either.
#include "platform/win32_api.hpp"

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/run_program.hpp"
#include "tests/support/temp_dir.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::RunTessaro;
using testing::TempDir;
using testing::WriteBytes;

void Make(const TempDir& dir, const char* name, const Bytes& content, DWORD attributes) {
  WriteBytes(dir / name, content);
  if (attributes != 0) {
    ASSERT_TRUE(SetFileAttributesA((dir / name).c_str(), attributes)) << name;
  }
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(AttributeRunTest, HiddenAndSystemMapsAreNoSourcesReadOnlyOnesAre) {
  TempDir dir;
  const Bytes sample = ReadBytes(testing::SamplePath(6, "courtyard"));
  Make(dir, "a.map", sample, 0);
  Make(dir, "b.map", sample, FILE_ATTRIBUTE_READONLY);
  Make(dir, "c.map", sample, FILE_ATTRIBUTE_HIDDEN);
  Make(dir, "d.map", sample, FILE_ATTRIBUTE_SYSTEM);
  const auto run = RunTessaro(dir.path(), {"-In", "*.map", "-Version", "7"});
  EXPECT_EQ(run.status, 0);
  for (const char* name : {"a", "b"}) {
    EXPECT_TRUE(Contains(run.output, ":: Opening " + std::string(name) + ".map...\r\n:: Upgrading from v6 to v7\r\n"
                                     ":: Saving " + name + "_v7.map...\r\n"))
        << run.output;
  }
  EXPECT_FALSE(Contains(run.output, "c.map") || Contains(run.output, "d.map")) << run.output;
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.map", "a_v7.map", "b.map", "b_v7.map", "c.map", "d.map"}));
  const DWORD written = GetFileAttributesA((dir / "b_v7.map").c_str());
  EXPECT_EQ(written & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
}

TEST(AttributeRunTest, ReadOnlyOutputIsAskedAboutButKeptAndHiddenOutputIsKeptUnasked) {
  TempDir dir;
  const Bytes old_content(9, 0x33);
  for (const char* name : {"a.map", "b.map"}) Make(dir, name, ReadBytes(testing::SamplePath(6, "courtyard")), 0);
  Make(dir, "a_v7.map", old_content, FILE_ATTRIBUTE_READONLY);
  Make(dir, "b_v7.map", old_content, FILE_ATTRIBUTE_HIDDEN);
  const auto run = RunTessaro(dir.path(), {"-In", "?.map", "-Version", "7"}, "y");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(Contains(run.output, "\"a_v7.map\" already exists, replace? [Yes/No/Always]")) << run.output;
  EXPECT_FALSE(Contains(run.output, "\"b_v7.map\" already exists")) << run.output;
  for (const char* name : {"a_v7.map", "b_v7.map"}) {
    EXPECT_TRUE(Contains(run.output, ":: Saving " + std::string(name) + "...\r\n   I/O error\r\n")) << run.output;
    EXPECT_EQ(ReadBytes(dir / name), old_content) << name;
  }
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.map", "a_v7.map", "b.map", "b_v7.map"}));
}

TEST(AttributeRunTest, WordsReachTheProgramUnexpanded) {
  TempDir dir;
  WriteBytes(dir / "a.map", ReadBytes(testing::SamplePath(6, "courtyard")));
  const auto run = RunTessaro(dir.path(), {"*.map"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.output, "   Lonely parameter: \"*.map\"\r\n")) << run.output;
}

}  // namespace
}  // namespace tessaro

// Whole runs that convert files, output redirected.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "map/conversion.hpp"
#include "tests/e2e/run_program.hpp"
#include "tests/support/console_capture.hpp"
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

// What the map library makes of a sample at another version, for comparing the program's file.
Bytes ConvertedInProcess(int from_version, const char* level, int to_version) {
  testing::ScopedConsoleCapture quiet;
  TempDir scratch;
  MapFile map;
  EXPECT_EQ(OpenMap(SamplePath(from_version, level), map), Ok);
  while (map.mapversion < to_version) EXPECT_EQ(UpgradeMap(map), Ok);
  while (map.mapversion > to_version) EXPECT_EQ(DowngradeMap(map), Ok);
  EXPECT_EQ(SaveMap(scratch / "out.map", map), Ok);
  return ReadBytes(scratch / "out.map");
}

TEST(ConversionRunTest, TheRoadOfOneFile) {
  TempDir dir;
  WriteBytes(dir / "E1L1.MAP", ReadBytes(SamplePath(6, "courtyard")));
  const auto run = RunTessaro(dir.path(), {"-In", "e1l1", "-Version", "7"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing +
                            ":: Opening E1L1.MAP...\r\n"
                            ":: Upgrading from v6 to v7\r\n"
                            ":: Saving E1L1_v7.map...\r\n");
  EXPECT_EQ(ReadBytes(dir / "E1L1_v7.map"), ConvertedInProcess(6, "courtyard", 7));
}

TEST(ConversionRunTest, UpAndDownThroughEveryVersion) {
  TempDir dir;
  WriteBytes(dir / "low.map", ReadBytes(SamplePath(3, "warehouse")));
  WriteBytes(dir / "high.map", ReadBytes(SamplePath(7, "warehouse")));
  auto run = RunTessaro(dir.path(), {"-in", "low.map", "-v", "7"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing +
                            ":: Opening low.map...\r\n:: Upgrading from v3 to v7\r\n:: Saving low_v7.map...\r\n");
  EXPECT_EQ(ReadBytes(dir / "low_v7.map"), ConvertedInProcess(3, "warehouse", 7));

  run = RunTessaro(dir.path(), {"-IN", "HIGH", "-VERSION", "3"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing +
                            ":: Opening high.map...\r\n:: Downgrading from v7 to v3\r\n:: Saving high_v3.map...\r\n");
  EXPECT_EQ(ReadBytes(dir / "high_v3.map"), ReadBytes(SamplePath(3, "warehouse")));
}

TEST(ConversionRunTest, WildcardRunWithOutNamesOnlyTheFirstFile) {
  TempDir dir;
  WriteBytes(dir / "a.map", ReadBytes(SamplePath(5, "courtyard")));
  WriteBytes(dir / "b.map", ReadBytes(SamplePath(5, "warehouse")));
  WriteBytes(dir / "notes.txt", {1, 2, 3});
  mkdir((dir / "sub.map").c_str(), 0755);
  const auto run = RunTessaro(dir.path(), {"-In", "*.map", "-Version", "6", "-Out", "First.MAP"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing +
                            ":: Opening a.map...\r\n:: Upgrading from v5 to v6\r\n:: Saving first.map...\r\n"
                            ":: Opening b.map...\r\n:: Upgrading from v5 to v6\r\n:: Saving b_v6.map...\r\n");
  EXPECT_EQ(ReadBytes(dir / "first.map"), ConvertedInProcess(5, "courtyard", 6));
  EXPECT_EQ(ReadBytes(dir / "b_v6.map"), ConvertedInProcess(5, "warehouse", 6));
}

TEST(ConversionRunTest, FileAlreadyAtTheTargetIsSkipped) {
  TempDir dir;
  WriteBytes(dir / "same.map", ReadBytes(SamplePath(4, "courtyard")));
  const auto run = RunTessaro(dir.path(), {"-In", "same", "-Version", "4"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing + ":: Opening same.map...\r\n   No upgrade/downgrade needed\r\n");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"same.map"});
}

TEST(ConversionRunTest, VersionsRoundedBeyondTheRange) {
  TempDir dir;
  WriteBytes(dir / "top.map", ReadBytes(SamplePath(7, "courtyard")));
  WriteBytes(dir / "bottom.map", ReadBytes(SamplePath(3, "courtyard")));
  auto run = RunTessaro(dir.path(), {"-In", "top", "-Version", "7.5"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing +
                            ":: Opening top.map...\r\n:: Upgrading from v7 to v8\r\n"
                            "   Cannot upgrade source file any further\r\n");
  run = RunTessaro(dir.path(), {"-In", "bottom", "-Version", "2.5"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing +
                            ":: Opening bottom.map...\r\n:: Downgrading from v3 to v2\r\n"
                            "   Cannot downgrade source file any further\r\n");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"bottom.map", "top.map"}));
}

TEST(ConversionRunTest, BrokenFilesAreReportedAndTheRunGoesOn) {
  TempDir dir;
  WriteBytes(dir / "a.map", Bytes(10, 0));
  Bytes nine(30, 0);
  nine[0] = 9;
  WriteBytes(dir / "b.map", nine);
  WriteBytes(dir / "c.map", ReadBytes(SamplePath(6, "courtyard")));
  const auto run = RunTessaro(dir.path(), {"-In", "?.map", "-Version", "7"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing +
                            ":: Opening a.map...\r\n   Source file corrupted\r\n"
                            ":: Opening b.map...\r\n   Source file format unsupported\r\n"
                            ":: Opening c.map...\r\n:: Upgrading from v6 to v7\r\n:: Saving c_v7.map...\r\n");
}

TEST(ConversionRunTest, ReadOnlySourceIsConvertedAndReadOnlyOutputIsKept) {
  TempDir dir;
  WriteBytes(dir / "disc.map", ReadBytes(SamplePath(6, "courtyard")));
  chmod((dir / "disc.map").c_str(), 0444);
  WriteBytes(dir / "disc_v7.map", Bytes(5, 1));
  chmod((dir / "disc_v7.map").c_str(), 0444);
  const auto run = RunTessaro(dir.path(), {"-In", "disc", "-Version", "7", "-Replace"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() + kParsing + ":: OPTIONS\r\n   Always overwrite existing files\r\n" +
                            ":: Opening disc.map...\r\n:: Upgrading from v6 to v7\r\n:: Saving disc_v7.map...\r\n"
                            "   I/O error\r\n");
  EXPECT_EQ(ReadBytes(dir / "disc_v7.map"), Bytes(5, 1));
}

}  // namespace
}  // namespace tessaro

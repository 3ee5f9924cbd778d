// Faults on a real file system and around the program: saves that fail part way, special files
// named as sources, a signal at the overwrite question, and an output that is closed early.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include "tests/e2e/run_program.hpp"
#include "tests/e2e/tmux_session.hpp"
#include "tests/map/map_builder.hpp"
#include "tests/support/console_capture.hpp"
#include "tests/support/temp_dir.hpp"
#include "tiles/swap_script.hpp"

namespace tessaro {
namespace {

using testing::Bytes;
using testing::ConvertedSample;
using testing::ProgramRun;
using testing::ReadBytes;
using testing::RedirectedBanner;
using testing::RunTessaro;
using testing::SamplePath;
using testing::ScopedConsoleCapture;
using testing::TempDir;
using testing::TmuxSession;
using testing::WriteBytes;

const Bytes kOld(9, 0x5A);

std::string SaveFailed(const std::string& name) { return ":: Saving " + name + "...\r\n   I/O error\r\n"; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The file size limit stops a's save part way; b's output is read-only; c is converted.
TEST(FaultTest, FailedSavesKeepTheOldOutputLeaveNoTemporaryAndTheRunGoesOn) {
  TempDir dir;
  WriteBytes(dir / "a.map", ReadBytes(SamplePath(6, "warehouse")));
  WriteBytes(dir / "b.map", ReadBytes(SamplePath(6, "courtyard")));
  WriteBytes(dir / "c.map", ReadBytes(SamplePath(6, "courtyard")));
  WriteBytes(dir / "a_v7.map", kOld);
  WriteBytes(dir / "b_v7.map", kOld);
  chmod((dir / "b_v7.map").c_str(), 0444);

  // Between the sizes of the two outputs; with SIGXFSZ ignored the write fails instead of killing.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 2048;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const ProgramRun run = RunTessaro(dir.path(), {"-In", "?.map", "-Version", "7", "-Replace"});
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(Contains(run.output, SaveFailed("a_v7.map") + ":: Opening b.map...")) << run.output;
  EXPECT_TRUE(Contains(run.output, SaveFailed("b_v7.map") + ":: Opening c.map...")) << run.output;
  EXPECT_TRUE(run.output.ends_with(":: Saving c_v7.map...\r\n")) << run.output;
  EXPECT_EQ(ReadBytes(dir / "a_v7.map"), kOld);
  EXPECT_EQ(ReadBytes(dir / "b_v7.map"), kOld);
  EXPECT_EQ(ReadBytes(dir / "c_v7.map"), ConvertedSample(6, "courtyard", 7));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.map", "a_v7.map", "b.map", "b_v7.map", "c.map", "c_v7.map"}));
}

// Mounts stay inside this test process and its children, and vanish with them.
bool PrivateMounts() {
  static const bool ready =
      unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  return ready;
}

// A small file system over a directory, taken away again before the directory is removed.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& path) : path_(path) {
    mounted_ = PrivateMounts() && mount("tessaro-test", path.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return mounted_; }
  // Permission bits do not stop root; a read-only file system does.
  bool MakeReadOnly() { return mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
  void FillUp() {
    const int fd = open((path_ + "filler").c_str(), O_WRONLY | O_CREAT, 0644);
    const std::vector<char> block(4096, 'f');
    while (fd >= 0 && write(fd, block.data(), block.size()) > 0) {
    }
    close(fd);
  }

 private:
  std::string path_;
  bool mounted_ = false;
};

TEST(FaultTest, FullOrReadOnlyDiskKeepsTheOldOutputAndLeavesNoTemporary) {
  for (const bool full : {true, false}) {
    SCOPED_TRACE(full ? "no space left" : "read-only");
    TempDir dir;
    SmallDisk disk(dir.path());
    if (!disk.Mounted()) GTEST_SKIP() << "mounting a small file system is not permitted here";
    WriteBytes(dir / "a.map", ReadBytes(SamplePath(6, "courtyard")));
    WriteBytes(dir / "a_v7.map", kOld);
    if (full) {
      disk.FillUp();
    } else {
      ASSERT_TRUE(disk.MakeReadOnly());
    }
    const std::vector<std::string> before = dir.Entries();
    const ProgramRun run = RunTessaro(dir.path(), {"-In", "a", "-Version", "7", "-Replace"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.output.ends_with(SaveFailed("a_v7.map"))) << run.output;
    EXPECT_EQ(ReadBytes(dir / "a_v7.map"), kOld);
    EXPECT_EQ(dir.Entries(), before);
  }
}

// Reading any of these would block or never end; each counts as no file at all.
TEST(FaultTest, FifosAndDevicesAreNeverOpened) {
  TempDir dir;
  for (const char* extension : {".map", ".txt"}) {
    ASSERT_EQ(mkfifo((dir / ("pipe" + std::string(extension))).c_str(), 0644), 0);
    for (const char* device : {"zero", "stdin"}) {
      ASSERT_EQ(symlink(("/dev/" + std::string(device)).c_str(), (dir / (device + std::string(extension))).c_str()), 0);
    }
  }
  // Standard input becomes a pipe that nobody writes to; an alarm turns a hang into a failure.
  int nobody_writes[2];
  ASSERT_EQ(pipe(nobody_writes), 0);
  const int saved_input = dup(STDIN_FILENO);
  dup2(nobody_writes[0], STDIN_FILENO);
  alarm(60);
  for (const char* name : {"pipe", "zero", "stdin"}) {
    SCOPED_TRACE(name);
    ScopedConsoleCapture quiet;
    MapFile map;
    EXPECT_EQ(OpenMap(dir / (name + std::string(".map")), map), SourceNotFound);
    TileSwapTable table;
    EXPECT_EQ(LoadSwapScript(dir / (name + std::string(".txt")), table), ScriptNotFound);
  }
  alarm(0);
  dup2(saved_input, STDIN_FILENO);
  close(saved_input);
  close(nobody_writes[0]);
  close(nobody_writes[1]);

  // The program's own input is a plain file, which /dev/stdin would lead to.
  unlink((dir / "stdin.map").c_str());
  WriteBytes(dir / "a.map", ReadBytes(SamplePath(6, "courtyard")));
  alarm(60);
  const ProgramRun run = RunTessaro(dir.path(), {"-In", "*.map", "-Version", "7", "-SwapTiles", "pipe"});
  alarm(0);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, RedirectedBanner() +
                            ":: Parsing command line parameters\r\n:: Loading pipe.txt as a script\r\n"
                            ":: Opening a.map...\r\n:: Upgrading from v6 to v7\r\n:: Replacing tiles\r\n"
                            ":: Saving a_v7.map...\r\n");
}

TEST(FaultTest, SigtermAtTheQuestionRestoresTheTerminalAndKeepsTheOutput) {
  if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
  TempDir dir;
  WriteBytes(dir / "a.map", ReadBytes(SamplePath(6, "courtyard")));
  WriteBytes(dir / "a_v7.map", kOld);
  // The inner shell notes its process id, then becomes the program.
  const std::string command = std::string("stty -g > before.txt; sh -c 'echo $$ > pid.txt; exec ") + TESSARO_PROGRAM +
                              " -In a -Version 7'; echo \"status=$?\"; stty -g > after.txt; exec sleep 600";
  TmuxSession tmux(dir.path(), command);
  ASSERT_TRUE(tmux.WaitFor("[Yes/No/Always]"));
  std::ifstream pid_file(dir / "pid.txt");
  pid_t pid = 0;
  ASSERT_TRUE(pid_file >> pid);
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  ASSERT_TRUE(tmux.WaitFor("status=143"));
  for (int wait = 0; wait < 100 && ReadBytes(dir / "after.txt").empty(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_FALSE(ReadBytes(dir / "before.txt").empty());
  EXPECT_EQ(ReadBytes(dir / "before.txt"), ReadBytes(dir / "after.txt"));
  EXPECT_EQ(ReadBytes(dir / "a_v7.map"), kOld);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.map", "a_v7.map", "after.txt", "before.txt", "pid.txt"}));
}

// As `tessaro ... | head -1`: the first line is read, then the reading end closes. The pipe holds
// one page, so the later output can only meet a closed pipe. Returns the exit status.
int RunIntoHeadOne(const std::string& directory, const std::vector<std::string>& words) {
  int output[2];
  if (pipe(output) != 0) return -1;
  fcntl(output[1], F_SETPIPE_SZ, 4096);
  std::string program = TESSARO_PROGRAM;
  std::vector<std::string> copies = words;
  std::vector<char*> argv{program.data()};
  for (std::string& word : copies) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int no_input = open("/dev/null", O_RDONLY);
    if (chdir(directory.c_str()) != 0 || no_input < 0) _exit(126);
    dup2(no_input, STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    close(output[0]);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(output[1]);
  for (char byte = 0; byte != '\n' && read(output[0], &byte, 1) == 1;) {
  }
  close(output[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(FaultTest, OutputClosedEarlyNeitherStopsTheRunNorLeavesATemporary) {
  TempDir dir;
  const Bytes source = ReadBytes(SamplePath(6, "courtyard"));
  std::vector<std::string> expected;
  for (int i = 100; i < 220; ++i) {  // some 16 KiB of stage lines
    const std::string stem = "level_" + std::to_string(i) + "_of_a_rather_long_series";
    WriteBytes(dir / (stem + ".map"), source);
    expected.push_back(stem + ".map");
    expected.push_back(stem + "_v7.map");
  }
  EXPECT_EQ(RunIntoHeadOne(dir.path(), {"-In", "*.map", "-Version", "7"}), 0);
  EXPECT_EQ(dir.Entries(), expected);
  const Bytes upgraded = ConvertedSample(6, "courtyard", 7);
  for (const std::string& name : expected) {
    if (name.ends_with("_v7.map")) {
      EXPECT_EQ(ReadBytes(dir / name), upgraded) << name;
    }
  }
}

}  // namespace
}  // namespace tessaro

// Measures the program against a plain copy of the same bytes: the largest map the format allows
// in both directions, and a folder of typical maps in one wildcard run; maps in a group file and in
// a zip against the same maps loose.
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_maps.hpp"
#include "bench/child_process.hpp"
#include "console/silent_terminal.hpp"
#include "map/conversion.hpp"
#include "map/map_file.hpp"
#include "zip/zip_directory.hpp"

namespace tessaro::bench {

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

struct Options {
  std::string program;
  std::string launcher;  // beside the benchmark itself
  std::string work;
  int runs = 7;
  bool small = false;
  bool prepare_only = false;
  std::string only;  // runs only the cases whose title holds this
};

struct Sizes {
  MapShape largest;
  int maps;
  int script_lines;
  int grouped_maps;        // the maps of the group file, the same as loose maps
  std::uint64_t filler;    // bytes of other members before the last map of a large group file
};

// The program against a baseline: cp of the same bytes, the program on the same maps as loose
// files where it reads them out of a group file, or the program converting the maps it checks.
struct Case {
  std::string title;
  std::vector<std::string> program;
  std::vector<std::string> copy;  // the baseline
  std::vector<std::string> program_outputs;
  std::vector<std::string> copy_outputs;
  double target;
  std::uint64_t largest_file;  // the memory limit is reported for the largest map only; else 0
  bool baseline_is_program = false;  // the memory limit: the program's own peak on the loose maps
  bool check = false;  // a check, which ends with status 2 when a map has an error
};

struct Measured {
  std::vector<RunCost> program;
  std::vector<RunCost> copy;
  bool failed = false;
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "bench: %s\n", message.c_str());
  std::exit(2);
}

std::uint64_t FileSize(const std::string& path) {
  struct stat info{};
  return stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

void MakeDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) Fail("cannot create " + path);
}

void Save(const std::string& path, const MapFile& map) {
  if (SaveMap(path, map) != Ok) Fail("cannot write " + path);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A group file of the members given as names and bytes, after `filler` bytes of other members.
void SaveGroupFile(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members,
                   std::uint64_t filler) {
  constexpr std::uint64_t kFillerMember = 8u << 20;
  std::vector<std::pair<std::string, std::uint64_t>> entries;
  for (std::uint64_t left = filler; left > 0; left -= std::min(left, kFillerMember)) {
    entries.emplace_back("ART" + std::to_string(entries.size()) + ".DAT", std::min(left, kFillerMember));
  }
  for (const auto& [name, bytes] : members) entries.emplace_back(name, bytes.size());
  std::string directory = "BENCHGROUP..";
  auto put32 = [&directory](std::uint64_t value) {
    for (int i = 0; i < 4; ++i) directory += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  put32(entries.size());
  for (const auto& [name, size] : entries) {
    directory += name;
    directory.append(12 - name.size(), '\0');
    put32(size);
  }
  std::ofstream out(path, std::ios::binary);
  out << directory;
  // The other members come first in the directory: zeros of their sizes.
  const std::string zeros(kFillerMember, '\0');
  for (std::size_t i = 0; i + members.size() < entries.size(); ++i) {
    out.write(zeros.data(), static_cast<std::streamsize>(entries[i].second));
  }
  for (const auto& member : members) out << member.second;
  if (!out) Fail("cannot write " + path);
}

void PutLittleEndian(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A zip of the members given as names and bytes, each deflated as zip tools do by default.
void SaveZipFile(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members) {
  std::string zip;
  std::string directory;
  for (const auto& [name, text] : members) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(bytes.size())));
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = bytes.data();
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = packed.data();
    stream.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) Fail("cannot deflate " + name);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    // From the version needed to the extra field's length: the same in both headers.
    std::string fields;
    for (const auto& [value, size] : {std::pair<std::uint64_t, int>{20, 2}, {0, 2}, {8, 2}, {0, 4},
                                      {Crc32(bytes), 4}, {packed.size(), 4}, {bytes.size(), 4},
                                      {name.size(), 2}, {0, 2}}) {
      PutLittleEndian(fields, value, size);
    }
    PutLittleEndian(directory, 0x02014b50, 4);
    PutLittleEndian(directory, 20, 2);
    directory += fields;
    PutLittleEndian(directory, 0, 10);
    PutLittleEndian(directory, zip.size(), 4);
    directory += name;
    PutLittleEndian(zip, 0x04034b50, 4);
    zip += fields + name;
    zip.append(packed.begin(), packed.end());
  }
  const std::size_t offset = zip.size();
  zip += directory;
  PutLittleEndian(zip, 0x06054b50, 4);
  PutLittleEndian(zip, 0, 4);
  PutLittleEndian(zip, members.size(), 2);
  PutLittleEndian(zip, members.size(), 2);
  PutLittleEndian(zip, directory.size(), 4);
  PutLittleEndian(zip, offset, 4);
  PutLittleEndian(zip, 0, 2);
  std::ofstream out(path, std::ios::binary);
  if (!(out << zip)) Fail("cannot write " + path);
}

std::string MapName(int index) {
  char name[16];
  std::snprintf(name, sizeof name, "m%03d", index);
  return name;
}

Options ReadOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail(word + " needs a value");
      return argv[++i];
    };
    if (word == "--program") {
      options.program = value();
    } else if (word == "--work") {
      options.work = value();
    } else if (word == "--runs") {
      options.runs = std::max(1, std::atoi(value().c_str()));
    } else if (word == "--small") {
      options.small = true;
    } else if (word == "--prepare") {
      options.prepare_only = true;
    } else if (word == "--only") {
      options.only = value();
    } else {
      Fail("unknown option " + word +
           " (--program <file> --work <folder> [--runs <n>] [--small] [--prepare] [--only <words of a case>])");
    }
  }
  if (options.program.empty() || options.work.empty()) Fail("--program and --work are needed");
  char resolved[PATH_MAX];
  if (realpath(options.program.c_str(), resolved) == nullptr) Fail("no program at " + options.program);
  options.program = resolved;
  const ssize_t length = readlink("/proc/self/exe", resolved, sizeof resolved - 1);
  if (length <= 0) Fail("cannot find the benchmark's own folder");
  const std::string self(resolved, static_cast<std::size_t>(length));
  options.launcher = self.substr(0, self.rfind('/') + 1) + "tessaro_bench_launch";
  return options;
}

// Writes every input into the current directory: the largest map at versions 7 and 3, the
// folder of maps at version 7, and the swap script.
void WriteInputs(const Sizes& sizes) {
  SilentTerminal quiet;  // SaveMap's stage lines are of no use here
  UseTerminal(&quiet);
  MakeDirectory("maps");
  MakeDirectory("out");
  MakeDirectory("copies");
  MapFile largest = BuildBenchMap(sizes.largest, 1);
  Save("largest_v7.map", largest);
  while (largest.mapversion > kLowestVersion) {
    if (DowngradeMap(largest) != Ok) Fail("cannot step the largest map down");
  }
  Save("largest_v3.map", largest);
  Dice dice(7);
  for (int i = 0; i < sizes.maps; ++i) {
    Save("maps/" + MapName(i) + ".map", BuildBenchMap(TypicalShape(dice), static_cast<std::uint32_t>(100 + i)));
  }
  std::ofstream("swaps.txt", std::ios::binary) << SwapScriptText(sizes.script_lines, 3);
  // The same maps loose and in a group file; one typical map loose and behind other members.
  MakeDirectory("loose");
  MakeDirectory("grouped");
  std::vector<std::pair<std::string, std::string>> grouped;
  for (int i = 0; i < sizes.grouped_maps; ++i) {
    grouped.emplace_back(MapName(i) + ".map", ReadWhole("maps/" + MapName(i) + ".map"));
    std::ofstream("loose/" + grouped.back().first, std::ios::binary) << grouped.back().second;
  }
  SaveGroupFile("grouped/maps.grp", grouped, 0);
  MakeDirectory("zipped");
  SaveZipFile("zipped/maps.zip", grouped);
  SaveGroupFile("grouped/large.grp", {{"LAST.MAP", grouped.front().second}}, sizes.filler);
  std::ofstream("loose/last.map", std::ios::binary) << grouped.front().second;
  UseTerminal(nullptr);
  // Written to disk now, not while the first case is timed.
  sync();
}

std::vector<Case> Cases(const Options& options, const Sizes& sizes) {
  const std::string& program = options.program;
  std::vector<std::string> sources;
  std::vector<std::string> copies;
  std::vector<std::string> outputs_v6;
  std::vector<std::string> outputs_v3;
  for (int i = 0; i < sizes.maps; ++i) {
    sources.push_back("maps/" + MapName(i) + ".map");
    copies.push_back("copies/" + MapName(i) + ".map");
    outputs_v6.push_back("maps/" + MapName(i) + "_v6.map");
    outputs_v3.push_back("maps/" + MapName(i) + "_v3.map");
  }
  std::vector<std::string> copy_folder = {"cp"};
  copy_folder.insert(copy_folder.end(), sources.begin(), sources.end());
  copy_folder.push_back("copies/");
  const std::string folder = std::to_string(sizes.maps) + " maps";
  std::vector<std::string> loose_outputs;
  std::vector<std::string> grouped_outputs;
  std::vector<std::string> zipped_outputs;
  for (int i = 0; i < sizes.grouped_maps; ++i) {
    loose_outputs.push_back("loose/" + MapName(i) + "_v6.map");
    grouped_outputs.push_back("grouped/" + MapName(i) + "_v6.map");
    zipped_outputs.push_back("zipped/" + MapName(i) + "_v6.map");
  }
  char behind[64];
  std::snprintf(behind, sizeof behind, "a map behind %.0f MiB, v7 to v6", static_cast<double>(sizes.filler) / kMiB);
  const std::uint64_t largest = std::max(FileSize("largest_v3.map"), FileSize("largest_v7.map"));
  const std::vector<std::string> convert_largest = {program, "-In", "largest_v7.map", "-Version", "6",
                                                    "-Out",  "out/largest_v6.map", "-Replace"};
  const std::vector<std::string> convert_folder = {program, "-In", "maps/m???.map", "-Version", "6", "-Replace"};
  return {
      {"largest map, v3 to v7",
       {program, "-In", "largest_v3.map", "-Version", "7", "-Out", "out/largest_v7.map", "-Replace"},
       {"cp", "largest_v3.map", "copies/largest_v3.map"},
       {"out/largest_v7.map"},
       {"copies/largest_v3.map"},
       3.0,
       largest},
      {"largest map, v7 to v3",
       {program, "-In", "largest_v7.map", "-Version", "3", "-Out", "out/largest_v3.map", "-Replace"},
       {"cp", "largest_v7.map", "copies/largest_v7.map"},
       {"out/largest_v3.map"},
       {"copies/largest_v7.map"},
       3.0,
       largest},
      {folder + ", v7 to v6",
       convert_folder,
       copy_folder,
       outputs_v6,
       copies,
       2.0,
       0},
      {folder + ", v7 to v3 + swaps",
       {program, "-In", "maps/m???.map", "-Version", "3", "-SwapTiles", "swaps.txt", "-Replace"},
       copy_folder,
       outputs_v3,
       copies,
       2.0,
       0},
      {std::to_string(sizes.grouped_maps) + " maps in a group, v7 to v6",
       {program, "-In", "grouped/maps.grp", "-Version", "6", "-Replace"},
       {program, "-In", "loose/m???.map", "-Version", "6", "-Replace"},
       grouped_outputs,
       loose_outputs,
       1.5,
       0,
       true},
      {std::to_string(sizes.grouped_maps) + " maps in a zip, v7 to v6",
       {program, "-In", "zipped/maps.zip", "-Version", "6", "-Replace"},
       {program, "-In", "loose/m???.map", "-Version", "6", "-Replace"},
       zipped_outputs,
       loose_outputs,
       2.0,
       0,
       true},
      {behind,
       {program, "-In", "grouped/large.grp/last.map", "-Version", "6", "-Replace"},
       {program, "-In", "loose/last.map", "-Version", "6", "-Replace"},
       {"grouped/LAST_v6.map"},
       {"loose/last_v6.map"},
       1.5,
       0,
       true},
      // A check reads what a conversion reads and prints at most ten lines of a code: never slower.
      // Its report lists every problem, and these maps of random geometry have thousands; its cost
      // is shown beside, with no target.
      {"largest map, check (v7 to v6)", {program, "-In", "largest_v7.map", "-Check"}, convert_largest, {},
       {"out/largest_v6.map"}, 1.0, 0, false, true},
      {folder + ", check (v7 to v6)", {program, "-In", "maps/m???.map", "-Check"}, convert_folder, {}, outputs_v6, 1.0,
       0, false, true},
      {"largest map, check + report", {program, "-In", "largest_v7.map", "-Check", "-Json", "out/largest.json"},
       convert_largest, {"out/largest.json"}, {"out/largest_v6.map"}, 0, 0, false, true},
      {folder + ", check + report", {program, "-In", "maps/m???.map", "-Check", "-Json", "out/maps.json"},
       convert_folder, {"out/maps.json"}, outputs_v6, 0, 0, false, true},
  };
}

// Each run starts without its outputs, so nothing is asked and no run finds the last one's files.
RunCost RunFresh(const std::string& launcher, const std::vector<std::string>& command,
                 const std::vector<std::string>& outputs, bool check = false) {
  for (const std::string& output : outputs) unlink(output.c_str());
  RunCost cost = RunThroughLauncher(launcher, command, "run.log");
  cost.succeeded = cost.status == 0 || (check && cost.status == 2);
  for (const std::string& output : outputs) {
    if (FileSize(output) == 0) cost.succeeded = false;
  }
  return cost;
}

// Program and copy take turns, each going first every other time, so that a slow stretch of
// the shared machine falls on both; one untimed round warms the caches.
Measured Measure(const Case& c, const Options& options) {
  const std::string& launcher = options.launcher;
  Measured measured;
  RunFresh(launcher, c.program, c.program_outputs, c.check);
  RunFresh(launcher, c.copy, c.copy_outputs);
  for (int run = 0; run < options.runs; ++run) {
    for (int turn = 0; turn < 2; ++turn) {
      if ((run + turn) % 2 == 0) {
        measured.program.push_back(RunFresh(launcher, c.program, c.program_outputs, c.check));
      } else {
        measured.copy.push_back(RunFresh(launcher, c.copy, c.copy_outputs));
      }
    }
  }
  for (const RunCost& cost : measured.program) measured.failed |= !cost.succeeded;
  for (const RunCost& cost : measured.copy) measured.failed |= !cost.succeeded;
  return measured;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

template <typename Pick>
std::vector<double> Each(const std::vector<RunCost>& costs, Pick pick) {
  std::vector<double> values;
  for (const RunCost& cost : costs) values.push_back(pick(cost));
  return values;
}

double Wall(const RunCost& cost) { return cost.wall_ms; }
double Cpu(const RunCost& cost) { return cost.cpu_ms; }
double Peak(const RunCost& cost) { return static_cast<double>(cost.peak_kib) * 1024.0; }

}  // namespace

int Main(int argc, char** argv) {
  const Options options = ReadOptions(argc, argv);
  const Sizes sizes = options.small ? Sizes{{2000, 2000, 2000}, 10, 1000, 10, 2u << 20}
                                    : Sizes{kLargestShape, 200, 1000, 30, 200u << 20};
  MakeDirectory(options.work);
  if (chdir(options.work.c_str()) != 0) Fail("cannot enter " + options.work);
  WriteInputs(sizes);

  std::uint64_t folder_bytes = 0;
  for (int i = 0; i < sizes.maps; ++i) folder_bytes += FileSize("maps/" + MapName(i) + ".map");
  std::printf("Inputs: largest map %d sectors, %d walls, %d sprites (v3 %.2f MiB, v7 %.2f MiB); %d maps at v7, "
              "%.1f MiB; swap script of %d lines\n",
              sizes.largest.sectors, sizes.largest.walls, sizes.largest.sprites,
              static_cast<double>(FileSize("largest_v3.map")) / kMiB,
              static_cast<double>(FileSize("largest_v7.map")) / kMiB, sizes.maps,
              static_cast<double>(folder_bytes) / kMiB, sizes.script_lines);
  if (options.prepare_only) {
    // For profiling: the inputs stay, and these are the commands that would be timed.
    for (const Case& c : Cases(options, sizes)) {
      std::printf("%s:", c.title.c_str());
      for (const std::string& word : c.program) std::printf(" %s", word.c_str());
      std::printf("\n");
    }
    return 0;
  }
  std::printf("Median of %d runs, program and baseline alternating; wall-clock ms (cpu = user + system ms)\n"
              "Baseline: cp of the same files; for maps in a group file or a zip, the program on the same maps loose;\n"
              "for a check, the program converting the same maps\n\n",
              options.runs);
  std::printf("%-32s %20s %20s %7s %7s %9s\n", "case", "program (cpu)", "baseline (cpu)", "ratio", "target",
              "cpu ratio");

  bool failed = false;
  std::vector<std::string> memory_lines;
  for (const Case& c : Cases(options, sizes)) {
    if (c.title.find(options.only) == std::string::npos) continue;
    const Measured m = Measure(c, options);
    failed |= m.failed;
    const double program = Median(Each(m.program, Wall));
    const double copy = Median(Each(m.copy, Wall));
    const double program_cpu = Median(Each(m.program, Cpu));
    const double copy_cpu = Median(Each(m.copy, Cpu));
    const double ratio = program / copy;
    char line[256];
    // A target of 0 is none: the figures are shown beside the others.
    std::snprintf(line, sizeof line, "%-32s %9.1f (%8.1f) %9.1f (%8.1f) %7.2f %4s%-3g %9.2f %s", c.title.c_str(),
                  program, program_cpu, copy, copy_cpu, ratio, c.target > 0 ? "<= " : "", c.target,
                  copy_cpu > 0 ? program_cpu / copy_cpu : 0.0,
                  m.failed ? "FAILED RUN" : c.target == 0 ? "" : ratio <= c.target ? "ok" : "over");
    std::printf("%s\n", line);
    std::fflush(stdout);

    const std::vector<double> peaks = Each(m.program, Peak);
    const double peak = *std::max_element(peaks.begin(), peaks.end());
    const std::vector<double> copy_peaks = Each(m.copy, Peak);
    const double copy_peak = *std::max_element(copy_peaks.begin(), copy_peaks.end());
    if (c.largest_file > 0) {
      const double limit = 3.0 * static_cast<double>(c.largest_file) + 8.0 * kMiB;
      std::snprintf(line, sizeof line, "%-32s program %6.2f MiB, cp %6.2f MiB; limit 3 x %.2f + 8 = %.2f MiB %s",
                    c.title.c_str(), peak / kMiB, copy_peak / kMiB, static_cast<double>(c.largest_file) / kMiB,
                    limit / kMiB, peak <= limit ? "ok" : "over");
    } else if (c.check) {
      std::snprintf(line, sizeof line, "%-32s program %6.2f MiB, converting %6.2f MiB", c.title.c_str(), peak / kMiB,
                    copy_peak / kMiB);
    } else if (c.baseline_is_program) {
      // The directory is all a group file adds, and a zip its directory and zlib's state: well under a mebibyte.
      std::snprintf(line, sizeof line, "%-32s program %6.2f MiB, loose %6.2f MiB; limit loose + 1 MiB %s",
                    c.title.c_str(), peak / kMiB, copy_peak / kMiB, peak <= copy_peak + kMiB ? "ok" : "over");
    } else {
      std::snprintf(line, sizeof line, "%-32s program %6.2f MiB, cp %6.2f MiB", c.title.c_str(), peak / kMiB,
                    copy_peak / kMiB);
    }
    memory_lines.push_back(line);
  }
  std::printf("\nPeak memory (maximum resident set):\n");
  for (const std::string& line : memory_lines) std::printf("%s\n", line.c_str());
  if (failed) std::printf("\nA run failed or left an output missing; see %s/run.log\n", options.work.c_str());
  return failed ? 1 : 0;
}

}  // namespace tessaro::bench

int main(int argc, char** argv) { return tessaro::bench::Main(argc, argv); }

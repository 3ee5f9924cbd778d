// What one run of the program knows: filled by the option setters, read by the driver.
#pragma once

#include <cstdint>
#include <string>

namespace tessaro {

// The only bit of OptionFlags: existing output files are replaced without asking. Set by
// -Replace or by the answer Always, and it holds for the rest of the run.
inline constexpr std::uint32_t kReplaceAlways = 1;

struct RunState {
  std::string SourcePath;  // normal form, ends in ".map"; may hold "*" and "?"
  std::string OutputPath;  // for the first file only; the driver empties it after each file
  std::string OutputFolder;  // -Out named a folder: every map goes there, OutputPath stays empty
  std::string ScriptPath;  // normal form, ends in ".txt"
  std::int32_t TargetVersion = 0;  // 0: not given (a given 0 fails its check)
  std::uint32_t OptionFlags = 0;
  std::uint32_t CheckOnly = 0;  // 1: -Check; the maps are checked, nothing is converted
  std::string ReportPath;       // -Json: the check's report, one line of JSON a map
  std::int32_t RunError = 0;  // 1 after a failed value check; in the file loop, the file's MapError
  std::string ExeName = "TESSARO.EXE";
  std::string ReadmeLine = "For more information, please see the readme file.";
};

}  // namespace tessaro

#include "app/run_args.hpp"

#include "app/paths.hpp"
#include "app/text.hpp"
#include "console/number_reading.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

namespace {

std::string FirstValue(const std::vector<std::string>& values) {
  return values.empty() ? std::string() : values.front();
}

void SetNormalPath(std::string& path, const std::vector<std::string>& values) {
  path = FirstValue(values);
  NormalizePath(path);
}

}  // namespace

void SetSourcePath(RunState& state, const std::vector<std::string>& values) {
  SetNormalPath(state.SourcePath, values);
}

// A value that ends in a separator, or names a folder that exists, is a folder for every map of
// the run; anything else names the first map's file, completed as -In completes names.
void SetOutputPath(RunState& state, const std::vector<std::string>& values) {
  const std::string given = TrimSpaces(FirstValue(values));
  std::string folder = given;
  NormalizePath(folder);
  if (folder.empty() && !given.empty()) folder.push_back('.');  // "." and "./": the current folder
  std::string found;
  const bool is_folder = (!given.empty() && (given.back() == '/' || given.back() == '\\')) ||
                         FindFolder(folder, found) == FileStatus::Ok;
  state.OutputFolder = is_folder ? folder : std::string();
  state.OutputPath = is_folder ? std::string() : given + (EndsWithIgnoringCase(given, ".map") ? "" : ".map");
  NormalizePath(state.OutputPath);
}

void SetScriptPath(RunState& state, const std::vector<std::string>& values) {
  SetNormalPath(state.ScriptPath, values);
}

void SetReportPath(RunState& state, const std::vector<std::string>& values) {
  SetNormalPath(state.ReportPath, values);
}

// The check let through anything above 2 and below 8, so 7.5 arrives here and becomes 8.
void SetTargetVersion(RunState& state, const std::vector<std::string>& values) {
  state.TargetVersion = RoundToInt(ReadNumber(FirstValue(values)));
}

void RegisterRunArgs(ArgTable& table, RunState& state) {
  auto bind = [&state](void (*setter)(RunState&, const std::vector<std::string>&)) {
    return ArgTarget(ArgSetter(
        [&state, setter](const std::vector<std::string>& values) { setter(state, values); }));
  };
  RegisterArg(table, "-In", bind(SetSourcePath), "MAP:File", "Input .MAP file");
  RegisterArg(table, "-Out", bind(SetOutputPath), "OUT:File", "Output .MAP file");
  RegisterArg(table, "-Version", bind(SetTargetVersion), "VER:Version", "Output version number");
  RegisterArg(table, "-SwapTiles", bind(SetScriptPath), "FIL:Script",
              "Replace source tiles using a script");
  RegisterArg(table, "-Replace", &state.OptionFlags, "1", "Always overwrite existing files");
  RegisterArg(table, "-Check", &state.CheckOnly, "1", "Check maps instead of converting them");
  RegisterArg(table, "-Json", bind(SetReportPath), "OUT:File", "Write the check as JSON Lines");
}

}  // namespace tessaro

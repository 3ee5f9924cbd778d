#include "app/run_args.hpp"

#include "app/paths.hpp"
#include "console/number_reading.hpp"

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

void SetOutputPath(RunState& state, const std::vector<std::string>& values) {
  SetNormalPath(state.OutputPath, values);
}

void SetScriptPath(RunState& state, const std::vector<std::string>& values) {
  SetNormalPath(state.ScriptPath, values);
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
  RegisterArg(table, "-Out", bind(SetOutputPath), "MAP:File", "Output .MAP file");
  RegisterArg(table, "-Version", bind(SetTargetVersion), "VER:Version", "Output version number");
  RegisterArg(table, "-SwapTiles", bind(SetScriptPath), "FIL:Script",
              "Replace source tiles using a script");
  RegisterArg(table, "-Replace", &state.OptionFlags, "1", "Always overwrite existing files");
}

}  // namespace tessaro

// The program's options and the setters that carry their values into the run state.
#pragma once

#include <string>
#include <vector>

#include "app/arg_table.hpp"
#include "app/run_state.hpp"

namespace tessaro {

// Each setter takes the first of the checked values.
void SetSourcePath(RunState& state, const std::vector<std::string>& values);
void SetOutputPath(RunState& state, const std::vector<std::string>& values);
void SetScriptPath(RunState& state, const std::vector<std::string>& values);
void SetTargetVersion(RunState& state, const std::vector<std::string>& values);
void SetReportPath(RunState& state, const std::vector<std::string>& values);

// Registers -In, -Out, -Version, -SwapTiles, -Replace, -Check and -Json in that order, which is also the order
// of matching and of the help lines. The table keeps references to state: it must not outlive it.
void RegisterRunArgs(ArgTable& table, RunState& state);

}  // namespace tessaro

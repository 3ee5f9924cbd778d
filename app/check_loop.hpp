// Checking each map a source names instead of converting it: the lines of each, a closing line
// for the run, and the JSON report.
#pragma once

#include <vector>

#include "app/run_state.hpp"
#include "app/source_list.hpp"

namespace tessaro {

// Checks every entry with the limits of the map's own version and of the run's target version
// (when given), then writes the report when one is named. True when no map had an error, every
// map could be read and the report, if any, was written.
bool CheckFiles(const std::vector<SourceEntry>& files, RunState& state);

}  // namespace tessaro

// Reads the argument words against the option table and hands the values to the setters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/arg_table.hpp"
#include "app/run_state.hpp"

namespace tessaro {

// words[0] is the program itself; reading starts at words[1] and ends at the first empty word.
// Returns 1 when the run must end at once (help shown, unknown word, missing values), else 0.
// A value that fails its check stops reading with 0 and RunError set to 1.
std::int32_t ParseCommandLine(const std::vector<std::string>& words, ArgTable& table,
                              RunState& state);

struct CheckedValues {
  std::vector<std::string> values;  // completed by their types, same length as given
  bool ok = true;
};

// Each value is checked against its template word; a failure prints its line and sets
// RunError, and the remaining values are still checked.
CheckedValues CheckArgValues(std::string_view keyword, const std::vector<std::string>& values,
                             std::string_view template_text, RunState& state);

}  // namespace tessaro

// The two printers of the argument table: the full help screen and one option's usage.
#pragma once

#include <cstdint>

#include "app/arg_table.hpp"
#include "app/run_state.hpp"

namespace tessaro {

// Colours of the help: everything else the program prints keeps the console's own colours.
inline constexpr std::int32_t kPlainColor = 7;
inline constexpr std::int32_t kEmphasisColor = 15;
inline constexpr std::int32_t kDimColor = 8;

// Where the descriptions start: four columns after the widest option part of the table.
std::int32_t DescriptionColumn(const ArgTable& table);

// Syntax line, one line per option, the readme line, then (unless asked not to) a wait for a key.
void PrintHelp(const ArgTable& table, const RunState& state, bool wait = true);

// The option's keyword and values in double quotes, ending the line.
void PrintArgUsage(const ArgDef& entry);

}  // namespace tessaro

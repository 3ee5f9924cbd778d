// The lines the map operations report: the same texts in the program and in the browser page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro {

std::string OpeningLine(std::string_view name);  // ":: Opening e1l1.map..."
std::string CheckingLine(std::string_view name);  // ":: Checking e1l1.map..."
std::string SavingLine(std::string_view name);   // ":: Saving e1l1_v7.map..."
// ":: Upgrading from v6 to v7", or ":: Downgrading from v7 to v3" when `to` is lower.
std::string ConversionLine(std::int32_t from, std::int32_t to);

// The message line of MapError codes 1 to kLastMapError; "" for any other code.
std::string_view MapErrorMessage(std::int32_t error);

}  // namespace tessaro

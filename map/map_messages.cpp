#include "map/map_messages.hpp"

#include <array>

#include "map/map.hpp"

namespace tessaro {

std::string OpeningLine(std::string_view name) { return ":: Opening " + std::string(name) + "..."; }

std::string CheckingLine(std::string_view name) { return ":: Checking " + std::string(name) + "..."; }

std::string SavingLine(std::string_view name) { return ":: Saving " + std::string(name) + "..."; }

std::string ConversionLine(std::int32_t from, std::int32_t to) {
  return std::string(to > from ? ":: Upgrading from v" : ":: Downgrading from v") + std::to_string(from) + " to v" +
         std::to_string(to);
}

std::string_view MapErrorMessage(std::int32_t error) {
  static constexpr auto kMessages = std::to_array<std::string_view>({
      "",
      "   Source file corrupted",
      "   Source file no found",
      "   No handle available",
      "   Source file format unsupported",
      "   I/O error",
      "   Cannot upgrade source file any further",
      "   Cannot downgrade source file any further",
      "   No upgrade/downgrade needed",
      "   Member name not a plain file name",
      "   Cannot write into a group file",
      "   Compression method not supported",
      "   Member is encrypted",
  });
  static_assert(kMessages.size() == kLastMapError + 1);
  if (error < 1 || error > kLastMapError) return {};
  return kMessages[static_cast<std::size_t>(error)];
}

}  // namespace tessaro

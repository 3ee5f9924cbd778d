// Texts through number reading, path normalising and wildcard matching. For the matching, the
// input is a pattern and a name divided by the first zero byte.
#include <cmath>
#include <string>

#include "app/paths.hpp"
#include "console/number_reading.hpp"
#include "fuzz/fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  const std::string text(reinterpret_cast<const char*>(data), size);

  const double number = ReadNumber(text);
  const std::int32_t whole = RoundToInt(number);
  if (whole != INT32_MIN) TESSARO_FUZZ_CHECK(std::fabs(number - whole) <= 0.5);

  std::string path = text;
  NormalizePath(path);
  std::string again = path;
  NormalizePath(again);
  TESSARO_FUZZ_CHECK(again == path);
  const PathParts parts = SplitPath(path);
  TESSARO_FUZZ_CHECK(parts.directory + parts.name == path);

  const std::size_t divide = text.find('\0');
  const std::string pattern = text.substr(0, divide);
  const std::string name = divide == std::string::npos ? std::string() : text.substr(divide + 1);
  const bool matched = MatchWildcard(pattern, name);
  if (pattern == "*") TESSARO_FUZZ_CHECK(matched == !name.empty());
  if (!name.empty() && name.find_first_of("*?") == std::string::npos) {
    TESSARO_FUZZ_CHECK(MatchWildcard(name, name));
  }
  return 0;
}

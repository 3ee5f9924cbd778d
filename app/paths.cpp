#include "app/paths.hpp"

#include <vector>

#include "app/text.hpp"

namespace tessaro {

namespace {

bool IsSeparator(char byte) { return byte == '/' || byte == '\\'; }

// What of a leading separator survives: nothing, "/" or "//".
std::string RootPrefix(std::string_view trimmed) {
  if (trimmed.empty() || !IsSeparator(trimmed[0])) return {};
  if (trimmed.size() > 1 && IsSeparator(trimmed[1])) return "//";
  return "/";
}

}  // namespace

void NormalizePath(std::string& path) {
  const std::string trimmed = TrimSpaces(path);
  if (trimmed.empty()) {
    path.clear();
    return;
  }
  const std::string root = RootPrefix(trimmed);

  std::string walk = path;
  if (!IsSeparator(walk.back())) walk += '/';

  // The slot under construction is components[k]; "." and ".." reuse slots instead of growing.
  std::vector<std::string> components(1);
  std::size_t k = 0;
  for (const char byte : walk) {
    if (!IsSeparator(byte)) {
      components[k] += byte;
      continue;
    }
    components[k] = TrimSpaces(components[k]);
    if (components[k] == ".") {
      components[k].clear();
    } else if (components[k] == ".." && k > 0 && components[k - 1] != "..") {
      components[k].clear();
      --k;
      components[k].clear();
    } else if (components[k] == ".." && k == 0 && !root.empty()) {
      components[k].clear();  // nothing lies above the root: "/../../x" is "/x", as "/../x" is
    } else {
      ++k;
      if (k == components.size()) components.emplace_back();
    }
  }

  std::string joined;
  for (const std::string& component : components) {
    if (component.empty() || component == ".") continue;
    joined += ToLowerAscii(component);
    joined += '/';
  }
  if (!joined.empty()) joined.pop_back();
  path = root + TrimSpaces(joined);
}

PathParts SplitPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {std::string(), std::string(path)};
  return {std::string(path.substr(0, slash + 1)), std::string(path.substr(slash + 1))};
}

bool MatchWildcard(std::string_view pattern, std::string_view name) {
  if (pattern.empty() || name.empty()) return false;
  const std::string lower_pattern = ToLowerAscii(pattern);
  const std::string lower_name = ToLowerAscii(name);
  const std::size_t pattern_end = lower_pattern.size();

  // The last "*" seen and the name position it was tried at: on a mismatch it takes one more
  // character and the rest is tried again, so each "*" backtracks only as far as it has to.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string::npos;
  std::size_t star_taken = 0;
  while (n < lower_name.size()) {
    if (p < pattern_end && lower_pattern[p] == '*') {
      star = p++;
      star_taken = n;
    } else if (p < pattern_end && (lower_pattern[p] == '?' || lower_pattern[p] == lower_name[n])) {
      ++p;
      ++n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++star_taken;
    } else {
      return false;
    }
  }
  // Past the end of the name, "*" takes nothing and "?" takes the end.
  while (p < pattern_end && (lower_pattern[p] == '*' || lower_pattern[p] == '?')) ++p;
  return p == pattern_end;
}

std::string OutputNameFor(std::string_view source, std::int32_t version) {
  const bool has_extension = source.size() >= 4 && ToLowerAscii(source.substr(source.size() - 4)) == ".map";
  return std::string(source.substr(0, source.size() - (has_extension ? 4 : 0))) + "_v" + std::to_string(version) +
         ".map";
}

}  // namespace tessaro

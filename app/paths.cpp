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

  // n may run more than one past the end: every "?" steps on, even over the end.
  std::size_t n = 0;
  for (std::size_t p = 0; p < lower_pattern.size(); ++p) {
    const char pc = lower_pattern[p];
    if (pc == '*') {
      if (p + 1 == lower_pattern.size()) {
        n = lower_name.size();
        continue;
      }
      const std::size_t found = n < lower_name.size() ? lower_name.find(lower_pattern[p + 1], n)
                                                      : std::string::npos;
      if (found == std::string::npos) return false;
      n = found;
    } else if (pc == '?') {
      ++n;
    } else {
      if (n >= lower_name.size() || lower_name[n] != pc) return false;
      ++n;
    }
  }
  return n >= lower_name.size();
}

std::string OutputNameFor(std::string_view source, std::int32_t version) {
  const bool has_extension = source.size() >= 4 && ToLowerAscii(source.substr(source.size() - 4)) == ".map";
  return std::string(source.substr(0, source.size() - (has_extension ? 4 : 0))) + "_v" + std::to_string(version) +
         ".map";
}

}  // namespace tessaro

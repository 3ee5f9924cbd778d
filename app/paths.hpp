// File names as the front end sees them: one normal form for every path from the command line,
// and the wildcard test that picks source maps out of a directory listing.
#pragma once

#include <string>
#include <string_view>

namespace tessaro {

// Lower case, "/" only, "." and ".." resolved, no empty components, no trailing "/".
// A leading "/" is kept so that absolute paths stay absolute, and a leading "//" (or two
// backslashes) stays "//" for network names.
void NormalizePath(std::string& path);

struct PathParts {
  std::string directory;  // up to and including the last "/", or empty
  std::string name;       // the last component; empty when the path ends with "/"
};

// Expects a path in normal form: only "/" separates.
PathParts SplitPath(std::string_view path);

// "*" takes the shortest run up to the first occurrence of the pattern character after it,
// without backtracking; "?" takes one character or the end of the name. Case is ignored.
bool MatchWildcard(std::string_view pattern, std::string_view name);

}  // namespace tessaro

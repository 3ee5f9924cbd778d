// File names as the front end sees them: one normal form for every path from the command line,
// and the wildcard test that picks source maps out of a directory listing.
#pragma once

#include <cstdint>
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

// The name a converted map is saved under: the source's name with its ".map" (in any case)
// replaced by "_v", the version and ".map" (maps/E1L1.MAP at version 5: maps/E1L1_v5.map). A name
// without ".map" keeps all of itself.
std::string OutputNameFor(std::string_view source, std::int32_t version);

// "*" takes any run of characters, dots included, as in a shell; "?" takes one character or the
// end of the name. Case is ignored. An empty pattern or name never matches.
bool MatchWildcard(std::string_view pattern, std::string_view name);

}  // namespace tessaro

// The whole run of the program, from the argument words to the exit status.
#pragma once

#include <string>
#include <vector>

namespace tessaro {

// The exit statuses: every map made it (or help or the version was asked for); the run stopped
// before the file loop; the loop ran and at least one map could not be opened, converted or saved
// (or, checked, had an error).
inline constexpr int kAllDone = 0;
inline constexpr int kStopped = 1;
inline constexpr int kSomeFailed = 2;

// words[0] is the program itself. Returns one of the statuses above.
int RunProgram(const std::vector<std::string>& words);

}  // namespace tessaro

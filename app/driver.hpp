// The whole run of the program, from the argument words to the exit status.
#pragma once

#include <string>
#include <vector>

namespace tessaro {

// words[0] is the program itself. Returns 1 when the run ended before the file loop, else 0.
int RunProgram(const std::vector<std::string>& words);

}  // namespace tessaro

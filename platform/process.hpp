// What the process needs from the platform before it touches any file or the console.
#pragma once

namespace tessaro {

// A standard stream the program was started without is opened on the null device, so that no
// map or script file can take its place and be read as keys or written as output.
void PrepareStandardStreams();

}  // namespace tessaro

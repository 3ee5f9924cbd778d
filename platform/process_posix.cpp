#include <fcntl.h>
#include <unistd.h>

#include "platform/process.hpp"

namespace tessaro {

void PrepareStandardStreams() {
  for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
    if (fcntl(stream, F_GETFD) != -1) continue;
    const int null_device = open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (null_device >= 0 && null_device != stream) close(null_device);
  }
}

}  // namespace tessaro

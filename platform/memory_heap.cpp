#include <cstdlib>

#include "platform/memory.hpp"

namespace tessaro {

// In the browser there is no system to ask for whole pages: the heap gives zeroed blocks as well.
void* AllocateLargeBlock(std::size_t bytes) { return std::calloc(bytes, 1); }

void FreeLargeBlock(void* block, std::size_t) { std::free(block); }

}  // namespace tessaro

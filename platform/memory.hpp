// Memory for the largest arrays, straight from the system.
#pragma once

#include <cstddef>

namespace tessaro {

// A block of at least `bytes` zeroed bytes, mapped in full at once, in large pages where the system
// offers them: touching megabytes of fresh memory one small page at a time costs more than
// converting them. Null when the system has none left.
void* AllocateLargeBlock(std::size_t bytes);

// Gives back a block with the size it was asked for.
void FreeLargeBlock(void* block, std::size_t bytes);

}  // namespace tessaro

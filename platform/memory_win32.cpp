#include "platform/memory.hpp"
#include "platform/win32_api.hpp"

namespace tessaro {

// Large pages need a privilege that users seldom hold, so the block is an ordinary committed one.
void* AllocateLargeBlock(std::size_t bytes) {
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeLargeBlock(void* block, std::size_t) {
  if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace tessaro

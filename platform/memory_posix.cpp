#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "platform/memory.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

// The address sanitizer guards the heap only, so its builds take large blocks from there too, and
// reading past one is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kFromHeap = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kFromHeap = true;
#else
constexpr bool kFromHeap = false;
#endif
#else
constexpr bool kFromHeap = false;
#endif

std::size_t InLargePages(std::size_t bytes) { return (bytes + kLargePage - 1) / kLargePage * kLargePage; }

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
  if (kFromHeap) return std::calloc(bytes, 1);
  const std::size_t size = InLargePages(bytes);
  if (size < bytes || size > SIZE_MAX - kLargePage) return nullptr;  // no such amount
  // A large page more than needed, so that the block can start on a large-page boundary.
  void* const mapped = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  char* const first = static_cast<char*>(mapped);
  const std::size_t misaligned = reinterpret_cast<std::uintptr_t>(first) % kLargePage;
  const std::size_t head = misaligned == 0 ? 0 : kLargePage - misaligned;
  if (head > 0) munmap(first, head);
  if (head < kLargePage) munmap(first + head + size, kLargePage - head);
  void* const block = first + head;
  // Both are requests the kernel may turn down; the block works either way.
#ifdef MADV_HUGEPAGE
  madvise(block, size, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
  madvise(block, size, MADV_POPULATE_WRITE);
#endif
  return block;
}

void FreeLargeBlock(void* block, std::size_t bytes) {
  if (kFromHeap) return std::free(block);
  if (block != nullptr) munmap(block, InLargePages(bytes));
}

}  // namespace tessaro
